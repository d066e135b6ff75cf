// Guards the USB bridge library as the program loads it: its exported entry points carry the link's start-up, handshake and first read through the emulated chip to the simulated detector.
#include <QSignalSpy>
#include <QtTest>

#include "link/config.h"
#include "link/simpleioapi.h"
#include "tests/usb/usbemucontrol.h"

class UsbLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpHandshakeAndFirstRead()
    {
        // The very library the link is about to load from beside this executable.
        void *library = nullptr;
        QString detail;
        QCOMPARE(BridgeLoader::load(&library, &detail), BridgeLoader::Result::Loaded);
        SimpleIoApi api;
        const auto resolve = [library](const char *name) { return BridgeLoader::resolve(library, name); };
        const auto reset = reinterpret_cast<UsbEmuResetFn>(resolve("UsbEmuReset"));
        const auto setDelays = reinterpret_cast<UsbEmuSetDelaysFn>(resolve("UsbEmuSetDelays"));
        const auto getBlock = reinterpret_cast<UsbEmuGetBlockFn>(resolve("UsbEmuGetBlock"));
        const auto settings = reinterpret_cast<BridgeSettingsFn>(resolve(SIMPLEIO_SETTINGS_SYMBOL));
        const auto status = reinterpret_cast<BridgeStatusFn>(resolve(SIMPLEIO_STATUS_SYMBOL));
        QVERIFY(resolveSimpleIo(library, &api).isEmpty() && reset && setDelays && getBlock && settings && status);
        reset();
        // Short delays, but a READ_ALL waits for its reply and CONFIGURE resets the chip for longer than the
        // driver first waits, as a slow chip might.
        setDelays(200, 500, 30000);

        DeviceConfig block{};
        config link(nullptr, &block);
        QSignalSpy lost(&link, &config::signal_disconnect);
        QSignalSpy read(&link, &config::signal_getConfig);
        // The factory-fresh chip now keeps the link's directions and idle levels, and its 9600 Bd: the
        // start-up's 6 MBd is beyond its UART, which the bridge says.
        unsigned char stored[6] = {};
        QVERIFY(settings(stored));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(stored), 6).toHex(' '), QByteArray("f0 00 0c 00 04 e1"));
        const char *said = status();
        QVERIFY2(said && QByteArray(said).contains("6000000"), "the refused rate went unsaid");
        // The first read follows the first good handshake.
        QVERIFY(read.wait(15000));
        unsigned char detector[5] = {};
        getBlock(detector);
        QCOMPARE(QByteArray(link.configReply, 6), "\x53" + QByteArray(reinterpret_cast<const char *>(detector), 5));
        QCOMPARE(lost.count(), 0);
        // The console's lowest rates are below the UART's 300 Bd.
        QVERIFY(!api.fnSetBaudRate(100) && api.fnSetBaudRate(9600));
    }
};

QTEST_MAIN(UsbLinkTest)
#include "tst_usblink.moc"
