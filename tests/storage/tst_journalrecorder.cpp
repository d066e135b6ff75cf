// What reaches the journal from a link on the simulated detector: one entry per transaction, with its fields.
#include <QTemporaryDir>
#include <QtTest>

#include "storage/journalrecorder.h"
#include "tests/link/linkfixture.h"

class JournalRecorderTest : public QObject
{
    Q_OBJECT

private slots:
    void oneEntryPerTransaction();
};

void JournalRecorderTest::oneEntryPerTransaction()
{
    testsupport::Simulator sim;
    QVERIFY(sim.load());
    sim.reset();
    QTemporaryDir dir;
    Journal journal(dir.filePath("journal.sqlite"));
    LinkRig rig;
    rig.start();
    JournalRecorder recorder(rig.link.get(), &journal, JournalEntry::Source::CommandLine);
    recorder.setNote(QStringLiteral("Зона 3"));
    using P = JournalEntry::Parameters;

    // A write taken by the detector, then one it ignores: the read-back differs.
    rig.block = DeviceConfig{1, 2, 3, 10, 0x00, 0};
    QVERIFY(rig.run("sendParamA6"));
    sim.setWritesIgnored(true);
    rig.block.range_1 = 9;
    QVERIFY(rig.run("sendParamA6"));
    // A read on a silent line, not tried again.
    sim.setSilent(true);
    rig.answers = QStringList{"no"};
    QVERIFY(rig.run("sendParamA3"));
    sim.setSilent(false);
    // A handshake alone leaves nothing; a date set leaves the date.
    QVERIFY(rig.run("sendParamAA"));
    rig.link->setDateToSend(QDate(2031, 7, 9));
    QVERIFY(rig.run("sendParamA1"));

    const QVector<JournalEntry> entries = journal.entries();
    QCOMPARE(entries.size(), 4);
    const JournalEntry &date = entries[0], &failed = entries[1], &mismatch = entries[2], &written = entries[3];
    QCOMPARE(int(written.kind), int(JournalEntry::Kind::Write));
    QCOMPARE(int(written.result), int(JournalEntry::Result::Ok));
    QCOMPARE(written.written, std::optional<P>(P{0x00, 10, 1, 2, 3}));
    QCOMPARE(written.read, written.written);
    QCOMPARE(int(written.source), int(JournalEntry::Source::CommandLine));
    QCOMPARE(written.note, QStringLiteral("Зона 3"));
    QCOMPARE(int(mismatch.result), int(JournalEntry::Result::Mismatch));
    QCOMPARE(mismatch.written, std::optional<P>(P{0x00, 10, 9, 2, 3}));
    QCOMPARE(mismatch.read, written.written);
    QCOMPARE(int(failed.kind), int(JournalEntry::Kind::ParameterRead));
    QCOMPARE(int(failed.result), int(JournalEntry::Result::Failed));
    QVERIFY2(failed.failure.contains(QStringLiteral("0xFF")), qPrintable(failed.failure));
    QVERIFY(!failed.read);
    QCOMPARE(int(date.kind), int(JournalEntry::Kind::DateSet));
    QCOMPARE(date.date, std::optional<QDate>(QDate(2031, 7, 9)));
}

QTEST_GUILESS_MAIN(JournalRecorderTest)
#include "tst_journalrecorder.moc"
