// The link without a window on the simulated detector: bits, ticks, pauses, each transaction's signals, retries, supervision, late ticks.
#include <QElapsedTimer>
#include <QtTest>

#include <thread>

#include "trace/linetrace.h"
#include "tests/link/linkfixture.h"

using testsupport::waitUntil;

namespace {
// Flag 0x02 (class 1 off), 30°, ranges 5, 10, 15.
const unsigned char Block[5] = {0x02, 30, 5, 10, 15};
const QString BlockDigits = QStringLiteral("00000010|00011110|00000101|00001010|00001111|");
} // namespace

class DetectorLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(sim.load()); }
    void init()
    {
        sim.reset();
        rig.start();
    }
    void cleanup() { rig.link.reset(); }

    void firstHandshakeReadsAtOnce();
    void exchanges_data();
    void exchanges();
    void writeFramesTicksAndProgress();
    void blockChangedOnTheLine();
    void unconfirmedWriteWaitsForTheNextGoodRead();
    void dateFrames();
    void consoleTransfers();
    void eleventhHandshakeClearsPanes();
    void supervisionTimersArePrecise();
    void lateTickNeverShortensAClockPhase();
    void handBoxStopsOnlyTheRequest();
    void supervisionWaitsForConsole();

private:
    QVector<QByteArray> newFrames(int before) const { return sim.frames().mid(before); }
    testsupport::Simulator sim;
    LinkRig rig;
};

void DetectorLinkTest::firstHandshakeReadsAtOnce()
{
    rig.start(true);
    sim.setBlock(Block);
    QElapsedTimer sinceOk;
    qint64 toFirstReplyBit = -1;
    connect(rig.link.get(), &DetectorLink::signal_handshake_ok, this, [&] { sinceOk.start(); });
    connect(rig.link.get(), &DetectorLink::action, this,
            [&] { toFirstReplyBit = toFirstReplyBit < 0 ? sinceOk.elapsed() : toFirstReplyBit; });
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.events, QStringList({"busy", "ok", "busy", "busy", "config", "free"}));
    // 17 ticks of the request and a 4 ms settle: no 500 ms pause before it.
    QVERIFY2(toFirstReplyBit >= 0 && toFirstReplyBit < 300, qPrintable(QString::number(toFirstReplyBit)));
    QCOMPARE(QByteArray(rig.link->configReply, 6), QByteArray("\x53\x02\x1e\x05\x0a\x0f", 6));
    QCOMPARE(rig.trace, QStringLiteral("10101010|\n01010101||\n10100011|\n01010011|") + BlockDigits
                            + QStringLiteral("|\n"));
    // A handshake is 17 + 16 ticks, a read 17 + 96.
    QCOMPARE(rig.ticks(), 33 + 113);
    QVERIFY(rig.log.endsWith(QStringLiteral("Config get OK\n")));
    // Only the first: the next handshake reads nothing.
    QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.events.mid(6), QStringList({"busy", "ok", "free"}));
}

void DetectorLinkTest::exchanges_data()
{
    QTest::addColumn<QByteArray>("command"); // AA: a handshake; A3: a read
    QTest::addColumn<int>("reply");          // the detector's to a handshake
    QTest::addColumn<QString>("fault");      // a silent line, or the next reply's first bit flipped
    QTest::addColumn<QStringList>("answers"); // to the retry question
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("trace"); // how it begins
    const QStringList lost{"busy", "free", "lost"};
    QTest::newRow("handshake") << QByteArray("AA") << 0x55 << "" << QStringList() << QStringList{"busy", "ok", "free"}
                               << "10101010|\n01010101||\n";
    // A line that reads zeros is the degraded bridges' test.
    QTest::newRow("handshake, silent") << QByteArray("AA") << 0x55 << "silent" << QStringList() << lost << "10101010|\n11111111||\n";
    QTest::newRow("handshake, 0x54") << QByteArray("AA") << 0x54 << "" << QStringList() << lost << "10101010|\n01010100||\n";
    QTest::newRow("handshake, 0xD5") << QByteArray("AA") << 0xD5 << "" << QStringList() << lost << "10101010|\n11010101||\n";
    // A silent line asks after every read; each "yes" sends the request again.
    QTest::newRow("read, silent: yes, yes, no") << QByteArray("A3") << 0x55 << "silent" << QStringList{"yes", "yes", "no"}
                                                << QStringList{"busy", "busy", "busy", "free"} << "10100011|\n11111111|";
    // One flipped status bit fails the first read only; the retry delivers.
    QTest::newRow("read, flipped status: yes") << QByteArray("A3") << 0x55 << "flip" << QStringList{"yes"}
                                               << QStringList{"busy", "busy", "config", "free"} << "10100011|\n11010011|";
    QTest::newRow("read, flipped status: no") << QByteArray("A3") << 0x55 << "flip" << QStringList{"no"}
                                              << QStringList{"busy", "free"} << "10100011|\n11010011|";
}

void DetectorLinkTest::exchanges()
{
    QFETCH(QByteArray, command);
    QFETCH(int, reply);
    QFETCH(QString, fault);
    QFETCH(QStringList, answers);
    QFETCH(QString, trace);
    sim.setHandshakeReply(static_cast<unsigned char>(reply));
    sim.setSilent(fault == QLatin1String("silent"));
    if (fault == QLatin1String("flip"))
        sim.flipNextReplyBit(0);
    rig.answers = answers;
    const int before = sim.frameCount();
    QVERIFY(rig.run("sendParam" + command, 15000));
    QTEST(rig.events, "events");
    QVERIFY2(rig.trace.startsWith(trace), qPrintable(rig.trace));
    // Each request is one frame of 17 ticks; a handshake's reply takes 16, a read's 96.
    const bool read = command == "A3";
    const int requests = 1 + int(answers.count(QStringLiteral("yes")));
    QCOMPARE(newFrames(before), QVector<QByteArray>(requests, QByteArray::fromHex(command)));
    QCOMPARE(rig.ticks(), requests * (read ? 113 : 33));
    QCOMPARE(rig.questions, answers.size());
    QCOMPARE(rig.log.count(QStringLiteral("Error config get\n")), answers.size());
    // A read closes its progress display, whatever its outcome.
    QCOMPARE(rig.actions.value(rig.actions.size() - 1), read ? QVector<int>({0, 0, 33}) : QVector<int>());
}

void DetectorLinkTest::writeFramesTicksAndProgress()
{
    // Bytes with the top bit set travel and compare as their 8-bit patterns;
    // spare never travels, so it cannot spoil the comparison.
    rig.block = DeviceConfig{char(0x81), 3, char(0xFF), char(0xC8), 0x01, 0x55};
    const int before = sim.frameCount();
    LineTrace line(4096);
    rig.link->setTrace(&line);
    QVERIFY(rig.run("sendParamA6"));
    // A settle after each request, half a second before the read-back, a pause after each reply byte.
    QString waits;
    for (int i = 0; i < line.size(); ++i)
        waits += line.at(i).kind() == LineEvent::Kind::Wait ? QString::number(line.at(i).waitMs()) + ' ' : QString();
    QCOMPARE(waits, QStringLiteral("4 4 500 4 160 160 160 160 160 160 "));
    QCOMPARE(rig.events, QStringList({"busy", "busy", "config", "written", "free"}));
    QCOMPARE(sim.block(), bytes({0x01, 0xC8, 0x81, 3, 0xFF}));
    const QString written = QStringLiteral("10100110|00000001|11001000|10000001|00000011|11111111||\n");
    QVERIFY2(rig.trace.startsWith(written + QStringLiteral("10101001|\n10100011|\n01010011|")), qPrintable(rig.trace));
    QCOMPARE(newFrames(before), (QVector<QByteArray>{bytes({0xA6, 0x01, 0xC8, 0x81, 3, 0xFF}), bytes({0xA9}), bytes({0xA3})}));
    // 107 + 17 transmit ticks, 17 for the request and 96 for the reply.
    QCOMPARE(rig.ticks(), 107 + 17 + 17 + 96);
    // Every tick of the write frame and of the read-back's reply reports the
    // state before it; the commit frame closes the first display, the reply's
    // end the second.
    const auto &actions = rig.actions;
    QCOMPARE(actions.size(), 107 + 1 + 96 + 1);
    QCOMPARE(actions.at(0), (QVector<int>{5, 7, 0}));
    QCOMPARE(actions.at(16), (QVector<int>{5, -1, 0})); // the idle bit after byte 0
    QCOMPARE(actions.at(17), (QVector<int>{5, 7, 1}));
    QCOMPARE(actions.at(106), (QVector<int>{5, -1, 5}));
    QCOMPARE(actions.at(107), (QVector<int>{0, 0, 33}));
    QCOMPARE(actions.at(108), (QVector<int>{5, 7, 0}));
    QCOMPARE(actions.at(108 + 16), (QVector<int>{5, 7, 1}));
}

void DetectorLinkTest::blockChangedOnTheLine()
{
    rig.block = DeviceConfig{1, 2, 3, 20, 0x00, 0};
    // range_1 changes as its byte starts; range_3 after the write frame but
    // before the commit frame ends.
    connect(rig.link.get(), &DetectorLink::action, this, [this](int total, int step, int cgi) {
        if (total == 5 && cgi == 3 && step == 7 && rig.block.range_1 == 1)
            rig.block.range_1 = 9;
        if (total == 0 && cgi == 33 && rig.block.range_3 == 3)
            rig.block.range_3 = 12;
    });
    const int before = sim.frameCount();
    QVERIFY(rig.run("sendParamA6"));
    // The bytes sent are those of the moment each bit went out, and the
    // comparison is made with the block as it stood after 0xA9.
    QCOMPARE(newFrames(before).value(0), bytes({0xA6, 0x00, 20, 9, 2, 3}));
    QVERIFY(rig.events.contains("not written"));
}

void DetectorLinkTest::unconfirmedWriteWaitsForTheNextGoodRead()
{
    rig.block = DeviceConfig{4, 4, 4, 30, 0x00, 0};
    sim.flipNextReplyBit(0); // the read-back's status byte arrives as 0xD3
    rig.answers = QStringList{"yes"};
    const int before = sim.frameCount();
    QVERIFY(rig.run("sendParamA6"));
    // "yes" repeats only the request, at once: no second write frame.
    QCOMPARE(newFrames(before),
             (QVector<QByteArray>{bytes({0xA6, 0x00, 30, 4, 4, 4}), bytes({0xA9}), bytes({0xA3}), bytes({0xA3})}));
    QCOMPARE(rig.events, QStringList({"busy", "busy", "busy", "config", "written", "free"}));

    // Refused: the write still waits for its confirmation, and the next good
    // read, whatever started it, gives the result; only once.
    rig.reset();
    sim.flipNextReplyBit(0);
    rig.answers = QStringList{"no"};
    QVERIFY(rig.run("sendParamA6"));
    QCOMPARE(rig.events, QStringList({"busy", "busy", "free"}));
    QVERIFY(rig.run("sendParamA3"));
    QCOMPARE(rig.events.mid(3), QStringList({"busy", "config", "written", "free"}));
    rig.reset();
    QVERIFY(rig.run("sendParamA3"));
    QCOMPARE(rig.events, QStringList({"busy", "config", "free"}));
}

void DetectorLinkTest::dateFrames()
{
    // Without a date of its own the frame carries today's (a given date is the
    // command line's test, a date set's entry the journal's).
    const QDate today = QDate::currentDate();
    QVERIFY(rig.run("sendParamA1"));
    // Four bytes with their idle bits, and no progress shown.
    QVERIFY(rig.ticks() == 71 && rig.actions.isEmpty());
    unsigned char date[3] = {};
    sim.getDate(date);
    if (QDate::currentDate() == today)
        QCOMPARE(QByteArray(reinterpret_cast<char *>(date), 3), bytes({today.year() % 100, today.month(), today.day()}));

    // The reply's first five bytes as signed numbers: the raw frame "A1 80 FF"
    // and the idle-high byte after it set the date 0x80, 0xFF, 0xFF.
    rig.reset();
    const int raw[3] = {0xA1, 0x80, 0xFF};
    rig.link->sendParam(raw);
    QVERIFY(rig.waitFree());
    QString shown;
    connect(rig.link.get(), &DetectorLink::dateReplyShown, this, [&](const QString &text) { shown = text; });
    QByteArray received;
    QByteArray missing;
    connect(rig.link.get(), &DetectorLink::dateReceived, this, [&](const QByteArray &reply) { received = reply; });
    connect(rig.link.get(), &DetectorLink::dateReplyMissing, this, [&](const QByteArray &reply) { missing = reply; });
    QVERIFY(rig.run("sendParamA2"));
    QCOMPARE(shown, QStringLiteral("-128  ; -1  ; -1  ; 3  ; 1  ; "));
    QCOMPARE(rig.ticks() - 47 - 96, 17 + 7 * 16);
    // Year 2128, month 255: no date, though the bytes came.
    QVERIFY(received.isEmpty() && missing.startsWith(bytes({0x80, 0xFF, 0xFF, 3, 1})));

    // Withheld, the reply reads idle high: shown as ever, but missing.
    missing.clear();
    sim.setFault("no-date", true);
    rig.link->setDateToSend(QDate(2026, 2, 28));
    QVERIFY(rig.run("sendParamA1") && rig.run("sendParamA2"));
    QCOMPARE(shown, QStringLiteral("-1  ; -1  ; -1  ; -1  ; -1  ; "));
    QVERIFY(received.isEmpty() && missing == QByteArray(7, char(0xFF)));
    sim.setFault("no-date", false);
    QVERIFY(rig.run("sendParamA2"));
    QCOMPARE(received.left(3), bytes({26, 2, 28}));
}

void DetectorLinkTest::consoleTransfers()
{
    // Without a request the detector just listens: the line reads idle-high bytes.
    rig.answers = QStringList{"no"};
    QVERIFY(rig.run("readParam"));
    QCOMPARE(rig.events, QStringList({"busy", "free"}));
    QCOMPARE(rig.trace, QString(QStringLiteral("11111111|")).repeated(6) + QStringLiteral("|\n"));
    QCOMPARE(rig.ticks(), 96);
    // Its timer is stopped: no further ticks arrive.
    testsupport::serveEvents(50);
    QCOMPARE(rig.ticks(), 96);

    // The raw frame: three bytes with no idle bit between them, then the reception.
    rig.reset();
    sim.setBlock(Block);
    const int raw[3] = {0x1FF, 0xFF, 0xA3}; // the low byte of each
    rig.link->sendParam(raw);
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.events, QStringList({"busy", "config", "free"}));
    QVERIFY(rig.trace.startsWith(QStringLiteral("11111111|11111111|10100011|\n--------------\n01010011|")));
    QCOMPARE(rig.ticks(), 47 + 96);
    QCOMPARE(sim.frames().last(), QByteArray("\xA3", 1));
}

void DetectorLinkTest::eleventhHandshakeClearsPanes()
{
    for (int i = 0; i < 10; ++i)
        QVERIFY(rig.run("sendParamAA"));
    QVERIFY(rig.trace.startsWith(QStringLiteral("10101010|\n01010101||\n10101010|")));
    // Cleared just after the eleventh transmit trace: only its reply is left.
    QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.trace, QStringLiteral("01010101||\n"));
    QCOMPARE(rig.log, QStringLiteral(">> success setting PINS\n\n"));
}

void DetectorLinkTest::supervisionTimersArePrecise()
{
    // A coarse timer may fire 5 % off: the periodic handshake half a second
    // early or late.
    // setButton(true) starts the countdown afresh.
    rig.start(true);
    QVERIFY(rig.waitFree());
    testsupport::serveEvents(300);
    rig.link->connection_timer(true);
    int supervising = 0;
    for (QTimer *timer : rig.link->findChildren<QTimer *>()) {
        QCOMPARE(timer->timerType(), Qt::PreciseTimer);
        supervising += timer->interval() == 10000 && timer->isActive() && timer->remainingTime() > 9900;
    }
    QCOMPARE(supervising, 1);
}

void DetectorLinkTest::lateTickNeverShortensAClockPhase()
{
    // Every eighth tick of a write comes 1.5 ms late, as on a busy PC; the
    // timer would send the next one 0.5 ms later to catch up.
    int seen = 0;
    connect(rig.link.get(), &DetectorLink::action, this, [&] {
        if (++seen % 8 == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(1500));
    });
    rig.block = DeviceConfig{5, 10, 15, 25, 0x01, 0};
    sim.shortestClockPhaseUs();
    QVERIFY(rig.run("sendParamA6"));
    const unsigned long shortest = sim.shortestClockPhaseUs();
    QVERIFY2(shortest >= 1000, qPrintable(QStringLiteral("%1 us").arg(shortest)));
    QCOMPARE(rig.events, QStringList({"busy", "busy", "config", "written", "free"}));
}

void DetectorLinkTest::handBoxStopsOnlyTheRequest()
{
    // Unticked while the request goes out: the frame stops, the line idles and
    // the supervision carries on.
    rig.link->sendHand(true);
    QVERIFY(waitUntil([&] { return rig.ticks() >= 6; }, 2000));
    rig.link->sendHand(false);
    QCOMPARE(rig.events, QStringList({"busy", "free"}));
    QVERIFY(rig.log.endsWith(QStringLiteral(">> success setting PINS\n\n")));
    const int ticks = rig.ticks();
    testsupport::serveEvents(40);
    QCOMPARE(rig.ticks(), ticks);

    // Unticked while the detector answers: the reply completes, and the next
    // handshake finds the detector in step.
    testsupport::serveEvents(500); // the detector drops the half-heard byte
    rig.reset();
    rig.link->sendHand(true);
    QVERIFY(waitUntil([&] { return rig.ticks() >= 17 + 4; }, 2000));
    rig.link->sendHand(false);
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.events, QStringList({"busy", "ok", "free"}));
    QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.events.mid(3), QStringList({"busy", "ok", "free"}));
}

void DetectorLinkTest::supervisionWaitsForConsole()
{
    rig.answers = QStringList{"no"};
    QMetaObject::invokeMethod(rig.link.get(), "readParam");
    // The supervision timer fires while the console holds the line.
    QMetaObject::invokeMethod(rig.link.get(), "sendParamAA");
    QVERIFY(rig.waitFree(2));
    QCOMPARE(rig.events, QStringList({"busy", "free", "busy", "ok", "free"}));
    QCOMPARE(rig.trace, QString(QStringLiteral("11111111|")).repeated(6) + QStringLiteral("|\n10101010|\n01010101||\n"));
}

QTEST_GUILESS_MAIN(DetectorLinkTest)
#include "tst_detectorlink.moc"
