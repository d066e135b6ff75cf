// Guards the USB bridge on a real MCP2200 with a detector attached, and times it for the bench; skipped unless ZORVEL_TEST_ADAPTER is set.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/config.h"
#include "link/simpleioapi.h"
#include "tests/support/testsupport.h"

namespace {

// "median / 99th percentile" of the times one pin call took, in ms.
QByteArray spread(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](std::size_t percent) { return QByteArray::number(ms[ms.size() * percent / 100], 'f', 2); };
    return at(50) + " / " + at(99);
}

} // namespace

class AdapterTest : public QObject
{
    Q_OBJECT

private slots:
    void handshakeReadWriteAndPinCalls()
    {
        if (qEnvironmentVariableIsEmpty("ZORVEL_TEST_ADAPTER"))
            QSKIP("set ZORVEL_TEST_ADAPTER=1 with an adapter and a detector plugged in");
        // The very library the link is about to load from beside this test.
        void *library = nullptr;
        QString detail;
        QCOMPARE(BridgeLoader::load(&library, &detail), BridgeLoader::Result::Loaded);
        SimpleIoApi api;
        const auto resolve = [library](const char *name) { return BridgeLoader::resolve(library, name); };
        const auto settings = reinterpret_cast<BridgeSettingsFn>(resolve(SIMPLEIO_SETTINGS_SYMBOL));
        const auto status = reinterpret_cast<BridgeStatusFn>(resolve(SIMPLEIO_STATUS_SYMBOL));
        QVERIFY(resolveSimpleIo(library, &api).isEmpty() && settings && status);
        // Bytes 4..9 the adapter keeps, and what the bridge has to say.
        const auto report = [&](const char *when) {
            unsigned char bytes[6] = {};
            const QByteArray kept = settings(bytes) ? QByteArray(reinterpret_cast<char *>(bytes), 6).toHex(' ') : "-";
            const char *said = status();
            std::printf("settings %s: %s %s\n", when, kept.data(), said ? said : "");
        };
        api.InitMCP2200(SIMPLEIO_VID, SIMPLEIO_PID);
        report("before");

        // The link configures the adapter, shakes hands after 500 ms and then reads the parameters.
        DeviceConfig block{};
        config link(nullptr, &block);
        QSignalSpy busy(&link, &config::setButton);
        QSignalSpy shaken(&link, &config::signal_handshake_ok);
        QSignalSpy delivered(&link, &config::signal_getConfig);
        QVERIFY2(busy.wait(3000) && !busy.first().first().toBool(), "no handshake started");
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(shaken.wait(3000), "the detector did not answer the handshake");
        const qint64 handshakeMs = clock.restart();
        QVERIFY2(delivered.wait(5000), "the parameter read did not deliver a good reply");
        const qint64 readMs = clock.restart();
        QCOMPARE(link.configReply[0], char(0x53));
        // Write back what was read (frame order flag, angle, range_1..3), so the detector keeps its settings.
        block = DeviceConfig{link.configReply[3], link.configReply[4], link.configReply[5], link.configReply[2],
                             link.configReply[1], 0};
        testsupport::ModalAnswerer answerer({"OK"});
        clock.restart();
        QVERIFY(QMetaObject::invokeMethod(&link, "sendParamA6"));
        QVERIFY2(testsupport::waitUntil([&] { return !answerer.seen().isEmpty(); }, 15000), "the write did not end");
        const qint64 writeMs = clock.elapsed();
        QCOMPARE(answerer.seen().first().text, QStringLiteral("Конфигурация записана успешно"));

        // The line idles high: setting CLOCK again and reading DATA_IN change nothing on it.
        std::vector<double> setMs, readPinMs;
        unsigned level = 0;
        for (int i = 0; i < 200; ++i) {
            clock.restart();
            QVERIFY(api.SetPin(2));
            setMs.push_back(double(clock.nsecsElapsed()) / 1e6);
            clock.restart();
            QVERIFY(api.ReadPin(4, &level));
            readPinMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        std::printf("handshake %lld ms, read %lld ms, write %lld ms\n", handshakeMs, readMs, writeMs);
        std::printf("SetPin median / p99: %s ms\nReadPin median / p99: %s ms\n", spread(setMs).data(),
                    spread(readPinMs).data());
        report("after");
    }
};

QTEST_MAIN(AdapterTest)
#include "tst_adapter.moc"
