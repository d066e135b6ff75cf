#include "storage/journal.h"

#include "storage/journalsqlite.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>

using namespace JournalSqlite;

namespace {

// A damaged file seen by a read or a write: checked again and moved aside,
// then the write is tried once more in the fresh file.
constexpr int DamagedWriteTries = 3;

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

} // namespace

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

