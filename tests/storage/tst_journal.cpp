// The journal: entries kept with their fields, two writers at once, damaged files moved aside, no location, CSV.
#include <QDir>
#include <QFile>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

#include "storage/journal.h"

namespace {

using Kind = JournalEntry::Kind;
using Result = JournalEntry::Result;
using Source = JournalEntry::Source;

JournalEntry entry(Kind kind, Result result, const QString &note = QString())
{
    JournalEntry e;
    e.kind = kind;
    e.result = result;
    e.note = note;
    return e;
}

// Every field but the id and the time, which the journal gives.
void compareFields(const JournalEntry &got, const JournalEntry &want)
{
    QCOMPARE(got.source, want.source);
    QCOMPARE(got.kind, want.kind);
    QCOMPARE(got.result, want.result);
    QCOMPARE(got.written, want.written);
    QCOMPARE(got.read, want.read);
    QCOMPARE(got.date, want.date);
    QCOMPARE(got.note, want.note);
    QCOMPARE(got.failure, want.failure);
}

// RFC 4180, strictly: a line break outside quotes other than CR LF stays in the field.
QVector<QStringList> parseCsv(const QString &text)
{
    QVector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && text.mid(i + 1, 1) == QLatin1String("\""))
                field += text.at(i++);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
        } else if (text.mid(i, 2) == QLatin1String("\r\n")) {
            records << (record << field);
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

QStringList otherFiles(const QDir &dir)
{
    return dir.entryList({QStringLiteral("*.damaged-*")}, QDir::Files);
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

    void eachKindKeptNewestFirst()
    {
        QVector<JournalEntry> added;
        JournalEntry write = entry(Kind::Write, Result::Ok, QStringLiteral("Зона 1"));
        write.written = write.read = JournalEntry::Parameters{0x08, 25, 0, 5, 0};
        JournalEntry mismatch = entry(Kind::Write, Result::Mismatch);
        mismatch.source = Source::CommandLine;
        mismatch.written = JournalEntry::Parameters{0x00, 45, 15, 15, 15};
        mismatch.read = JournalEntry::Parameters{0x00, 45, 15, 14, 15};
        JournalEntry failedRead = entry(Kind::ParameterRead, Result::Failed);
        failedRead.failure = QStringLiteral("ответ не начинается с 0x53");
        JournalEntry dateSet = entry(Kind::DateSet, Result::Ok);
        dateSet.date = QDate(2024, 2, 29);
        JournalEntry dateRead = entry(Kind::DateRead, Result::Ok);
        dateRead.date = QDate(2031, 12, 1);
        added << write << mismatch << failedRead << dateSet << dateRead;

        const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
        {
            Journal journal(path);
            QVERIFY2(journal.isWritable(), qPrintable(journal.errorString()));
            for (const JournalEntry &e : added) {
                QString error;
                QVERIFY2(journal.add(e, &error), qPrintable(error));
            }
        }
        Journal reopened(path);
        QVERIFY(reopened.notice().isEmpty());
        const QVector<JournalEntry> got = reopened.entries();
        QCOMPARE(got.size(), added.size());
        for (int i = 0; i < got.size(); ++i) {
            compareFields(got.at(i), added.at(added.size() - 1 - i));
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(got.at(i).time.timeSpec(), Qt::UTC);
            QVERIFY(got.at(i).time >= before && got.at(i).time <= QDateTime::currentDateTimeUtc());
        }
        QVERIFY(Journal::detailsText(got.at(3)).contains(QStringLiteral("14")));

        // A note reaches its own entry only, and stays.
        QVERIFY(reopened.setNote(got.at(2).id, QStringLiteral("опора 17")));
        QVERIFY(!reopened.setNote(got.first().id + 1, QStringLiteral("no such entry")));
        const QVector<JournalEntry> noted = Journal(path).entries();
        QCOMPARE(noted.at(2).note, QStringLiteral("опора 17"));
        QCOMPARE(noted.at(3).note, QString());
    }

    // Two writers on one new file, each with its own journal: both create it,
    // neither loses an entry.
    void twoWritersLoseNothing()
    {
        constexpr int EachWrites = 300;
        auto writer = [this](const QString &name, int *stored) {
            return QThread::create([this, name, stored] {
                Journal journal(path);
                for (int i = 0; i < EachWrites; ++i)
                    *stored += journal.add(entry(Kind::ParameterRead, Result::Ok, name + QString::number(i)));
            });
        };
        int storedA = 0;
        int storedB = 0;
        std::unique_ptr<QThread> a(writer(QStringLiteral("A"), &storedA));
        std::unique_ptr<QThread> b(writer(QStringLiteral("B"), &storedB));
        a->start();
        b->start();
        QVERIFY(a->wait(60000) && b->wait(60000));
        QCOMPARE(storedA + storedB, 2 * EachWrites);

        Journal journal(path);
        QSet<QString> notes;
        for (const JournalEntry &e : journal.entries())
            notes.insert(e.note);
        QCOMPARE(notes.size(), 2 * EachWrites);
        QVERIFY(otherFiles(QFileInfo(path).dir()).isEmpty());
    }

    // setup: what lies at the journal's path before it opens.
    void damagedFileMovedAside_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::newRow("garbage bytes") << "garbage";
        QTest::newRow("another program's database") << "foreign";
        QTest::newRow("a newer journal") << "newer";
        QTest::newRow("ours without its table") << "no table";
    }
    void damagedFileMovedAside()
    {
        QFETCH(QString, setup);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        if (setup == QLatin1String("garbage")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, '\x5a') + "not a database");
        } else {
            const QString name = QStringLiteral("setup");
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                db.setDatabaseName(path);
                QVERIFY(db.open());
                QSqlQuery query(db);
                const char *sql = setup == QLatin1String("foreign")  ? "CREATE TABLE customers (name TEXT)"
                                  : setup == QLatin1String("newer") ? "PRAGMA user_version=99"
                                                                    : "PRAGMA user_version=1";
                QVERIFY(query.exec(QLatin1String(sql)));
                if (setup != QLatin1String("foreign"))
                    QVERIFY(query.exec(QStringLiteral("PRAGMA application_id=%1").arg(0x5A525633)));
                if (setup == QLatin1String("newer"))
                    QVERIFY(query.exec(QStringLiteral("CREATE TABLE entries (id INTEGER PRIMARY KEY, time, source, kind,"
                                                      " result, written, read, date, note, failure, device)")));
            }
            QSqlDatabase::removeDatabase(name);
        }
        QFile original(path);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray before = original.readAll();
        original.close();

        QDir dir = QFileInfo(path).dir();
        {
            Journal journal(path);
            QVERIFY2(journal.isWritable(), qPrintable(journal.errorString()));
            const QStringList aside = otherFiles(dir);
            QCOMPARE(aside.size(), 1);
            QVERIFY2(journal.notice().contains(aside.first()), qPrintable(journal.notice()));
            QFile moved(dir.filePath(aside.first()));
            QVERIFY(moved.open(QIODevice::ReadOnly));
            QCOMPARE(moved.readAll(), before);
            QVERIFY(journal.add(entry(Kind::DateRead, Result::Ok)));
        }
        Journal again(path);
        QVERIFY(again.notice().isEmpty());
        QCOMPARE(again.entries().size(), 1);
        QCOMPARE(otherFiles(dir).size(), 1);
    }

    // A place where nothing can be written: the journal says so and why, and fails cleanly.
    void unwritableLocation_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("folder is a file") << "file in the way";
        QTest::newRow("read-only folder") << "read-only folder";
        QTest::newRow("read-only journal") << "read-only journal";
    }
    void unwritableLocation()
    {
        QFETCH(QString, where);
        const QString parent = QFileInfo(path).absolutePath();
        QVERIFY(QDir().mkpath(parent));
        const auto writable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        if (where == QLatin1String("file in the way")) {
            QFile blocker(parent + QStringLiteral("/sub"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            path = parent + QStringLiteral("/sub/journal.sqlite");
        } else if (where == QLatin1String("read-only folder")) {
            QVERIFY(QFile::setPermissions(parent, QFile::ReadOwner | QFile::ExeOwner));
            if (QFile(parent + QStringLiteral("/probe")).open(QIODevice::WriteOnly)) {
                QFile::setPermissions(parent, writable);
                QSKIP("this user writes to read-only folders (root)");
            }
        } else {
            QVERIFY(Journal(path).add(entry(Kind::DateSet, Result::Ok)));
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
            if (QFile(path).open(QIODevice::Append))
                QSKIP("this user writes to read-only files (root)");
        }
        Journal journal(path);
        QVERIFY(!journal.isWritable());
        QVERIFY(!journal.errorString().isEmpty());
        QString error;
        QVERIFY(!journal.add(entry(Kind::Write, Result::Ok), &error));
        QVERIFY(!error.isEmpty());
        // What is there can still be read.
        QCOMPARE(journal.entries().size(), where == QLatin1String("read-only journal") ? 1 : 0);
        QFile::setPermissions(parent, writable);
    }

    void csvReadsBackTheSame()
    {
        QVector<JournalEntry> entries;
        const QStringList notes{QStringLiteral("Зона 3, \"северные\" ворота"), QStringLiteral("две\r\nстроки\nи ещё"),
                                QStringLiteral(",\"\""), QString()};
        for (int i = 0; i < notes.size(); ++i) {
            JournalEntry e = entry(Kind::Write, Result::Failed, notes.at(i));
            e.id = i + 1;
            e.time = QDateTime(QDate(2025, 3, 1), QTime(12, 0, i), Qt::UTC);
            e.written = JournalEntry::Parameters{0x0E, 5, 0, 0, 0};
            e.failure = QStringLiteral("нет ответа, линия \"занята\"");
            entries << e;
        }
        const QByteArray csv = Journal::toCsv(entries);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        const QVector<QStringList> records = parseCsv(QString::fromUtf8(csv.mid(3)));
        QCOMPARE(records.size(), entries.size() + 1);
        const QStringList header = records.first();
        const int noteColumn = header.indexOf(QStringLiteral("Примечание"));
        const int failureColumn = header.indexOf(QStringLiteral("Что не удалось"));
        const int timeColumn = header.indexOf(QStringLiteral("Время (UTC)"));
        QVERIFY(noteColumn >= 0 && failureColumn >= 0 && timeColumn >= 0);
        for (int i = 0; i < entries.size(); ++i) {
            const QStringList &record = records.at(i + 1);
            QCOMPARE(record.size(), header.size());
            QCOMPARE(record.at(noteColumn), entries.at(i).note);
            QCOMPARE(record.at(failureColumn), entries.at(i).failure);
            QCOMPARE(QDateTime::fromString(record.at(timeColumn), Qt::ISODate), entries.at(i).time);
        }
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
