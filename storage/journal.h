// The commissioning journal: every completed transaction with a detector, by
// the window or by the command line, kept in an SQLite file that both may
// write at once. QtCore and QtSql only.
#ifndef ZORVEL_STORAGE_JOURNAL_H
#define ZORVEL_STORAGE_JOURNAL_H

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVector>

class QSqlError;
class QSqlQuery;

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

struct JournalEntry {
    enum class Source { Window, CommandLine };
    enum class Kind { ParameterRead, Write, DateSet, DateRead };
    enum class Result { Ok, Mismatch, Failed };
    using Parameters = std::array<std::uint8_t, 5>; // flag, angle, range_1, range_2, range_3

    qint64 id = 0;  // given by the journal; ignored by add()
    QDateTime time; // UTC; add() takes the current time when it is not valid
    Source source = Source::Window;
    Kind kind = Kind::ParameterRead;
    Result result = Result::Ok;
    std::optional<Parameters> written;
    std::optional<Parameters> read;
    std::optional<QDate> date;
    QString note;
    QString failure; // what failed, for a failed attempt
    int tries = 1;     // replies it took: a read asked again after bad replies counts each
    bool demo = false; // against the simulated detector, not a real one
};

// One connection of its own per object: create and use each journal in one
// thread; several journals, in threads or processes, may share a file.
class Journal
{
public:
    // The file is created, with its folder, when it does not exist.
    explicit Journal(const QString &path = defaultPath());
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // <AppDataLocation>/journal.sqlite
    static QString defaultPath();

    QString path() const { return path_; }
    // False when entries cannot be stored; errorString() says why.
    bool isWritable() const { return writable_; }
    QString errorString() const { return error_; }
    // Set by the journal that found a damaged or foreign file and moved it
    // aside, at the open or later; empty otherwise. The caller shows it to the
    // user; takeNotice() empties it.
    QString notice() const { return notice_; }
    QString takeNotice() { return std::exchange(notice_, QString()); }

    // How long a write waits for another program's write lock, from now on.
    // The open itself always waits the default 2 s.
    void setBusyTimeout(int ms);

    enum class Stored { Yes, Busy, No };
    // One transaction per entry. Busy: another program holds the write lock
    // longer than the busy timeout; try again later. On failure `error` says
    // why and nothing is stored. A file found damaged is moved aside and the
    // entry goes into a fresh one; notice() then says so.
    Stored store(const JournalEntry &entry, QString *error = nullptr);
    bool add(const JournalEntry &entry, QString *error = nullptr) { return store(entry, error) == Stored::Yes; }
    // Newest first. When not every entry could be read, `error` says why (and
    // a damaged file is moved aside); it is cleared otherwise.
    QVector<JournalEntry> entries(QString *error = nullptr);
    bool setNote(qint64 id, const QString &note, QString *error = nullptr);

    // RFC 4180 with a byte-order mark and a header row, one record per entry;
    // `separator` ';' is what spreadsheets expect where the decimal separator
    // is the comma (a Russian locale), and fields holding it are quoted.
    static QByteArray toCsv(const QVector<JournalEntry> &entries, char separator = ',');
    // Readable lines for a terminal, one block per entry.
    static QString toText(const QVector<JournalEntry> &entries);

    // Words for the window, the CSV and the text form.
    static QString sourceText(JournalEntry::Source source);
    static QString originText(const JournalEntry &entry); // the source, and "демо" for the simulated detector
    static QString kindText(JournalEntry::Kind kind);
    static QString resultText(const JournalEntry &entry);  // with what failed and the tries, if more than one
    static QString detailsText(const JournalEntry &entry); // the parameters or the date in words

private:
    enum class Opened { Ok, Foreign, Unwritable };
    Opened open();
    Opened migrate(QSqlQuery &query); // to SchemaVersion, under the write lock
    Opened cannotOpen(const QSqlError &error);
    bool moveAside();
    // After SQLite reported damage on a read or a write: the file is checked
    // again under the opening lock and moved aside when damaged. `certain`: it
    // was found damaged once already and goes aside without another check.
    void recover(bool certain);
    void setUnwritable(const QString &reason);

    QString path_;
    QString connection_;
    bool writable_ = false;
    QString error_;
    QString notice_;
    int busyTimeoutMs_;
};

#endif
