// The command line's journal: the entries it makes beside the recorder's (a
// failure before any transaction ran) and the `journal` command that prints it.
#include "app/commandline.h"

#include "storage/journalrecorder.h"

#include <cstdio>

void CommandLine::openJournal()
{
    journal = std::make_unique<Journal>();
    // A journal moved aside is a warning, never chatter: said even with --quiet.
    const QString notice = journal->takeNotice();
    if (!notice.isEmpty())
        fail(notice);
    // One that cannot be written is said by the entry that fails to go in.
    recorder = new JournalRecorder(link, journal.get(), JournalEntry::Source::CommandLine, this);
    recorder->setNote(note);
    connect(recorder, &JournalRecorder::moved, this, &CommandLine::fail);
}

void CommandLine::recordFailure(const QString &what)
{
    JournalEntry entry;
    switch (command) {
    case Command::Read: entry.kind = JournalEntry::Kind::ParameterRead; break;
    case Command::Write: entry.kind = JournalEntry::Kind::Write; break;
    case Command::DateSet: entry.kind = JournalEntry::Kind::DateSet; break;
    case Command::DateGet: entry.kind = JournalEntry::Kind::DateRead; break;
    case Command::Handshake:
    case Command::ShowJournal:
        return; // a handshake alone is not recorded
    }
    if (command == Command::Write) {
        JournalEntry::Parameters written{};
        for (int i = 0; i < ParameterFrame::length; ++i)
            written[std::size_t(i)] = ParameterFrame::byteAt(block, i);
        entry.written = written;
    }
    entry.result = JournalEntry::Result::Failed;
    entry.failure = what;
    recorder->record(entry);
}

int CommandLine::showJournal()
{
    Journal journal;
    // What could be read is printed; a journal that could not be opened or
    // read whole, or was moved aside as damaged, is no complete record.
    int status = Done;
    QString error;
    const QVector<JournalEntry> entries = journal.entries(&error);
    for (const QString &problem : {journal.takeNotice(), error}) {
        if (!problem.isEmpty()) {
            fail(problem);
            status = NotKept;
        }
    }
    if (csv) {
        const QByteArray text = Journal::toCsv(entries);
        std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    } else {
        out << Journal::toText(entries);
    }
    return status;
}
