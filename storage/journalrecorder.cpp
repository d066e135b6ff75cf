#include "storage/journalrecorder.h"

#include "link/detectorlink.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

JournalEntry::Parameters parameters(const QByteArray &bytes)
{
    JournalEntry::Parameters out{};
    std::copy_n(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::min<int>(bytes.size(), 5),
                out.begin());
    return out;
}

// The date reply's meaning is the detector's; its first three bytes are
// taken as year % 100, month and day when they make a date.
std::optional<QDate> dateOf(const QByteArray &bytes)
{
    if (bytes.size() < 3)
        return std::nullopt;
    const QDate date(2000 + std::uint8_t(bytes[0]), std::uint8_t(bytes[1]), std::uint8_t(bytes[2]));
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

} // namespace

JournalRecorder::JournalRecorder(DetectorLink *link, Journal *journal, JournalEntry::Source source, QObject *parent)
    : QObject(parent), journal_(journal), source_(source)
{
    connect(link, &DetectorLink::parametersRead, this, [this](const QByteArray &read) {
        JournalEntry entry;
        entry.kind = JournalEntry::Kind::ParameterRead;
        entry.read = parameters(read);
        record(entry);
    });
    connect(link, &DetectorLink::writeConfirmed, this,
            [this](bool same, const QByteArray &written, const QByteArray &readBack) {
                JournalEntry entry;
                entry.kind = JournalEntry::Kind::Write;
                entry.result = same ? JournalEntry::Result::Ok : JournalEntry::Result::Mismatch;
                entry.written = parameters(written);
                entry.read = parameters(readBack);
                record(entry);
            });
    connect(link, &DetectorLink::readFailed, this, [this](int status, const QByteArray &pendingWrite) {
        JournalEntry entry;
        entry.kind = pendingWrite.isEmpty() ? JournalEntry::Kind::ParameterRead : JournalEntry::Kind::Write;
        entry.result = JournalEntry::Result::Failed;
        if (!pendingWrite.isEmpty())
            entry.written = parameters(pendingWrite);
        entry.failure = QCoreApplication::translate("JournalRecorder", "ответ %1 вместо 0x53").arg(hexByte(status));
        record(entry);
    });
    connect(link, &DetectorLink::dateSent, this, [this](const QByteArray &date) {
        JournalEntry entry;
        entry.kind = JournalEntry::Kind::DateSet;
        entry.date = dateOf(date);
        record(entry);
    });
    connect(link, &DetectorLink::dateReceived, this, [this](const QByteArray &reply) {
        JournalEntry entry;
        entry.kind = JournalEntry::Kind::DateRead;
        entry.date = dateOf(reply);
        record(entry);
    });
}

void JournalRecorder::record(JournalEntry entry)
{
    entry.source = source_;
    if (entry.note.isEmpty())
        entry.note = note_;
    QString why;
    if (journal_->add(entry, &why))
        emit recorded();
    else
        emit failed(why);
}
