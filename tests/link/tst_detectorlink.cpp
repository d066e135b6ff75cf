// The link without a window on the simulated detector: bits, ticks, waits, late ticks, each transaction's signals, retries, supervision.
#include <QElapsedTimer>
#include <QtTest>

#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

#include "trace/linetrace.h"
#include "tests/link/linkfixture.h"

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

    void supervisedFirstHandshakeReadsAtOnce();
    void exchanges_data();
    void exchanges();
    void writeFramesTicksAndProgress();
    void blockChangedOnTheLineDespiteLateTicks();
    void unconfirmedWriteWaitsForTheNextGoodRead();
    void dateFrames();
    void consoleTransfersHoldOffTheSupervision();
    void handBoxStopsOnlyTheRequest();
    void windowsTimerPeriod();

private:
    QVector<QByteArray> newFrames(int before) const { return sim.frames().mid(before); }
    testsupport::Simulator sim;
    LinkRig rig;
};

void DetectorLinkTest::supervisedFirstHandshakeReadsAtOnce()
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
    // Only the first: the next handshakes read nothing. The eleventh clears
    // the panes just after its transmit trace: only its reply is left.
    for (int i = 2; i <= 10; ++i)
        QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.events.mid(6, 3), QStringList({"busy", "ok", "free"}));
    QVERIFY(rig.trace.startsWith(QStringLiteral("10101010|\n01010101||\n10100011|")));
    QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.trace, QStringLiteral("01010101||\n"));
    QCOMPARE(rig.log, QStringLiteral(">> success setting PINS\n\n"));

    // A coarse timer may fire 5 % off: the periodic handshake half a second
    // early or late. setButton(true) starts its countdown afresh.
    testsupport::serveEvents(300);
    rig.link->connection_timer(true);
    int supervising = 0;
    for (QTimer *timer : rig.link->findChildren<QTimer *>()) {
        QCOMPARE(timer->timerType(), Qt::PreciseTimer);
        supervising += timer->interval() == 10000 && timer->isActive() && timer->remainingTime() > 9900;
    }
    QCOMPARE(supervising, 1);
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
    // Each wait lasts at least what it recorded: the next clock edge comes no sooner.
    QString waits;
    for (int i = 0, waited = -1; i < line.size(); ++i) {
        const LineEvent &e = line.at(i);
        if (e.kind() == LineEvent::Kind::Wait) {
            waits += QString::number(e.waitMs()) + ' ';
            waited = i;
        } else if (e.kind() == LineEvent::Kind::Clock && waited >= 0) {
            QVERIFY(e.timeUs() - line.at(waited).timeUs() >= 1000 * line.at(waited).waitMs());
            waited = -1;
        }
    }
    QCOMPARE(waits, QStringLiteral("4 4 500 4 160 160 160 160 160 160 "));
    QCOMPARE(rig.events, QStringList({"busy", "busy", "config", "written", "free"}));
    const QString written = QStringLiteral("10100110|00000001|11001000|10000001|00000011|11111111||\n");
    QVERIFY2(rig.trace.startsWith(written + QStringLiteral("10101001|\n10100011|\n01010011|")), qPrintable(rig.trace));
    QCOMPARE(newFrames(before), (QVector<QByteArray>{bytes({0xA6, 0x01, 0xC8, 0x81, 3, 0xFF}), bytes({0xA9}), bytes({0xA3})}));
    // 107 + 17 transmit ticks, 17 for the request and 96 for the reply.
    QCOMPARE(rig.ticks(), 107 + 17 + 17 + 96);
    // Every tick of the write frame and of the read-back's reply reports the
    // state before it (16: the idle bit after byte 0); the commit frame closes
    // the first display, the reply's end the second.
    QCOMPARE(rig.actions.size(), 107 + 1 + 96 + 1);
    const QVector<QVector<int>> marks{{5, 7, 0}, {5, -1, 0}, {5, 7, 1}, {5, -1, 5}, {0, 0, 33}, {5, 7, 0}, {5, 7, 1}};
    const int at[] = {0, 16, 17, 106, 107, 108, 108 + 16};
    for (int i = 0; i < marks.size(); ++i)
        QCOMPARE(rig.actions.at(at[i]), marks.at(i));
}

void DetectorLinkTest::blockChangedOnTheLineDespiteLateTicks()
{
    rig.block = DeviceConfig{1, 2, 3, 20, 0x00, 0};
    // range_1 changes as its byte starts; range_3 after the write frame but
    // before the commit frame ends. Every eighth tick comes 1.5 ms late, as
    // on a busy PC; the timer would send the next one 0.5 ms later to catch up.
    int seen = 0;
    connect(rig.link.get(), &DetectorLink::action, this, [&](int total, int step, int cgi) {
        if (total == 5 && cgi == 3 && step == 7 && rig.block.range_1 == 1)
            rig.block.range_1 = 9;
        if (total == 0 && cgi == 33 && rig.block.range_3 == 3)
            rig.block.range_3 = 12;
        if (++seen % 8 == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(1500));
    });
    sim.shortestClockPhaseUs();
    const int before = sim.frameCount();
    QVERIFY(rig.run("sendParamA6"));
    QVERIFY2(sim.shortestClockPhaseUs() >= 1000, "a clock phase under 1 ms");
    // A time-out that came too soon after a late tick is no tick.
    QCOMPARE(rig.ticks(), 107 + 17 + 17 + 96);
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

    // Withheld, the reply reads idle high: shown as signed numbers, but month
    // 255 is no date, so it is missing, though the bytes came.
    QString shown;
    QByteArray received;
    QByteArray missing;
    connect(rig.link.get(), &DetectorLink::dateReplyShown, this, [&](const QString &text) { shown = text; });
    connect(rig.link.get(), &DetectorLink::dateReceived, this, [&](const QByteArray &reply) { received = reply; });
    connect(rig.link.get(), &DetectorLink::dateReplyMissing, this, [&](const QByteArray &reply) { missing = reply; });
    sim.setFault("no-date", true);
    rig.link->setDateToSend(QDate(2026, 2, 28));
    QVERIFY(rig.run("sendParamA1") && rig.run("sendParamA2"));
    QCOMPARE(shown, QStringLiteral("-1  ; -1  ; -1  ; -1  ; -1  ; "));
    QVERIFY(received.isEmpty() && missing == QByteArray(7, char(0xFF)));
    sim.setFault("no-date", false);
    rig.reset();
    QVERIFY(rig.run("sendParamA2"));
    QCOMPARE(rig.ticks(), 17 + 7 * 16);
    QCOMPARE(received.left(3), bytes({26, 2, 28}));
    QVERIFY2(shown.startsWith(QStringLiteral("26  ; 2  ; 28  ; ")), qPrintable(shown));
}

void DetectorLinkTest::consoleTransfersHoldOffTheSupervision()
{
    // Without a request the detector just listens: the line reads idle-high
    // bytes. The supervision's handshake, due meanwhile, waits for the line.
    rig.answers = QStringList{"no"};
    QMetaObject::invokeMethod(rig.link.get(), "readParam");
    QMetaObject::invokeMethod(rig.link.get(), "sendParamAA");
    QVERIFY(rig.waitFree(2));
    QCOMPARE(rig.events, QStringList({"busy", "free", "busy", "ok", "free"}));
    QCOMPARE(rig.trace, QString(QStringLiteral("11111111|")).repeated(6) + QStringLiteral("|\n10101010|\n01010101||\n"));
    // Its ticks stop with the frame: no further ones arrive.
    testsupport::serveEvents(50);
    QCOMPARE(rig.ticks(), 96 + 33);

    // The raw frame: three bytes with no idle bit between them, then the reception.
    rig.reset();
    sim.setBlock(Block);
    const int raw[3] = {0x1FF, 0xFF, 0xA3}; // the low byte of each
    rig.link->sendParam(raw);
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.events, QStringList({"busy", "config", "free"}));
    QVERIFY(rig.trace.startsWith(QStringLiteral("11111111|11111111|10100011|\n--------------\n01010011|")));
    QCOMPARE(rig.ticks(), 47 + 96);
}

void DetectorLinkTest::handBoxStopsOnlyTheRequest()
{
    // Unticked while the request goes out: the frame stops, the line idles and
    // the supervision carries on.
    rig.link->sendHand(true);
    QVERIFY(testsupport::waitUntil([&] { return rig.ticks() >= 6; }, 2000));
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
    QVERIFY(testsupport::waitUntil([&] { return rig.ticks() >= 17 + 4; }, 2000));
    rig.link->sendHand(false);
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.events, QStringList({"busy", "ok", "free"}));
    QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.events.mid(3), QStringList({"busy", "ok", "free"}));
}

// While a link lives, Windows' own timer ticks every millisecond, not every
// 15.6: the 2 ms ticks and the waits are woken from it.
void DetectorLinkTest::windowsTimerPeriod()
{
#ifndef _WIN32
    QSKIP("the system timer's period is a Windows setting");
#else
    if (testsupport::underWine())
        QSKIP("Wine reports a fixed 1 ms period whatever a program asks for");
    const auto query = reinterpret_cast<LONG(WINAPI *)(PULONG coarsest, PULONG finest, PULONG current)>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryTimerResolution")));
    ULONG coarsest = 0, finest = 0, current = 0; // in 100 ns
    QVERIFY(query && query(&coarsest, &finest, &current) == 0);
    QVERIFY2(current <= 10000, qPrintable(QStringLiteral("%1 ms").arg(current / 10000.0)));
#endif
}

QTEST_GUILESS_MAIN(DetectorLinkTest)
#include "tst_detectorlink.moc"
