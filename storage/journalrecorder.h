// Keeps the journal of one link: every parameter read, write with its
// read-back, date set and date read the link completes, and every read that
// failed, becomes one entry. A handshake alone is not recorded.
#ifndef ZORVEL_STORAGE_JOURNALRECORDER_H
#define ZORVEL_STORAGE_JOURNALRECORDER_H

#include <QObject>
#include <QString>

#include "storage/journal.h"

class DetectorLink;

class JournalRecorder : public QObject
{
    Q_OBJECT

public:
    // Neither the link nor the journal is owned; both must outlive the recorder.
    JournalRecorder(DetectorLink *link, Journal *journal, JournalEntry::Source source, QObject *parent = nullptr);

    // Stored with every entry from now on.
    void setNote(const QString &note) { note_ = note; }
    // Records an entry the link cannot see, such as a command that found no detector.
    void record(JournalEntry entry);

signals:
    void recorded();
    void failed(const QString &reason); // the journal could not store an entry

private:
    Journal *journal_;
    JournalEntry::Source source_;
    QString note_;
};

#endif
