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
    // Pins that fail from the start lose the line at the handshake's first
    // call that fails, which is named; a read fails the same way, asking nothing.
    QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.events, QStringList({"busy", "lost", "free"}));
#ifdef EXPECT_MISSING_ENTRY
    QVERIFY2(rig.failReason.endsWith(QLatin1String(" ReadPin")) && rig.trace == QStringLiteral("10101010|\n"), qPrintable(rig.failReason));
    QCOMPARE(rig.ticks(), 17 + 2); // the reply's first read
#else
    QVERIFY2(rig.failReason.endsWith(QLatin1String(" ClearPin")) && rig.trace == QStringLiteral("1"), qPrintable(rig.failReason));
    QCOMPARE(rig.ticks(), 1); // no tick after the one that failed
#endif
    QVERIFY(rig.log.endsWith(QStringLiteral(">> %1\n\n").arg(rig.failReason)));
    QVERIFY(rig.run("sendParamA3"));
    QCOMPARE(rig.failed, QVector<int>({int(LinkTransaction::Handshake), int(LinkTransaction::Read)}));
    QCOMPARE(rig.questions, 0);
}

QTEST_GUILESS_MAIN(DegradedBridgeTest)
#include "tst_degradedbridge.moc"
