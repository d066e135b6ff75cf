// The link survives a bridge library that is missing, lacks an entry point or is no library: the calls it cannot make fail, and it says why.
#include <QtTest>

#include "tests/link/linkfixture.h"

class DegradedBridgeTest : public QObject
{
    Q_OBJECT

private slots:
    void startsReportsWhyAndFailsCleanly();
};

void DegradedBridgeTest::startsReportsWhyAndFailsCleanly()
{
    LinkRig rig;
    rig.start();
#ifdef EXPECT_MISSING_ENTRY
    QVERIFY(rig.log.startsWith(QStringLiteral(">> DLL has been loaded\n\n"
                                              ">> Entry point ReadPin was not found in the DLL\n\n"
                                              ">> The MCP2200 was successfully initialized.\n\n"
                                              ">> The device is CONNECTED\n\n")));
#elif defined(EXPECT_LOAD_FAILURE)
    QVERIFY(rig.log.startsWith(QStringLiteral(">> Loading of the DLL failed\n\n>> ")));
    QVERIFY(rig.log.contains(QStringLiteral(">> The device is DISCONNECTED\n\n")));
    QVERIFY(!rig.link->bridgeLoaded());
#else
    QCOMPARE(rig.log, QStringLiteral(">> There was an error finding the specified DLL.\n\n"
                                     ">> The device is DISCONNECTED\n\n"
                                     ">> Invalid command MCP2200\n\n"
                                     ">> Invalid command IO\n\n"
                                     ">> ERROR setting PINS\n\n"));
#endif
    // With no way to read DATA_IN the reply reads as zeros: a disconnect, and
    // a read that fails and asks.
    QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.events, QStringList({"busy", "free", "lost"}));
    QVERIFY(rig.trace.endsWith(QStringLiteral("10101010|\n00000000||\n")));
    rig.reset();
    QVERIFY(rig.run("sendParamA3"));
    QCOMPARE(rig.questions, 1);
}

QTEST_GUILESS_MAIN(DegradedBridgeTest)
#include "tst_degradedbridge.moc"
