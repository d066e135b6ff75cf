// The journal's file: opened, checked as ours and undamaged, brought to the
// current schema, and moved aside when it is damaged or foreign.
#include "storage/journal.h"

#include "storage/journalsqlite.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include <iterator>

using namespace JournalSqlite;

namespace {

// "ZRV3": marks the file as ours in the SQLite header, so a database some
// other program left at our path is told apart from an empty new file.
constexpr qint64 ApplicationId = 0x5A525633;

// Step n takes the schema from version n to n + 1; version 0 is an empty file.
// Later versions append a step and never change an earlier one. A step may
// hold several statements, each ended by ';' (no text of a step holds one).
const char *const SchemaSteps[] = {
    "CREATE TABLE entries ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " time TEXT NOT NULL," // UTC, ISO 8601 with milliseconds
    " source TEXT NOT NULL,"
    " kind TEXT NOT NULL,"
    " result TEXT NOT NULL,"
    " written BLOB," // the five parameter bytes in frame order, or NULL
    " read BLOB,"
    " date TEXT," // YYYY-MM-DD, or NULL
    " note TEXT NOT NULL DEFAULT '',"
    " failure TEXT NOT NULL DEFAULT '')",
    // Entries of version 1 took one reply each and were not marked as demo runs.
    "ALTER TABLE entries ADD COLUMN tries INTEGER NOT NULL DEFAULT 1;"
    "ALTER TABLE entries ADD COLUMN demo INTEGER NOT NULL DEFAULT 0",
};
constexpr int SchemaVersion = int(std::size(SchemaSteps));
const char *const Columns[] = {"id",   "time", "source",  "kind",  "result", "written",
                               "read", "date", "note", "failure", "tries",  "demo"};

// The header's marks: who wrote the file, its schema's version, its tables.
struct Header {
    qint64 applicationId = 0;
    int version = 0;
    int tables = 0;
    // An empty new file, or ours in a version this program knows.
    bool ours() const
    {
        const bool empty = applicationId == 0 && version == 0 && tables == 0;
        return empty || (applicationId == ApplicationId && version <= SchemaVersion);
    }
};

// False when the file is no database at all.
bool readHeader(QSqlQuery &query, Header *header)
{
    if (!query.exec(QStringLiteral("PRAGMA application_id")) || !query.next())
        return false;
    header->applicationId = query.value(0).toLongLong();
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return false;
    header->version = query.value(0).toInt();
    if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next())
        return false;
    header->tables = query.value(0).toInt();
    return true;
}

QString uniqueConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("zorvel-journal-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

Journal::Journal(const QString &path)
    : path_(path), connection_(uniqueConnectionName()), busyTimeoutMs_(BusyTimeoutMs)
{
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    const QFileInfo file(path_);
    if (!QDir().mkpath(file.absolutePath())) {
        setUnwritable(QCoreApplication::translate("Journal", "Журнал не ведётся: папку %1 нельзя создать.")
                          .arg(QDir::toNativeSeparators(file.absolutePath())));
        return;
    }
    // Another journal (this program's or the command line's) may be checking or
    // creating the same file right now: the check and the moving aside must not
    // interleave. Where no lock file can be made, nothing can be moved either.
    QLockFile lock(path_ + QStringLiteral(".lock"));
    (void)lock.tryLock(OpenLockTimeoutMs);
    if (open() == Opened::Foreign && moveAside())
        open();
}

void Journal::recover(bool certain)
{
    // As at the open: another journal may be moving the same file aside.
    QLockFile lock(path_ + QStringLiteral(".lock"));
    (void)lock.tryLock(OpenLockTimeoutMs);
    if ((certain || open() == Opened::Foreign) && moveAside())
        open();
}

void Journal::setUnwritable(const QString &reason)
{
    writable_ = false;
    error_ = reason;
}

Journal::Opened Journal::cannotOpen(const QSqlError &error)
{
    setUnwritable(QCoreApplication::translate("Journal", "Журнал не ведётся: файл %1 нельзя открыть для записи (%2).")
                      .arg(QDir::toNativeSeparators(path_), error.text()));
    return isDamage(error) ? Opened::Foreign : Opened::Unwritable;
}

Journal::Opened Journal::open()
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    db.close();
    db.setDatabaseName(path_);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    QSqlQuery query(db);
    Header header;
    if (!db.open() || !readHeader(query, &header))
        return cannotOpen(db.isOpen() ? query.lastError() : db.lastError());
    // Nothing is written to a file before it is known to be ours: a file moved
    // aside keeps every byte it had.
    if (!header.ours())
        return Opened::Foreign;
    // A damaged page is found here rather than by the write that lands on it:
    // such a write fails for ever ("database disk image is malformed") and a
    // read stops at the page. The check reads each page once: milliseconds
    // for a journal of thousands of entries.
    if (!query.exec(QStringLiteral("PRAGMA quick_check(1)")) || !query.next())
        return cannotOpen(query.lastError());
    if (query.value(0).toString() != QLatin1String("ok"))
        return Opened::Foreign;
    if (header.version < SchemaVersion) {
        const Opened migrated = migrate(query);
        if (migrated != Opened::Ok)
            return migrated;
    }

    // Marked as ours yet without the columns we read: damaged by hand or by a tool.
    QStringList columns;
    if (!query.exec(QStringLiteral("PRAGMA table_info(entries)")))
        return cannotOpen(query.lastError());
    while (query.next())
        columns << query.value(1).toString();
    for (const char *column : Columns) {
        if (!columns.contains(QLatin1String(column)))
            return Opened::Foreign;
    }
    // Two programs write at once: readers never wait for the writer in WAL mode.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return cannotOpen(query.lastError());

    // A journal whose file has become read-only still opens and reads; only a
    // write tells, here one that is rolled back.
    const bool wrote = query.exec(QStringLiteral("BEGIN IMMEDIATE"))
        && query.exec(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion));
    const QSqlError writeError = query.lastError();
    query.exec(QStringLiteral("ROLLBACK"));
    if (!wrote && sqliteCode(writeError) != SqliteBusy)
        return cannotOpen(writeError);
    if (busyTimeoutMs_ != BusyTimeoutMs)
        query.exec(QStringLiteral("PRAGMA busy_timeout=%1").arg(busyTimeoutMs_));
    writable_ = true;
    error_.clear();
    return Opened::Ok;
}

Journal::Opened Journal::migrate(QSqlQuery &query)
{
    // The check again under the write lock: another program may have
    // created or migrated the file in the meantime.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return cannotOpen(query.lastError());
    Header header;
    bool done = readHeader(query, &header);
    if (done && !header.ours()) {
        query.exec(QStringLiteral("ROLLBACK"));
        return Opened::Foreign;
    }
    for (int step = header.version; done && step < SchemaVersion; ++step) {
        const QStringList statements = QString::fromLatin1(SchemaSteps[step]).split(QLatin1Char(';'));
        for (const QString &statement : statements)
            done = done && query.exec(statement);
    }
    done = done && query.exec(QStringLiteral("PRAGMA application_id=%1").arg(ApplicationId))
        && query.exec(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion))
        && query.exec(QStringLiteral("COMMIT"));
    if (done)
        return Opened::Ok;
    const QSqlError error = query.lastError();
    query.exec(QStringLiteral("ROLLBACK"));
    // SQLITE_ERROR: a step does not fit the tables (no such table, a
    // column there already): marked as ours yet changed by hand or a tool.
    return sqliteCode(error) == SqliteError ? Opened::Foreign : cannotOpen(error);
}

bool Journal::moveAside()
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    const QFileInfo file(path_);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target;
    for (int n = 1;; ++n) {
        const QString name = file.completeBaseName() + QStringLiteral(".damaged-") + stamp
            + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + QLatin1Char('.') + file.suffix();
        target = file.dir().filePath(name);
        // QFile::rename never replaces an existing file.
        if (QFile::rename(path_, target))
            break;
        if (!QFileInfo::exists(target)) {
            setUnwritable(QCoreApplication::translate(
                              "Journal", "Журнал не ведётся: файл %1 повреждён, а переименовать его не удалось.")
                              .arg(QDir::toNativeSeparators(path_)));
            return false;
        }
    }
    // The write-ahead log belongs to the damaged file; a new file must not pick it up.
    for (const QString &companion : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFileInfo::exists(path_ + companion))
            QFile::rename(path_ + companion, target + companion);
    }
    notice_ = QCoreApplication::translate("Journal",
                                          "Журнал %1 не удалось прочитать: файл повреждён или записан другой "
                                          "программой. Он сохранён как %2; начат новый журнал.")
                  .arg(QDir::toNativeSeparators(path_), QDir::toNativeSeparators(target));
    return true;
}
