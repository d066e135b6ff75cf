// The journal: one entry per transaction of a link on the simulated detector, fields kept, two writers at once, damaged files moved aside, no location, CSV quoting; its window's filter, note and export.
#include <QDir>
#include <QLineEdit>
#include <QSet>
#include <QSqlDatabase>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <thread>

#include "ui/journalwindow.h"
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
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7|%8")
        .arg(int(e.source)).arg(int(e.kind)).arg(int(e.result))
        .arg(hex(e.written), hex(e.read), e.date ? e.date->toString(Qt::ISODate) : "-", e.note, e.failure);
}

// QTest::keyClicks takes Latin-1 only; each character goes as one key press.
void type(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_A, QString(c), Qt::NoModifier);
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
        JournalRecorder recorder(rig.link.get(), &journal, E::Source::CommandLine);
        recorder.setNote(QStringLiteral("Зона 3"));
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
        // A handshake alone leaves nothing; a date set and a date read leave the date.
        QVERIFY(rig.run("sendParamAA"));
        rig.link->setDateToSend(QDate(2031, 7, 9));
        QVERIFY(rig.run("sendParamA1"));
        QVERIFY(rig.run("sendParamA2"));
        QStringList entries;
        for (const E &e : Journal(path).entries()) {
            entries << fields(e);
            QVERIFY(e.time.timeSpec() == Qt::UTC && e.time >= before);
        }
        QCOMPARE(entries, QStringList({"1 3 0 - - 2031-07-09 Зона 3|", "1 2 0 - - 2031-07-09 Зона 3|",
                                       "1 0 2 - - - Зона 3|ответ 0xFF вместо 0x53",
                                       "1 1 1 000a090203 000a010203 - Зона 3|", "1 1 0 000a010203 000a010203 - Зона 3|"}));
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

    // sql: what makes the file at the journal's path; none: garbage bytes.
    void damagedFileMovedAside_data()
    {
        QTest::addColumn<QStringList>("sql");
        const QString ours = QStringLiteral("PRAGMA application_id=%1").arg(0x5A525633);
        QTest::newRow("garbage bytes") << QStringList();
        QTest::newRow("another program's database") << QStringList{"CREATE TABLE customers (name TEXT)"};
        QTest::newRow("a newer journal") << QStringList{ours, "PRAGMA user_version=99",
                                                        "CREATE TABLE entries (id INTEGER PRIMARY KEY, time, source, kind,"
                                                        " result, written, read, date, note, failure, device)"};
        QTest::newRow("ours without its table") << QStringList{ours, "PRAGMA user_version=1"};
    }
    void damagedFileMovedAside()
    {
        QFETCH(QStringList, sql);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("setup"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            for (const QString &statement : sql)
                QVERIFY(QSqlQuery(db).exec(statement));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("setup"));
        if (sql.isEmpty()) {
            QFile garbage(path);
            QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(4096, 'Z')) == 4096);
        }
        const QByteArray before = readFile(path);
        {
            Journal journal(path);
            const QStringList aside = QFileInfo(path).dir().entryList({QStringLiteral("*.damaged-*")}, QDir::Files);
            QCOMPARE(aside.size(), 1);
            QVERIFY2(journal.notice().contains(aside.first()), qPrintable(journal.notice()));
            QCOMPARE(readFile(QFileInfo(path).dir().filePath(aside.first())), before);
            QVERIFY(journal.add(E{}));
        }
        QCOMPARE(Journal(path).entries().size(), 1);
    }

    // Nothing can be written there: the journal says so and why, fails cleanly, and reads what there is.
    void unwritableLocation_data()
    {
        QTest::addColumn<QString>("locked");
        QTest::newRow("folder is a file") << "";
        QTest::newRow("read-only folder") << "folder";
        QTest::newRow("read-only journal") << "journal";
    }
    void unwritableLocation()
    {
        QFETCH(QString, locked);
        const QString parent = QFileInfo(path).absolutePath();
        QVERIFY(QDir().mkpath(parent));
        const int kept = locked == QLatin1String("journal") ? Journal(path).add(E{}) : 0;
        const QString target = kept ? path : parent + QStringLiteral("/sub");
        if (locked.isEmpty()) {
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
        QCOMPARE(journal.entries().size(), kept);
        QFile::setPermissions(parent, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A field with a separator, a quote or a line break is quoted, its quotes doubled: one record per entry.
    void csvQuotesWhatWouldSplitARecord()
    {
        QVector<E> entries;
        for (const char *note : {"две\nстроки", "возврат\rкаретки"})
            entries << E{0, {}, E::Source::Window, E::Kind::Write, E::Result::Failed, {}, {}, {}, note, "линия \"занята\", нет ответа"};
        const QByteArray csv = Journal::toCsv(entries);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(csv.count("\r\n"), 3);
        QVERIFY(csv.contains(",\"две\nстроки\",\"линия \"\"занята\"\", нет ответа\",") && csv.contains(",\"возврат\rкаретки\","));
    }

    // The window: the filter narrows the table as one types, a note edited in place is stored, the export holds what is shown.
    void filterNoteAndExport()
    {
        Journal journal(path);
        const E::Parameters block{0x08, 25, 0, 5, 0};
        for (const E &e : {E{0, {}, E::Source::Window, E::Kind::ParameterRead, E::Result::Ok, {}, block, {}, "Зона 1", {}},
                           E{0, {}, E::Source::CommandLine, E::Kind::Write, E::Result::Ok, block, block, {}, {}, {}},
                           E{0, {}, E::Source::Window, E::Kind::DateSet, E::Result::Ok, {}, {}, QDate(2025, 5, 1), "опора 12", {}}})
            QVERIFY(journal.add(e));
        JournalWindow window(&journal);
        window.show();
        auto *filter = window.findChild<QLineEdit *>(QStringLiteral("filter"));
        auto *table = window.findChild<QTableView *>(QStringLiteral("table"));
        QVERIFY(filter && table);

        // Any column, any case, narrowed at each key.
        const QList<QPair<QString, int>> typed{{"зона", 1}, {"командная", 1}, {"2025-05-01", 1}, {"zzz", 0}, {"", 3}};
        for (const auto &[text, rows] : typed) {
            filter->clear();
            type(filter, text);
            QCOMPARE(table->model()->rowCount(), rows);
        }

        // Only the note is edited in place: here that of the newest entry, the date set.
        QVERIFY(!(table->model()->index(0, JournalModel::Parameters).flags() & Qt::ItemIsEditable));
        table->setCurrentIndex(table->model()->index(0, JournalModel::Note));
        QTest::keyClick(table, Qt::Key_F2);
        auto *editor = table->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->selectAll();
        type(editor, QStringLiteral("опора 13, ворота"));
        QSignalSpy stored(table->model(), &QAbstractItemModel::dataChanged); // the delegate commits in a queued call
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(stored.wait(5000));
        QCOMPARE(Journal(path).entries().first().note, QStringLiteral("опора 13, ворота"));

        type(filter, QStringLiteral("5, выкл")); // the parameters of the read and the write
        QCOMPARE(table->model()->rowCount(), 2);
        QVERIFY(window.exportCsv(folder->filePath(QStringLiteral("export.csv"))));
        const QByteArray csv = readFile(folder->filePath(QStringLiteral("export.csv")));
        QCOMPARE(csv.count("\r\n"), 3);
        QVERIFY(csv.contains("Зона 1") && csv.contains("командная") && !csv.contains("опора"));
    }
};

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
