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

namespace {

QByteArray bytes(const unsigned char *data, int size)
{
    return QByteArray(reinterpret_cast<const char *>(data), size);
}

} // namespace

class UsbLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startUpConfiguresOnce();
    void handshakeAndFirstRead();
    void writeIsReadBack();

private:
    QByteArray detectorBlock() const;

    UsbEmuResetFn reset = nullptr;
    UsbEmuSetDelaysFn setDelays = nullptr;
    UsbEmuGetBlockFn getBlock = nullptr;
    UsbEmuSetBlockFn setBlock = nullptr;
    UsbEmuGetConfigFn getConfig = nullptr;
    UsbEmuLatchesFn latches = nullptr;
    UsbEmuReportCountsFn reportCounts = nullptr;

    DeviceConfig block{};
    std::unique_ptr<config> link;
    std::unique_ptr<QSignalSpy> handshakeOk;
    std::unique_ptr<QSignalSpy> disconnected;
    std::unique_ptr<QSignalSpy> gotConfig;
};

void UsbLinkTest::initTestCase()
{
    // The very library the link is about to load from beside this executable.
    void *handle = nullptr;
    QString detail;
    QCOMPARE(BridgeLoader::load(&handle, &detail), BridgeLoader::Result::Loaded);
    auto take = [handle](auto &fn, const char *name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(BridgeLoader::resolve(handle, name));
        return fn != nullptr;
    };
    QVERIFY2(take(reset, "UsbEmuReset") && take(setDelays, "UsbEmuSetDelays") && take(getBlock, "UsbEmuGetBlock")
                 && take(setBlock, "UsbEmuSetBlock") && take(getConfig, "UsbEmuGetConfig")
                 && take(latches, "UsbEmuLatches") && take(reportCounts, "UsbEmuReportCounts"),
             "not the emulated USB bridge beside the test");

    reset();
    // Short delays, but a READ_ALL still waits for its reply as on a real bus.
    setDelays(200, 500);
    const unsigned char stored[5] = {0x01, 25, 3, 7, 12};
    setBlock(stored);

    link = std::make_unique<config>(nullptr, &block);
    handshakeOk = std::make_unique<QSignalSpy>(link.get(), &config::signal_handshake_ok);
    disconnected = std::make_unique<QSignalSpy>(link.get(), &config::signal_disconnect);
    gotConfig = std::make_unique<QSignalSpy>(link.get(), &config::signal_getConfig);
}

QByteArray UsbLinkTest::detectorBlock() const
{
    unsigned char out[5] = {};
    getBlock(out);
    return bytes(out, 5);
}

void UsbLinkTest::startUpConfiguresOnce()
{
    // A factory-fresh chip holds all inputs at 9600 Bd: ConfigureMCP2200 with
    // 0xF0 and 6 MBd (divisor 1) rewrites it once; ConfigureIO with the same
    // mask finds nothing to change.
    unsigned char stored[6] = {};
    getConfig(stored);
    QCOMPARE(bytes(stored, 6).toHex(' '), QByteArray("f0 00 00 00 00 01"));
    unsigned long counts[3] = {};
    reportCounts(counts);
    QCOMPARE(counts[1], 1ul);
    // The line idles with CLOCK (GP2) and DATA_OUT (GP3) high.
    QCOMPARE(latches() & 0x0C, 0x0C);
}

void UsbLinkTest::handshakeAndFirstRead()
{
    QVERIFY(handshakeOk->wait(5000));
    QCOMPARE(disconnected->count(), 0);
    QVERIFY(gotConfig->count() > 0 || gotConfig->wait(10000));
    QCOMPARE(bytes(reinterpret_cast<const unsigned char *>(link->configReply), 6),
             QByteArray("\x53") + detectorBlock());
}

void UsbLinkTest::writeIsReadBack()
{
    block.range_1 = 4;
    block.range_2 = 9;
    block.range_3 = 15;
    block.angle = 35;
    block.flag = 0x09;
    block.spare = 0x5A;
    testsupport::ModalAnswerer answerer({"OK"});
    QVERIFY(QMetaObject::invokeMethod(link.get(), "sendParamA6"));
    QVERIFY(testsupport::waitUntil([&] { return !answerer.seen().isEmpty(); }, 15000));

    QCOMPARE(answerer.seen().first().text, QStringLiteral("Конфигурация записана успешно"));
    const QByteArray written("\x09\x23\x04\x09\x0f", 5);
    QCOMPARE(detectorBlock(), written);
    QCOMPARE(bytes(reinterpret_cast<const unsigned char *>(link->configReply), 6), QByteArray("\x53") + written);
    QCOMPARE(disconnected->count(), 0);
}

QTEST_MAIN(UsbLinkTest)
#include "tst_usblink.moc"
