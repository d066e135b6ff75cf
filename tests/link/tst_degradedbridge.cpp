// The link must survive a bridge library that is missing, or that lacks one of
// its entry points: the calls it cannot make report failure, and it says why.
#include <QtTest>

#include "tests/link/linkfixture.h"

class DegradedBridgeTest : public QObject
{
    Q_OBJECT

private slots:
    void startsAndReportsWhy();
    void handshakeFailsCleanly();

private:
    LinkRig rig;
    void startLink() { rig.start(false); }
};

void DegradedBridgeTest::startsAndReportsWhy()
{
    startLink();
#ifdef EXPECT_MISSING_ENTRY
    QVERIFY(rig.log().startsWith(QStringLiteral(">> DLL has been loaded\n\n\n"
                                                ">> Entry point ReadPin was not found in the DLL\n\n\n"
                                                ">> The MCP2200 was successfully initialized.\n\n\n"
                                                ">> The device is CONNECTED\n\n")));
#elif defined(EXPECT_LOAD_FAILURE)
    QVERIFY(rig.log().startsWith(QStringLiteral(">> Loading of the DLL failed\n\n\n>> ")));
    QVERIFY(rig.log().contains(QStringLiteral(">> The device is DISCONNECTED\n\n")));
#else
    QCOMPARE(rig.log(), QStringLiteral(">> There was an error finding the specified DLL.\n\n\n"
                                       ">> The device is DISCONNECTED\n\n\n"
                                       ">> Invalid command MCP2200\n\n\n"
                                       ">> Invalid command IO\n\n\n"
                                       ">> ERROR setting PINS\n\n\n"
                                       ">> ERROR setting PINS\n\n"));
#endif
}

void DegradedBridgeTest::handshakeFailsCleanly()
{
    startLink();
    // With no way to read DATA_IN the reply reads as zeros: a disconnect.
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.watch->events, QStringList({"busy", "free", "lost"}));
    QVERIFY(rig.trace().endsWith(QStringLiteral("10101010|\n00000000||\n")));

    testsupport::ModalAnswerer answerer({"Отмена"});
    QMetaObject::invokeMethod(rig.link.get(), "sendParamA3");
    QVERIFY(rig.waitFree(2));
    QCOMPARE(answerer.seen().size(), 1);
}

QTEST_MAIN(DegradedBridgeTest)
#include "tst_degradedbridge.moc"
