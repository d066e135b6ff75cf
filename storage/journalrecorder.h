// Keeps the journal of one link: every parameter read, write with its
// read-back, date set and date read the link completes, and every one that
// failed, becomes one entry; a read asked again after bad replies is one
// entry with its number of tries. A handshake alone is not recorded.
#ifndef ZORVEL_STORAGE_JOURNALRECORDER_H
#define ZORVEL_STORAGE_JOURNALRECORDER_H

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

#include "storage/journal.h"

class DetectorLink;

class JournalRecorder : public QObject
{
    Q_OBJECT

public:
    // Neither the link nor the journal is owned; both must outlive the
    // recorder. Entries are marked as demo runs when the process talks to the
    // simulated detector at this moment.
    JournalRecorder(DetectorLink *link, Journal *journal, JournalEntry::Source source, QObject *parent = nullptr);

    // Stored with every entry from now on: the command line's --note.
    void setNote(const QString &note) { note_ = note; }
    // Stored with every write's entry from now on, failed ones included, in
    // place of the note above, and with no other entry: what a profile's or a
    // series' note says of the detector a write was for, a later read of
    // whatever is connected does not.
    void setWriteNote(const QString &note) { writeNote_ = note; }
    QString writeNote() const { return writeNote_; }
    // Records an entry the link cannot see, such as a command that found no
    // detector. Its time is now, unless it has one.
    void record(JournalEntry entry);

    // Off (the default): record() stores the entry before it returns and
    // emits recorded() or failed() first. On, for the window: an entry that
    // meets another program's write lock waits in a queue, in order, and is
    // tried again from a timer, so that nothing waits for the journal.
    void setQueued(bool queued) { queued_ = queued; }
    int queued() const { return int(queue_.size()); }
    // Stores what is queued or held, waiting for the write lock at most a few
    // seconds in all; for the end of the program. What still cannot be stored
    // is reported through failed().
    void flush();

signals:
    void recorded();
    void failed(const QString &reason); // the journal could not store an entry
    // The journal was found damaged, moved aside and started afresh; the
    // entry went into the fresh one. `notice` is for the user.
    void moved(const QString &notice);
    // `count` entries have waited for the journal longer than a few seconds;
    // 0 when they have been stored.
    void waiting(int count);

private:
    // A failed read that the link may ask again is held until the
    // transaction ends or another reply completes it.
    void hold(JournalEntry failed);
    void complete(JournalEntry entry);
    // Stores the first queued entry; false when it met the write lock and
    // `mayWait`: it stays first.
    bool storeFirst(bool mayWait);
    void drain();

    Journal *journal_;
    JournalEntry::Source source_;
    bool demo_;
    QString note_;
    QString writeNote_;
    bool queued_ = false;
    std::optional<JournalEntry> held_;
    QList<JournalEntry> queue_;
    QTimer retry_;
    bool waitingShown_ = false;
};

#endif
