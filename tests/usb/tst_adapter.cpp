// The program's link on a real MCP2200 adapter with a detector attached, for
// the bench: it runs only when ZORVEL_TEST_ADAPTER is set, and skips elsewhere.
#include <QSignalSpy>
#include <QtTest>

#include "link/config.h"

class AdapterTest : public QObject
{
    Q_OBJECT

private slots:
    void handshakeAndRead()
    {
        if (qEnvironmentVariableIsEmpty("ZORVEL_TEST_ADAPTER"))
            QSKIP("set ZORVEL_TEST_ADAPTER=1 with an adapter and a detector plugged in");
        DeviceConfig block{0, 0, 0, 5, 0x0E, 0};
        config link(nullptr, &block); // loads the USB bridge library beside this test
        QSignalSpy connected(&link, &config::signal_handshake_ok);
        QSignalSpy delivered(&link, &config::signal_getConfig);
        QVERIFY2(connected.wait(3000), "the detector did not answer the handshake");
        QVERIFY2(delivered.wait(5000), "the parameter read did not deliver a good reply");
        QCOMPARE(link.configReply[0], char(0x53));
    }
};

QTEST_MAIN(AdapterTest)
#include "tst_adapter.moc"
