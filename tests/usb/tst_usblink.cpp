// The program's link over the USB bridge library whose transport is the
// emulated MCP2200: start-up configuration, the handshake, the first read and
// a write, all clocked through real HID reports to the simulated detector.
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "link/config.h"
#include "link/simpleioapi.h"
#include "tests/support/testsupport.h"
#include "tests/usb/usbemucontrol.h"

class UsbLinkTest : public QObject
{
    Q_OBJECT

    UsbEmuGetBlockFn getBlock = nullptr;
    DeviceConfig block{};
    std::unique_ptr<config> link;
    std::unique_ptr<QSignalSpy> lost;

    // What a read of the detector brings now: the good status and its block.
    QByteArray detectorReply() const
    {
        unsigned char out[5] = {};
        getBlock(out);
        return "\x53" + QByteArray(reinterpret_cast<const char *>(out), 5);
    }

private slots:
    void startUpHandshakeAndFirstRead()
    {
        // The very library the link is about to load from beside this executable.
        void *library = nullptr;
        QString detail;
        QCOMPARE(BridgeLoader::load(&library, &detail), BridgeLoader::Result::Loaded);
        const auto reset = reinterpret_cast<UsbEmuResetFn>(BridgeLoader::resolve(library, "UsbEmuReset"));
        const auto setDelays = reinterpret_cast<UsbEmuSetDelaysFn>(BridgeLoader::resolve(library, "UsbEmuSetDelays"));
        const auto getConfig = reinterpret_cast<UsbEmuGetConfigFn>(BridgeLoader::resolve(library, "UsbEmuGetConfig"));
        getBlock = reinterpret_cast<UsbEmuGetBlockFn>(BridgeLoader::resolve(library, "UsbEmuGetBlock"));
        QVERIFY2(reset && setDelays && getConfig && getBlock, "not the emulated USB bridge beside the test");
        reset();
        // Short delays, but a READ_ALL still waits for its reply as on a real bus.
        setDelays(200, 500);

        link = std::make_unique<config>(nullptr, &block);
        lost = std::make_unique<QSignalSpy>(link.get(), &config::signal_disconnect);
        QSignalSpy read(link.get(), &config::signal_getConfig);
        // The factory-fresh chip held all inputs at 9600 Bd; now 0xF0 and 6 MBd (divisor 1).
        unsigned char stored[6] = {};
        getConfig(stored);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(stored), 6).toHex(' '), QByteArray("f0 00 00 00 00 01"));
        // The first read follows the first good handshake.
        QVERIFY(read.wait(15000));
        QCOMPARE(QByteArray(link->configReply, 6), detectorReply());
        QCOMPARE(lost->count(), 0);
    }

    void writeIsReadBack()
    {
        block = DeviceConfig{4, 9, 15, 35, 0x09, 0x5A};
        testsupport::ModalAnswerer answerer({"OK"});
        QVERIFY(QMetaObject::invokeMethod(link.get(), "sendParamA6"));
        QVERIFY(testsupport::waitUntil([&] { return !answerer.seen().isEmpty(); }, 15000));
        QCOMPARE(answerer.seen().first().text, QStringLiteral("Конфигурация записана успешно"));
        // flag, angle, range_1..3: the spare byte never travels.
        QCOMPARE(detectorReply(), QByteArray("\x53\x09\x23\x04\x09\x0f", 6));
        QCOMPARE(QByteArray(link->configReply, 6), detectorReply());
        QCOMPARE(lost->count(), 0);
    }
};

QTEST_MAIN(UsbLinkTest)
#include "tst_usblink.moc"
