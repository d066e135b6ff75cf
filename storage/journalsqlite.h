// Inside the journal's two files: SQLite's result codes as the journal reads
// them, and how long it waits for another program.
#ifndef ZORVEL_STORAGE_JOURNALSQLITE_H
#define ZORVEL_STORAGE_JOURNALSQLITE_H

#include <QSqlError>
#include <QString>

namespace JournalSqlite {

// A write waits this long for the other program's transaction, unless told
// otherwise; each one is a single INSERT and ends within milliseconds.
constexpr int BusyTimeoutMs = 2000;
// How long a journal being opened waits for another one that is still
// checking or creating the same file.
constexpr int OpenLockTimeoutMs = 5000;

// SQLite's primary result codes: a statement that does not fit the tables;
// another connection holds the lock; a damaged page; no database of any kind.
constexpr int SqliteError = 1;
constexpr int SqliteBusy = 5;
constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADatabase = 26;

inline int sqliteCode(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xFF;
}

inline bool isDamage(const QSqlError &error)
{
    const int code = sqliteCode(error);
    return code == SqliteNotADatabase || code == SqliteCorrupt;
}

} // namespace JournalSqlite

#endif
