// The journal: one entry per transaction of a link on the simulated detector (a retried read one entry, demo runs marked), fields kept, two writers at once, a version-1 file migrated, damaged files moved aside, no location, the window's queue behind another program's lock, CSV quoting.
#include <QDir>
#include <QSet>
#include <QSqlDatabase>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <memory>
#include <thread>

#include "storage/journalrecorder.h"
#include "tests/link/linkfixture.h"

namespace {

using E = JournalEntry;

// Every field but the id and the time, which the journal gives.
QString fields(const E &e)
{
    auto hex = [](const std::optional<E::Parameters> &p) {
        return p ? QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(p->data()), 5).toHex()) : "-";
    };
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7|%8 x%9%10")
        .arg(int(e.source)).arg(int(e.kind)).arg(int(e.result))
        .arg(hex(e.written), hex(e.read), e.date ? e.date->toString(Qt::ISODate) : "-", e.note, e.failure)
        .arg(e.tries).arg(e.demo ? " demo" : "");
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("-");
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder;
    QString path;

private slots:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        path = folder->filePath(QStringLiteral("journal/journal.sqlite"));
    }

    void oneEntryPerTransaction()
    {
        testsupport::Simulator sim;
        QVERIFY(sim.load());
        sim.reset();
        const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
        Journal journal(path);
        // The window may be reading the list meanwhile; in WAL mode a reader never holds a writer up.
        QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reader"));
        reader.setDatabaseName(path);
        QVERIFY(reader.open());
        QSqlQuery reading(reader);
        QVERIFY(reading.exec(QStringLiteral("BEGIN")) && reading.exec(QStringLiteral("SELECT * FROM entries")));
        LinkRig rig;
        rig.start();
        BridgeLoader::setDemo(true); // read when the recorder is made, as the command line's --demo is
        JournalRecorder recorder(rig.link.get(), &journal, E::Source::CommandLine);
        BridgeLoader::setDemo(false);
        recorder.setNote(QStringLiteral("Зона 3"));
        // A write taken by the detector, then one it ignores: the read-back differs.
        rig.block = DeviceConfig{1, 2, 3, 10, 0x00, 0};
        QVERIFY(rig.run("sendParamA6"));
        sim.setWritesIgnored(true);
        rig.block.range_1 = 9;
        QVERIFY(rig.run("sendParamA6"));
        // A read on a silent line tried twice; one the detector answers at the second try.
        int badReplies = 0;
        connect(rig.link.get(), &DetectorLink::readFailed, [&] { sim.setSilent(++badReplies < 3); });
        sim.setSilent(true);
        rig.answers = QStringList{"yes", "no", "yes"};
        QVERIFY(rig.run("sendParamA3"));
        sim.setSilent(true);
        QVERIFY(rig.run("sendParamA3"));
        // A line that failed mid-write and a date reply nobody gave; a failed handshake is the command line's own.
        emit rig.link->lineFailed(LinkTransaction::Write, "stopped answering", bytes({0, 10, 1, 2, 3}));
        emit rig.link->lineFailed(LinkTransaction::Handshake, "stopped answering", {});
        emit rig.link->dateReplyMissing(QByteArray(7, '\xFF'));
        // A handshake alone leaves nothing; a date set and a date read leave the date.
        QVERIFY(rig.run("sendParamAA"));
        rig.link->setDateToSend(QDate(2031, 7, 9));
        QVERIFY(rig.run("sendParamA1"));
        QVERIFY(rig.run("sendParamA2"));
        QStringList entries;
        const QVector<E> stored = Journal(path).entries();
        for (const E &e : stored) {
            entries << fields(e);
            QVERIFY(e.time.timeSpec() == Qt::UTC && e.time >= before);
        }
        QCOMPARE(entries, QStringList({"1 3 0 - - 2031-07-09 Зона 3| x1 demo", "1 2 0 - - 2031-07-09 Зона 3| x1 demo",
                                       "1 3 2 - - - Зона 3|нет ответа с датой x1 demo",
                                       "1 1 2 000a010203 - - Зона 3|stopped answering x1 demo",
                                       "1 0 0 - 000a010203 - Зона 3| x2 demo",
                                       "1 0 2 - - - Зона 3|ответ 0xFF вместо 0x53 x2 demo",
                                       "1 1 1 000a090203 000a010203 - Зона 3| x1 demo",
                                       "1 1 0 000a010203 000a010203 - Зона 3| x1 demo"}));
        const QString text = Journal::toText(stored);
        QVERIFY(text.contains("(командная строка, демо)") && text.contains("0x53 (попыток: 2)"));
        QVERIFY(Journal::toCsv(stored).contains(",\"командная строка, демо\","));
    }

    // Two writers on one new file, each with its own journal: both create it, neither loses an entry.
    void twoWritersLoseNothing()
    {
        constexpr int EachWrites = 300;
        auto write = [this](int writer) {
            Journal journal(path);
            for (int i = 0; i < EachWrites; ++i)
                journal.add({0, {}, E::Source::Window, E::Kind::ParameterRead, E::Result::Ok, {}, {}, {},
                             QStringLiteral("%1-%2").arg(writer).arg(i), {}});
        };
        std::thread first(write, 0);
        std::thread second(write, 1);
        first.join();
        second.join();
        QSet<QString> notes;
        for (const JournalEntry &e : Journal(path).entries())
            notes.insert(e.note);
        QCOMPARE(notes.size(), 2 * EachWrites);
    }

    // sql: what makes the file at the journal's path; none: garbage bytes. page: one overwritten with
    // garbage, from the end when negative. kept: the entries a journal that is not moved aside keeps.
    void damagedFileMovedAside_data()
    {
        QTest::addColumn<QStringList>("sql");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("kept");
        const QString ours = QStringLiteral("PRAGMA application_id=%1").arg(0x5A525633);
        const QStringList version1{ours, "PRAGMA user_version=1",
            "CREATE TABLE entries (id INTEGER PRIMARY KEY AUTOINCREMENT, time TEXT NOT NULL, source TEXT NOT NULL, kind TEXT"
            " NOT NULL, result TEXT NOT NULL, written BLOB, read BLOB, date TEXT, note TEXT NOT NULL DEFAULT '',"
            " failure TEXT NOT NULL DEFAULT '')",
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) INSERT INTO entries"
            " (time, source, kind, result, note) SELECT '2025-01-01T10:00:00.000Z', 'window', 'write', 'ok', i FROM n"};
        QTest::newRow("garbage bytes") << QStringList() << 0 << -1;
        QTest::newRow("another program's database") << QStringList{"CREATE TABLE customers (name TEXT)"} << 0 << -1;
        QTest::newRow("a newer journal") << QStringList{ours, "PRAGMA user_version=99",
                                                        "CREATE TABLE entries (id INTEGER PRIMARY KEY, time, source, kind,"
                                                        " result, written, read, date, note, failure, device)"} << 0 << -1;
        QTest::newRow("ours without its table") << QStringList{ours, "PRAGMA user_version=1"} << 0 << -1;
        QTest::newRow("a version-1 journal, migrated") << version1 << 0 << 3000;
        QTest::newRow("a page damaged mid-file") << version1 << 36 << -1;
        QTest::newRow("its last page damaged") << version1 << -1 << -1;
    }
    void damagedFileMovedAside()
    {
        QFETCH(QStringList, sql);
        QFETCH(int, page);
        QFETCH(int, kept);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("setup"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            for (const QString &statement : sql)
                QVERIFY(QSqlQuery(db).exec(statement));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("setup"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (sql.isEmpty() || page != 0) {
            QVERIFY(file.seek(sql.isEmpty() ? 0 : page > 0 ? page * 4096 : file.size() + page * 4096));
            QVERIFY(file.write(QByteArray(4096, 'Z')) == 4096);
        }
        file.close();
        const QByteArray before = readFile(path);
        {
            Journal journal(path);
            const QStringList aside = QFileInfo(path).dir().entryList({QStringLiteral("*.damaged-*")}, QDir::Files);
            QCOMPARE(aside.size(), kept < 0 ? 1 : 0);
            QVERIFY2(kept >= 0 || journal.notice().contains(aside.first()), qPrintable(journal.notice()));
            QVERIFY(kept >= 0 || readFile(QFileInfo(path).dir().filePath(aside.first())) == before);
            QVERIFY(journal.add(E{0, {}, E::Source::Window, E::Kind::ParameterRead, E::Result::Ok, {}, {}, {}, {}, {}, 3}));
        }
        QString error;
        const QVector<E> entries = Journal(path).entries(&error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(entries.size(), qMax(kept, 0) + 1);
        QCOMPARE(entries.first().tries + entries.last().tries, kept < 0 ? 6 : 4);
    }

    // Nothing can be written there: the journal says so and why, fails cleanly, and reads what there is.
    void unwritableLocation_data()
    {
        QTest::addColumn<QString>("locked");
        QTest::newRow("folder is a file") << "";
        QTest::newRow("read-only folder") << "folder";
        QTest::newRow("read-only journal") << "journal";
        QTest::newRow("journal is a folder") << "in its place";
    }
    void unwritableLocation()
    {
        QFETCH(QString, locked);
        const QString parent = QFileInfo(path).absolutePath();
        QVERIFY(QDir().mkpath(parent));
        const int kept = locked == QLatin1String("journal") ? Journal(path).add(E{}) : 0;
        const QString target = kept ? path : parent + QStringLiteral("/sub");
        if (locked == QLatin1String("in its place")) {
            QVERIFY(QDir().mkpath(path));
        } else if (locked.isEmpty()) {
            QVERIFY(QFile(target).open(QIODevice::WriteOnly));
            path = target + QStringLiteral("/journal.sqlite");
        } else {
            QVERIFY(QFile::setPermissions(kept ? path : parent, QFile::ReadOwner | QFile::ExeOwner));
            if (QFile(target).open(QIODevice::Append))
                QSKIP("this user writes where permissions say it may not (root)");
        }
        Journal journal(path);
        QVERIFY(!journal.isWritable() && !journal.errorString().isEmpty());
        QString error;
        QVERIFY(!journal.add(E{}, &error) && !error.isEmpty());
        QCOMPARE(journal.entries(&error).size(), kept);
        QCOMPARE(error.isEmpty(), bool(kept)); // what cannot be opened is never an empty journal
        QFile::setPermissions(parent, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // The window's recorder behind another program's write lock: nothing waits or fails, the queue says so
    // after a few seconds and goes in, in order and with its times, once the lock is free, or at the end.
    void windowQueueWaitsForTheLock()
    {
        Journal journal(path);
        journal.setBusyTimeout(20);
        DeviceConfig block{};
        DetectorLink link(&block);
        JournalRecorder recorder(&link, &journal, E::Source::Window);
        recorder.setQueued(true);
        QSignalSpy failed(&recorder, &JournalRecorder::failed);
        QSignalSpy waiting(&recorder, &JournalRecorder::waiting);
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(path);
        QSqlQuery lock((other.open(), other));
        QVERIFY(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
        const QDateTime before = QDateTime::currentDateTimeUtc();
        for (const char *note : {"1", "2"})
            recorder.record(E{0, {}, {}, {}, {}, {}, {}, {}, note, {}});
        QVERIFY(failed.isEmpty() && recorder.queued() == 2);
        QVERIFY(waiting.wait(5000));
        QCOMPARE(waiting.last().value(0).toInt(), 2);
        QVERIFY(lock.exec(QStringLiteral("COMMIT")));
        QVERIFY(waiting.wait(1000));
        QCOMPARE(waiting.last().value(0).toInt(), 0);
        // The end of the program while another holds the lock a little longer.
        std::thread holder([this] {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
            db.setDatabaseName(path);
            QSqlQuery holding((db.open(), db));
            holding.exec(QStringLiteral("BEGIN IMMEDIATE"));
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            holding.exec(QStringLiteral("COMMIT"));
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        recorder.record(E{0, {}, {}, {}, {}, {}, {}, {}, "3", {}});
        recorder.flush();
        holder.join();
        QStringList notes;
        for (const E &e : journal.entries())
            notes << e.note + (e.time < before.addSecs(1) ? "" : " late");
        QCOMPARE(notes, QStringList({"3 late", "2", "1"}));
        QVERIFY(failed.isEmpty());
    }

    // A field with the separator (the comma, or the semicolon of a Russian spreadsheet), a quote or a line break is
    // quoted, its quotes doubled: one record per entry.
    void csvQuotesWhatWouldSplitARecord()
    {
        QVector<E> entries;
        for (const char *note : {"две\nстроки", "возврат\rкаретки", "зона 7; опора 3", "опора 3, ворота"})
            entries << E{0, {}, E::Source::Window, E::Kind::Write, E::Result::Failed, {}, {}, {}, note, "линия \"занята\", нет ответа"};
        const QByteArray csv = Journal::toCsv(entries);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(csv.count("\r\n"), 5);
        QVERIFY(csv.contains(",\"две\nстроки\",\"линия \"\"занята\"\", нет ответа\",") && csv.contains(",\"возврат\rкаретки\","));
        QVERIFY(csv.contains(",зона 7; опора 3,") && csv.contains(",\"опора 3, ворота\","));
        const QByteArray semicolons = Journal::toCsv(entries, ';');
        QVERIFY(semicolons.count("\r\n") == 5 && semicolons.startsWith("\xEF\xBB\xBF№;Время (UTC);") && semicolons.contains(";\"зона 7; опора 3\";")
                && semicolons.contains(";опора 3, ворота;\"линия \"\"занята\"\", нет ответа\";"));
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
