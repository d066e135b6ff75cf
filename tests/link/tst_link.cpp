// The link against the simulated detector, loaded the way the program loads it.
#include <QElapsedTimer>
#include <QtTest>

#include "tests/link/linkfixture.h"

using testsupport::ModalAnswerer;
using testsupport::waitUntil;

namespace {
const QString ReadQuestion = QStringLiteral("Ошибка чтения конфигурации \n Повторить?");
// Flag 0x02 (class 1 off), 30°, ranges 5, 10, 15.
const unsigned char Block[5] = {0x02, 30, 5, 10, 15};
const QString BlockDigits = QStringLiteral("00000010|00011110|00000101|00001010|00001111|");
} // namespace

class LinkTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(sim.load()); }
    void init() { rig = LinkRig(); }
    void cleanup() { rig.link.reset(); }

    void startupLogLines();
    void firstHandshakeReadsAtOnce();
    void handshakeJudgement_data();
    void handshakeJudgement();
    void readRetry_data();
    void readRetry();
    void eleventhHandshakeClearsPanes();
    void directionMask_data();
    void directionMask();
    void bridgeCallsAreLogged_data();
    void bridgeCallsAreLogged();
    void consoleRead();
    void consoleRawFrame();
    void supervisionWaitsForConsole();
    void handBoxStopLeavesLineIdle();

private:
    testsupport::Simulator sim;
    LinkRig rig;
};

void LinkTest::startupLogLines()
{
    rig.start(sim, false);
    const QString expected = QStringLiteral(">> DLL has been loaded\n\n\n"
                                            ">> The MCP2200 was successfully initialized.\n\n\n"
                                            ">> The device is CONNECTED\n\n\n"
                                            ">> success configure MCP\n\n"
                                            ">> success configure IO11110000\n\n\n"
                                            ">> success setting PINS\n\n\n"
                                            ">> success setting PINS\n\n");
    QCOMPARE(rig.log(), expected);
    QCOMPARE(rig.widget<QLineEdit>("setLine")->text(), QStringLiteral("11110000"));
    QVERIFY(!rig.widget<QLineEdit>("setLine")->isEnabled());
    QVERIFY(rig.widget<QCheckBox>("setCheck")->isChecked());
    QVERIFY(!rig.widget<QCheckBox>("hand")->isVisibleTo(rig.link.get()));
    QVERIFY(!rig.widget<QPushButton>("send")->isEnabled());
    QCOMPARE(rig.widget<QComboBox>("comboBox")->currentText(), QStringLiteral("300"));
}

void LinkTest::firstHandshakeReadsAtOnce()
{
    sim.reset();
    rig.start(sim);
    sim.setBlock(Block);

    QElapsedTimer sinceOk;
    qint64 okToFirstReplyBit = -1;
    QObject::connect(rig.link.get(), &config::signal_handshake_ok, [&] { sinceOk.start(); });
    QObject::connect(rig.link.get(), &config::action, [&](int, int step, int cgi) {
        if (okToFirstReplyBit < 0 && cgi == 0 && step == 7)
            okToFirstReplyBit = sinceOk.elapsed();
    });

    QVERIFY(rig.waitFree());
    QCOMPARE(rig.watch->events,
             QStringList({"busy", "ok", "busy", "busy", "config", "free"}));
    // 17 ticks of the request and a 4 ms settle: nowhere near a 500 ms pause.
    QVERIFY2(okToFirstReplyBit >= 0 && okToFirstReplyBit < 300, qPrintable(QString::number(okToFirstReplyBit)));
    QCOMPARE(rig.watch->replies.value(0), QByteArray("\x53\x02\x1e\x05\x0a\x0f", 6));
    QCOMPARE(QByteArray(rig.link->configReply, 6), QByteArray("\x53\x02\x1e\x05\x0a\x0f", 6));

    const QString expected = QStringLiteral("10101010|\n") + QStringLiteral("01010101||\n")
        + QStringLiteral("10100011|\n") + QStringLiteral("01010011|") + BlockDigits + QStringLiteral("|\n");
    QCOMPARE(rig.trace(), expected);
    // A handshake is 17 + 16 ticks, a read 17 + 96.
    QCOMPARE(rig.ticks(), 33 + 113);
    QVERIFY(rig.log().endsWith(QStringLiteral("Config get OK\n")));
    // The reception reports every tick: 96 ticks of bytes 0..5, then the close.
    QCOMPARE(rig.watch->actions.size(), 96 + 1);
    QCOMPARE(rig.watch->actions.first(), (QVector<int>{5, 7, 0}));
    QCOMPARE(rig.watch->actions.last(), (QVector<int>{0, 0, 33}));
}

void LinkTest::handshakeJudgement_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("reply");
    QTest::addColumn<QStringList>("events");
    const QStringList good{"busy", "ok", "free"};
    const QStringList lost{"busy", "free", "lost"};
    QTest::newRow("good") << 0 << 0x55 << good;
    QTest::newRow("silent") << 1 << 0x55 << lost;
    QTest::newRow("stuck low") << 2 << 0x55 << lost;
    QTest::newRow("0x54") << 0 << 0x54 << lost;
    QTest::newRow("0xD5") << 0 << 0xD5 << lost;
}

void LinkTest::handshakeJudgement()
{
    QFETCH(int, fault);
    QFETCH(int, reply);
    QFETCH(QStringList, events);

    rig.start(sim, false);
    QVERIFY(rig.waitFree());
    sim.setSilent(fault == 1);
    sim.setDataInStuckLow(fault == 2);
    sim.setHandshakeReply(static_cast<unsigned char>(reply));
    rig.resetWatch();

    rig.invoke("sendParamAA");
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.watch->events, events);
    QCOMPARE(rig.ticks(), 33);
    const QString received = fault == 1 ? QStringLiteral("11111111") : fault == 2 ? QStringLiteral("00000000") : digits(reply);
    QVERIFY(rig.trace().endsWith(QStringLiteral("10101010|\n") + received + QStringLiteral("||\n")));
}

void LinkTest::readRetry_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QStringList>("events");
    // A silent line asks after every read; each "Да" sends the request again.
    QTest::newRow("silent: Да, Да, Отмена")
        << true << QStringList{"Да", "Да", "Отмена"} << 3 << 3 << QStringList{"busy", "busy", "busy", "free"};
    // One flipped status bit fails the first read only; the retry delivers.
    QTest::newRow("flipped status: Да") << false << QStringList{"Да"} << 1 << 2
                                        << QStringList{"busy", "busy", "config", "free"};
}

void LinkTest::readRetry()
{
    QFETCH(bool, silent);
    QFETCH(QStringList, answers);
    QFETCH(int, questions);
    QFETCH(int, requests);
    QFETCH(QStringList, events);

    rig.start(sim, false);
    QVERIFY(rig.waitFree());
    sim.setSilent(silent);
    if (!silent)
        sim.flipNextReplyBit(0);
    rig.resetWatch();
    const int framesBefore = sim.frameCount();

    ModalAnswerer answerer(answers);
    rig.invoke("sendParamA3");
    QVERIFY(rig.waitFree(1, 15000));

    QCOMPARE(answerer.seen().size(), questions);
    for (const auto &box : answerer.seen()) {
        QCOMPARE(box.title, QStringLiteral("Конфигурация"));
        QCOMPARE(box.text, ReadQuestion);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QStringList buttons = box.buttons; // the box lays them out by role
        buttons.sort();
        QCOMPARE(buttons, QStringList({"Да", "Отмена"}));
    }
    const auto frames = sim.frames().mid(framesBefore);
    QCOMPARE(frames.size(), requests);
    for (const QByteArray &frame : frames)
        QCOMPARE(frame, QByteArray("\xA3", 1));
    QCOMPARE(rig.watch->events, events);
    QCOMPARE(rig.watch->actions.last(), (QVector<int>{0, 0, 33}));
    QCOMPARE(rig.log().count(QStringLiteral("Error config get\n")), questions);
}

void LinkTest::eleventhHandshakeClearsPanes()
{
    rig.start(sim, false);
    QVERIFY(rig.waitFree());
    for (int i = 2; i <= 11; ++i) {
        QVERIFY2(!rig.trace().isEmpty(), qPrintable(QStringLiteral("cleared early, before handshake %1").arg(i)));
        rig.invoke("sendParamAA");
        QVERIFY(rig.waitFree(i));
    }
    // Cleared just after the eleventh transmit trace: only its reply is left.
    QCOMPARE(rig.trace(), QStringLiteral("01010101||\n"));
    QCOMPARE(rig.log(), QStringLiteral(">> success setting PINS\n\n"));
    rig.invoke("sendParamAA");
    QVERIFY(rig.waitFree(12));
    QCOMPARE(rig.trace(), QStringLiteral("01010101||\n10101010|\n01010101||\n"));
}

void LinkTest::directionMask_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("logged"); // empty: nothing reaches the bridge
    QTest::newRow("default") << "11110000" << "11110000" << ">> success configure IO11110000\n\n";
    QTest::newRow("leading zeros") << "00001111" << "1111" << ">> success configure IO1111\n\n";
    QTest::newRow("511 clamps") << "111111111" << "11111111" << ">> success configure IO11111111\n\n";
    QTest::newRow("-1 clamps") << "-1" << "11111111" << ">> success configure IO11111111\n\n";
    QTest::newRow("empty") << "" << "ERROR!" << "";
    QTest::newRow("a two") << "1021" << "ERROR!" << "";
}

void LinkTest::directionMask()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, logged);

    rig.start(sim, false);
    auto *check = rig.widget<QCheckBox>("setCheck");
    auto *line = rig.widget<QLineEdit>("setLine");
    check->click(); // "default" off: the field opens, its text stays
    QVERIFY(line->isEnabled());
    QCOMPARE(line->text(), QStringLiteral("11110000"));
    rig.widget<QTextEdit>("textEdit")->clear();

    line->setText(typed);
    rig.widget<QPushButton>("set")->click();
    QCOMPARE(line->text(), shown);
    if (logged.isEmpty()) {
        QCOMPARE(rig.log(), QString());
    } else {
        QCOMPARE(rig.log(), QStringLiteral(">> success configure MCP\n\n") + logged
                     + QStringLiteral("\n>> success setting PINS\n\n"));
    }
    check->click();
    QCOMPARE(line->text(), QStringLiteral("11110000"));
    QVERIFY(!line->isEnabled());
}

void LinkTest::bridgeCallsAreLogged_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("failing"); // the entry point made to fail, if any
    QTest::addColumn<QString>("logged");
    QTest::newRow("ConfigureMCP2200 fails") << "set" << "ConfigureMCP2200"
                                            << ">> Invalid command MCP2200\n\n\n>> success configure IO11110000\n\n\n"
                                               ">> success setting PINS\n\n";
    QTest::newRow("ConfigureIO fails") << "set" << "ConfigureIO"
                                       << ">> success configure MCP\n\n>> Invalid command IO\n\n\n"
                                          ">> success setting PINS\n\n";
    QTest::newRow("SetPin fails") << "set" << "SetPin"
                                  << ">> success configure MCP\n\n>> success configure IO11110000\n\n\n"
                                     ">> ERROR setting PINS\n\n";
    QTest::newRow("baud 9600") << "set_B" << "" << ">> Baud rate set9600\n\n";
    QTest::newRow("baud fails") << "set_B" << "fnSetBaudRate" << ">> Error setting baud rate\n\n";
}

void LinkTest::bridgeCallsAreLogged()
{
    QFETCH(QString, button);
    QFETCH(QString, failing);
    QFETCH(QString, logged);

    rig.start(sim, false);
    rig.widget<QComboBox>("comboBox")->setCurrentText(QStringLiteral("9600"));
    rig.widget<QTextEdit>("textEdit")->clear();
    sim.failEntryPoint(failing.toLatin1().constData(), true);
    rig.link->findChild<QPushButton *>(button)->click();
    sim.failEntryPoint(failing.toLatin1().constData(), false);
    QCOMPARE(rig.log(), logged);
}

void LinkTest::consoleRead()
{
    rig.start(sim, false);
    QVERIFY(rig.waitFree());
    QVERIFY(rig.widget<QPushButton>("read")->isEnabled());
    rig.resetWatch();

    // Without a request the detector just listens: the line reads idle-high bytes.
    ModalAnswerer answerer({"Отмена"});
    rig.widget<QPushButton>("read")->click();
    QVERIFY(!rig.widget<QPushButton>("read")->isEnabled());
    QVERIFY(rig.waitFree());
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(rig.watch->events, QStringList({"busy", "free"}));
    QCOMPARE(rig.ticks(), 96);
    QVERIFY(rig.trace().endsWith(QString(QStringLiteral("11111111|")).repeated(6) + QStringLiteral("|\n")));

    // The reception's timer is stopped: no further ticks arrive.
    testsupport::serveEvents(50);
    QCOMPARE(rig.ticks(), 96);
    QVERIFY(rig.widget<QPushButton>("read")->isEnabled());
}

void LinkTest::consoleRawFrame()
{
    rig.start(sim, false);
    QVERIFY(rig.waitFree());
    sim.setBlock(Block);
    rig.resetWatch();

    // The default raw frame is two idle bytes and the read request.
    auto *raw = rig.link->findChild<QLineEdit *>(QStringLiteral("rawFrame"));
    QVERIFY(raw);
    QCOMPARE(raw->text(), QStringLiteral("FF FF A3"));
    rig.widget<QPushButton>("send")->click();
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.watch->events, QStringList({"busy", "config", "free"}));
    QCOMPARE(rig.watch->replies.value(0), QByteArray("\x53\x02\x1e\x05\x0a\x0f", 6));
    QVERIFY(rig.trace().contains(QStringLiteral("11111111|11111111|10100011|\n\n--------------\n")));
    QCOMPARE(rig.ticks(), 47 + 96);
    QCOMPARE(sim.frames().last(), QByteArray("\xA3", 1));

    // A frame that is not three hex bytes is refused where it was typed.
    raw->setText(QStringLiteral("A3 00"));
    rig.widget<QPushButton>("send")->click();
    QCOMPARE(raw->text(), QStringLiteral("ERROR!"));
    QCOMPARE(rig.watch->events.size(), 3);
}

void LinkTest::supervisionWaitsForConsole()
{
    rig.start(sim, false);
    QVERIFY(rig.waitFree());
    rig.widget<QTextEdit>("sendText")->clear();
    rig.resetWatch();

    ModalAnswerer answerer({"Отмена"});
    rig.widget<QPushButton>("read")->click();
    // The supervision timer fires while the console holds the line.
    rig.invoke("sendParamAA");
    QVERIFY(rig.waitFree(2));
    QCOMPARE(rig.watch->events, QStringList({"busy", "free", "busy", "ok", "free"}));
    QCOMPARE(rig.trace(), QString(QStringLiteral("11111111|")).repeated(6)
                              + QStringLiteral("|\n10101010|\n01010101||\n"));
}

void LinkTest::handBoxStopLeavesLineIdle()
{
    rig.start(sim, false);
    QVERIFY(rig.waitFree());
    rig.resetWatch();
    auto *hand = rig.widget<QCheckBox>("hand");
    hand->setChecked(true);
    rig.invoke("sendHand");
    // Transmit ticks disable a ticked box; the reply's ticks enable it again.
    QVERIFY(waitUntil([&] { return !hand->isEnabled(); }, 2000));
    QVERIFY(waitUntil([&] { return hand->isEnabled(); }, 2000));

    hand->setChecked(false);
    rig.invoke("sendHand");
    QCOMPARE(rig.watch->events, QStringList({"busy", "free"}));
    QVERIFY(rig.log().endsWith(QStringLiteral(">> success setting PINS\n\n")));
    const int ticks = rig.ticks();
    testsupport::serveEvents(40);
    QCOMPARE(rig.ticks(), ticks);
    bool supervised = false;
    for (QTimer *timer : rig.link->findChildren<QTimer *>())
        supervised = supervised || (timer->interval() == 10000 && timer->isActive());
    QVERIFY(supervised);

    // The detector gives up the reply it was clocking out, and the line is usable again.
    testsupport::serveEvents(500);
    rig.invoke("sendParamAA");
    QVERIFY(rig.waitFree(2));
    QCOMPARE(rig.watch->events.mid(2), QStringList({"busy", "ok", "free"}));
}

QTEST_MAIN(LinkTest)
#include "tst_link.moc"
