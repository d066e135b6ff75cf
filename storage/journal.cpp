#include "storage/journal.h"

#include "protocol/profile.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringList>

#include <iterator>

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

// A write waits this long for the other program's transaction, unless told
// otherwise; each one is a single INSERT and ends within milliseconds.
constexpr int BusyTimeoutMs = 2000;
// A damaged file seen by a read or a write: checked again and moved aside,
// then the write is tried once more in the fresh file.
constexpr int DamagedWriteTries = 3;
// How long a journal being opened waits for another one that is still
// checking or creating the same file.
constexpr int OpenLockTimeoutMs = 5000;

// SQLite's primary result codes: a statement that does not fit the tables;
// another connection holds the lock; a damaged page; no database of any kind.
constexpr int SqliteError = 1;
constexpr int SqliteBusy = 5;
constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADatabase = 26;

int sqliteCode(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xFF;
}

bool isDamage(const QSqlError &error)
{
    const int code = sqliteCode(error);
    return code == SqliteNotADatabase || code == SqliteCorrupt;
}

// Stored names of the enums: stable words, so the file reads well in any tool.
const char *const SourceNames[] = {"window", "command-line"};
const char *const KindNames[] = {"parameter-read", "write", "date-set", "date-read"};
const char *const ResultNames[] = {"ok", "mismatch", "failed"};

template <typename Enum, std::size_t N>
Enum fromName(const QString &name, const char *const (&names)[N])
{
    for (std::size_t i = 0; i < N; ++i) {
        if (name == QLatin1String(names[i]))
            return Enum(i);
    }
    return Enum(0);
}

QVariant bytes(const std::optional<JournalEntry::Parameters> &parameters)
{
    if (!parameters)
        return QVariant(QMetaType::fromType<QByteArray>());
    return QByteArray(reinterpret_cast<const char *>(parameters->data()), int(parameters->size()));
}

std::optional<JournalEntry::Parameters> parameters(const QVariant &value)
{
    const QByteArray stored = value.toByteArray();
    if (value.isNull() || stored.size() != int(JournalEntry::Parameters().size()))
        return std::nullopt;
    JournalEntry::Parameters out{};
    std::copy(stored.cbegin(), stored.cend(), out.begin());
    return out;
}

QString words(const JournalEntry::Parameters &parameters)
{
    return Profile::fromFrame(parameters.data()).summary();
}

QString hex(const std::optional<JournalEntry::Parameters> &parameters)
{
    if (!parameters)
        return {};
    const QByteArray raw(reinterpret_cast<const char *>(parameters->data()), int(parameters->size()));
    return QString::fromLatin1(raw.toHex(' '));
}

// One CSV field: quoted when it holds a quote, a comma or a line break, with
// quotes doubled.
QByteArray csvField(const QString &text)
{
    QByteArray field = text.toUtf8();
    if (field.contains('"') || field.contains(',') || field.contains('\n') || field.contains('\r'))
        field = '"' + field.replace('"', "\"\"") + '"';
    return field;
}

// The CSV's columns, in the order of Journal::toCsv's fields.
const char *const CsvColumns[] = {
    QT_TRANSLATE_NOOP("Journal", "№"),          QT_TRANSLATE_NOOP("Journal", "Время (UTC)"),
    QT_TRANSLATE_NOOP("Journal", "Источник"),   QT_TRANSLATE_NOOP("Journal", "Действие"),
    QT_TRANSLATE_NOOP("Journal", "Результат"),  QT_TRANSLATE_NOOP("Journal", "Записано"),
    QT_TRANSLATE_NOOP("Journal", "Прочитано"),  QT_TRANSLATE_NOOP("Journal", "Дата"),
    QT_TRANSLATE_NOOP("Journal", "Примечание"), QT_TRANSLATE_NOOP("Journal", "Что не удалось"),
    QT_TRANSLATE_NOOP("Journal", "Байты записи"), QT_TRANSLATE_NOOP("Journal", "Байты чтения"),
    QT_TRANSLATE_NOOP("Journal", "Попыток"),
};

QByteArray csvRecord(const QStringList &fields)
{
    QByteArray record;
    for (int i = 0; i < fields.size(); ++i)
        record += (i > 0 ? "," : "") + csvField(fields.at(i));
    return record + "\r\n";
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

void Journal::setBusyTimeout(int ms)
{
    busyTimeoutMs_ = ms;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (db.isOpen())
        QSqlQuery(db).exec(QStringLiteral("PRAGMA busy_timeout=%1").arg(ms));
}

Journal::~Journal()
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

QString Journal::defaultPath()
{
    // The same folder on Linux; on Windows the local one, not the roaming one
    // that a domain copies from machine to machine: the journal is this PC's.
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/journal.sqlite");
}

void Journal::setUnwritable(const QString &reason)
{
    writable_ = false;
    error_ = reason;
}

Journal::Opened Journal::open()
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    db.close();
    db.setDatabaseName(path_);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    QSqlQuery query(db);
    auto failed = [&](const QSqlError &error) {
        setUnwritable(
            QCoreApplication::translate("Journal", "Журнал не ведётся: файл %1 нельзя открыть для записи (%2).")
                .arg(QDir::toNativeSeparators(path_), error.text()));
        return isDamage(error) ? Opened::Foreign : Opened::Unwritable;
    };
    // Reads the header's marks; false when the file is no database at all.
    qint64 applicationId = 0;
    int version = 0;
    int tables = 0;
    auto readHeader = [&] {
        if (!query.exec(QStringLiteral("PRAGMA application_id")) || !query.next())
            return false;
        applicationId = query.value(0).toLongLong();
        if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
            return false;
        version = query.value(0).toInt();
        if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next())
            return false;
        tables = query.value(0).toInt();
        return true;
    };
    auto ours = [&] {
        const bool empty = applicationId == 0 && version == 0 && tables == 0;
        return empty || (applicationId == ApplicationId && version <= SchemaVersion);
    };

    if (!db.open() || !readHeader())
        return failed(db.isOpen() ? query.lastError() : db.lastError());
    // Nothing is written to a file before it is known to be ours: a file moved
    // aside keeps every byte it had.
    if (!ours())
        return Opened::Foreign;
    // A damaged page is found here rather than by the write that lands on it:
    // such a write fails for ever ("database disk image is malformed") and a
    // read stops at the page. The check reads each page once: milliseconds
    // for a journal of thousands of entries.
    if (!query.exec(QStringLiteral("PRAGMA quick_check(1)")) || !query.next())
        return failed(query.lastError());
    if (query.value(0).toString() != QLatin1String("ok"))
        return Opened::Foreign;

    if (version < SchemaVersion) {
        // The check again under the write lock: another program may have
        // created or migrated the file in the meantime.
        if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
            return failed(query.lastError());
        bool done = readHeader();
        if (done && !ours()) {
            query.exec(QStringLiteral("ROLLBACK"));
            return Opened::Foreign;
        }
        for (int step = version; done && step < SchemaVersion; ++step) {
            const QStringList statements = QString::fromLatin1(SchemaSteps[step]).split(QLatin1Char(';'));
            for (const QString &statement : statements)
                done = done && query.exec(statement);
        }
        done = done && query.exec(QStringLiteral("PRAGMA application_id=%1").arg(ApplicationId))
            && query.exec(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion))
            && query.exec(QStringLiteral("COMMIT"));
        if (!done) {
            const QSqlError error = query.lastError();
            query.exec(QStringLiteral("ROLLBACK"));
            // SQLITE_ERROR: a step does not fit the tables (no such table, a
            // column there already): marked as ours yet changed by hand or a tool.
            return sqliteCode(error) == SqliteError ? Opened::Foreign : failed(error);
        }
    }

    // Marked as ours yet without the columns we read: damaged by hand or by a tool.
    QStringList columns;
    if (!query.exec(QStringLiteral("PRAGMA table_info(entries)")))
        return failed(query.lastError());
    while (query.next())
        columns << query.value(1).toString();
    for (const char *column : Columns) {
        if (!columns.contains(QLatin1String(column)))
            return Opened::Foreign;
    }
    // Two programs write at once: readers never wait for the writer in WAL mode.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return failed(query.lastError());

    // A journal whose file has become read-only still opens and reads; only a
    // write tells, here one that is rolled back.
    const bool wrote = query.exec(QStringLiteral("BEGIN IMMEDIATE"))
        && query.exec(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion));
    const QSqlError writeError = query.lastError();
    query.exec(QStringLiteral("ROLLBACK"));
    if (!wrote && sqliteCode(writeError) != SqliteBusy)
        return failed(writeError);
    if (busyTimeoutMs_ != BusyTimeoutMs)
        query.exec(QStringLiteral("PRAGMA busy_timeout=%1").arg(busyTimeoutMs_));
    writable_ = true;
    error_.clear();
    return Opened::Ok;
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

Journal::Stored Journal::store(const JournalEntry &entry, QString *error)
{
    const QDateTime time = entry.time.isValid() ? entry.time.toUTC() : QDateTime::currentDateTimeUtc();
    for (int attempt = 1;; ++attempt) {
        QSqlError failure;
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            if (!db.isOpen()) {
                if (error)
                    *error = error_;
                return Stored::No;
            }
            QSqlQuery query(db);
            const bool prepared = query.prepare(QStringLiteral(
                "INSERT INTO entries (time, source, kind, result, written, read, date, note, failure, tries, demo)"
                " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            query.addBindValue(time.toString(Qt::ISODateWithMs));
            query.addBindValue(QLatin1String(SourceNames[int(entry.source)]));
            query.addBindValue(QLatin1String(KindNames[int(entry.kind)]));
            query.addBindValue(QLatin1String(ResultNames[int(entry.result)]));
            query.addBindValue(bytes(entry.written));
            query.addBindValue(bytes(entry.read));
            query.addBindValue(entry.date ? QVariant(entry.date->toString(Qt::ISODate))
                                          : QVariant(QMetaType::fromType<QString>()));
            // A null QString would bind as NULL.
            query.addBindValue(entry.note.isNull() ? QStringLiteral("") : entry.note);
            query.addBindValue(entry.failure.isNull() ? QStringLiteral("") : entry.failure);
            query.addBindValue(qMax(1, entry.tries));
            query.addBindValue(entry.demo ? 1 : 0);
            // One statement outside any explicit transaction is one transaction of its own.
            if (prepared && query.exec()) {
                writable_ = true;
                error_.clear();
                return Stored::Yes;
            }
            failure = query.lastError();
        }
        if (isDamage(failure) && attempt < DamagedWriteTries) {
            // The second time the file just checked is damaged after all.
            recover(attempt > 1);
            continue;
        }
        if (sqliteCode(failure) == SqliteBusy) {
            if (error) {
                *error = QCoreApplication::translate("Journal", "Журнал %1 занят другой программой.")
                             .arg(QDir::toNativeSeparators(path_));
            }
            return Stored::Busy;
        }
        // SQLITE_FULL, a read-only file and the like: said in SQLite's own words.
        setUnwritable(QCoreApplication::translate("Journal", "Запись в журнал %1 не удалась (%2).")
                          .arg(QDir::toNativeSeparators(path_), failure.text()));
        if (error)
            *error = error_;
        return Stored::No;
    }
}

QVector<JournalEntry> Journal::entries(QString *error)
{
    QVector<JournalEntry> out;
    if (error)
        error->clear();
    QSqlError failure;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (!db.isOpen()) {
            if (error)
                *error = error_;
            return out;
        }
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (query.exec(QStringLiteral("SELECT id, time, source, kind, result, written, read, date, note, failure,"
                                      " tries, demo FROM entries ORDER BY id DESC"))) {
            while (query.next()) {
                JournalEntry entry;
                entry.id = query.value(0).toLongLong();
                entry.time = QDateTime::fromString(query.value(1).toString(), Qt::ISODateWithMs).toUTC();
                entry.source = fromName<JournalEntry::Source>(query.value(2).toString(), SourceNames);
                entry.kind = fromName<JournalEntry::Kind>(query.value(3).toString(), KindNames);
                entry.result = fromName<JournalEntry::Result>(query.value(4).toString(), ResultNames);
                entry.written = parameters(query.value(5));
                entry.read = parameters(query.value(6));
                if (!query.value(7).isNull())
                    entry.date = QDate::fromString(query.value(7).toString(), Qt::ISODate);
                entry.note = query.value(8).toString();
                entry.failure = query.value(9).toString();
                entry.tries = query.value(10).toInt();
                entry.demo = query.value(11).toInt() != 0;
                out.append(entry);
            }
        }
        // A damaged page ends the rows early, with the error here.
        failure = query.lastError();
    }
    if (failure.type() == QSqlError::NoError)
        return out;
    if (error) {
        *error = QCoreApplication::translate("Journal", "Журнал %1 прочитан не весь: прочитано записей: %2 (%3).")
                     .arg(QDir::toNativeSeparators(path_))
                     .arg(out.size())
                     .arg(failure.text());
    }
    if (isDamage(failure))
        recover(false);
    return out;
}

bool Journal::setNote(qint64 id, const QString &note, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery query(db);
    const bool prepared = query.prepare(QStringLiteral("UPDATE entries SET note = ? WHERE id = ?"));
    query.addBindValue(note.isNull() ? QStringLiteral("") : note);
    query.addBindValue(id);
    QString reason;
    if (!db.isOpen())
        reason = error_;
    else if (!prepared || !query.exec())
        reason = query.lastError().text();
    else if (query.numRowsAffected() == 1)
        return true;
    else
        reason = QCoreApplication::translate("Journal", "записи %1 нет").arg(id);
    if (error)
        *error = QCoreApplication::translate("Journal", "Примечание не сохранено (%1).").arg(reason);
    return false;
}

QString Journal::sourceText(JournalEntry::Source source)
{
    return source == JournalEntry::Source::Window ? QCoreApplication::translate("Journal", "окно")
                                                  : QCoreApplication::translate("Journal", "командная строка");
}

QString Journal::originText(const JournalEntry &entry)
{
    if (!entry.demo)
        return sourceText(entry.source);
    return QCoreApplication::translate("Journal", "%1, демо").arg(sourceText(entry.source));
}

QString Journal::kindText(JournalEntry::Kind kind)
{
    switch (kind) {
    case JournalEntry::Kind::ParameterRead: return QCoreApplication::translate("Journal", "Чтение параметров");
    case JournalEntry::Kind::Write: return QCoreApplication::translate("Journal", "Запись параметров");
    case JournalEntry::Kind::DateSet: return QCoreApplication::translate("Journal", "Установка даты");
    case JournalEntry::Kind::DateRead: return QCoreApplication::translate("Journal", "Чтение даты");
    }
    return {};
}

QString Journal::resultText(const JournalEntry &entry)
{
    QString text;
    switch (entry.result) {
    case JournalEntry::Result::Ok: text = QCoreApplication::translate("Journal", "успешно"); break;
    case JournalEntry::Result::Mismatch:
        text = QCoreApplication::translate("Journal", "прочитано не то, что записано");
        break;
    case JournalEntry::Result::Failed:
        text = entry.failure.isEmpty() ? QCoreApplication::translate("Journal", "ошибка")
                                       : QCoreApplication::translate("Journal", "ошибка: %1").arg(entry.failure);
        break;
    }
    if (entry.tries > 1)
        text = QCoreApplication::translate("Journal", "%1 (попыток: %2)").arg(text).arg(entry.tries);
    return text;
}

QString Journal::detailsText(const JournalEntry &entry)
{
    QStringList parts;
    if (entry.written && entry.read && *entry.written == *entry.read) {
        parts << words(*entry.written);
    } else if (entry.written || entry.read) {
        if (entry.written)
            parts << QCoreApplication::translate("Journal", "записано: %1").arg(words(*entry.written));
        // A read alone needs no label; beside what was written it does.
        if (entry.read && entry.written)
            parts << QCoreApplication::translate("Journal", "прочитано: %1").arg(words(*entry.read));
        else if (entry.read)
            parts << words(*entry.read);
    }
    if (entry.date)
        parts << entry.date->toString(Qt::ISODate);
    return parts.join(QStringLiteral("; "));
}

QByteArray Journal::toCsv(const QVector<JournalEntry> &entries)
{
    QByteArray csv = "\xEF\xBB\xBF";
    QStringList header;
    for (const char *title : CsvColumns)
        header << QCoreApplication::translate("Journal", title);
    csv += csvRecord(header);
    for (const JournalEntry &entry : entries) {
        csv += csvRecord({QString::number(entry.id), entry.time.toUTC().toString(Qt::ISODate), originText(entry),
                          kindText(entry.kind), resultText(entry), entry.written ? words(*entry.written) : QString(),
                          entry.read ? words(*entry.read) : QString(),
                          entry.date ? entry.date->toString(Qt::ISODate) : QString(), entry.note, entry.failure,
                          hex(entry.written), hex(entry.read), QString::number(qMax(1, entry.tries))});
    }
    return csv;
}

QString Journal::toText(const QVector<JournalEntry> &entries)
{
    QString text;
    for (const JournalEntry &entry : entries) {
        text += QStringLiteral("%1  %2: %3 (%4)\n")
                    .arg(entry.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), kindText(entry.kind),
                         resultText(entry), originText(entry));
        const QString details = detailsText(entry);
        if (!details.isEmpty())
            text += QStringLiteral("    ") + details + QLatin1Char('\n');
        if (!entry.note.isEmpty())
            text += QStringLiteral("    ") + QCoreApplication::translate("Journal", "Примечание: %1").arg(entry.note)
                + QLatin1Char('\n');
    }
    return text;
}
