#include "storage/journalrecorder.h"

#include "link/detectorlink.h"
#include "link/simpleioapi.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>

namespace {

// Queued entries: another try this often while the lock is held, and a word
// in the window once the oldest has waited this long. A command's INSERT holds
// the lock for milliseconds; seconds mean a program that keeps it.
constexpr int RetryMs = 250;
constexpr int WaitingNoticeMs = 3000;
// At the end of the program the queue may wait this long in all.
constexpr int FlushMs = 5000;

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

JournalEntry failedEntry(JournalEntry::Kind kind, const QString &failure, const QByteArray &written = {})
{
    JournalEntry entry;
    entry.kind = kind;
    entry.result = JournalEntry::Result::Failed;
    entry.failure = failure;
    if (!written.isEmpty())
        entry.written = parameters(written);
    return entry;
}

} // namespace

JournalRecorder::JournalRecorder(DetectorLink *link, Journal *journal, JournalEntry::Source source, QObject *parent)
    : QObject(parent), journal_(journal), source_(source), demo_(BridgeLoader::demo())
{
    retry_.setSingleShot(true);
    retry_.setInterval(RetryMs);
    connect(&retry_, &QTimer::timeout, this, &JournalRecorder::drain);

    connect(link, &DetectorLink::parametersRead, this, [this](const QByteArray &read) {
        JournalEntry entry;
        entry.kind = JournalEntry::Kind::ParameterRead;
        entry.read = parameters(read);
        complete(entry);
    });
    connect(link, &DetectorLink::writeConfirmed, this,
            [this](bool same, const QByteArray &written, const QByteArray &readBack) {
                JournalEntry entry;
                entry.kind = JournalEntry::Kind::Write;
                entry.result = same ? JournalEntry::Result::Ok : JournalEntry::Result::Mismatch;
                entry.written = parameters(written);
                entry.read = parameters(readBack);
                complete(entry);
            });
    // The link asks whether to read again right after this: the entry waits.
    connect(link, &DetectorLink::readFailed, this, [this](int status, const QByteArray &pendingWrite) {
        hold(failedEntry(pendingWrite.isEmpty() ? JournalEntry::Kind::ParameterRead : JournalEntry::Kind::Write,
                         QCoreApplication::translate("JournalRecorder", "ответ %1 вместо 0x53").arg(hexByte(status)),
                         pendingWrite));
    });
    connect(link, &DetectorLink::lineFailed, this,
            [this](LinkTransaction transaction, const QString &reason, const QByteArray &pendingWrite) {
                switch (transaction) {
                case LinkTransaction::Read:
                case LinkTransaction::Write:
                    // A write's read-back is a read that carries what was written.
                    complete(failedEntry(pendingWrite.isEmpty() ? JournalEntry::Kind::ParameterRead
                                                                : JournalEntry::Kind::Write,
                                         reason, pendingWrite));
                    break;
                case LinkTransaction::DateSet: complete(failedEntry(JournalEntry::Kind::DateSet, reason)); break;
                case LinkTransaction::DateGet: complete(failedEntry(JournalEntry::Kind::DateRead, reason)); break;
                case LinkTransaction::Handshake:
                case LinkTransaction::Console: break; // the command line records its own failed handshake
                }
            });
    connect(link, &DetectorLink::dateSent, this, [this](const QByteArray &date) {
        JournalEntry entry;
        entry.kind = JournalEntry::Kind::DateSet;
        entry.date = dateOf(date);
        complete(entry);
    });
    connect(link, &DetectorLink::dateReceived, this, [this](const QByteArray &reply) {
        JournalEntry entry;
        entry.kind = JournalEntry::Kind::DateRead;
        entry.date = dateOf(reply);
        complete(entry);
    });
    connect(link, &DetectorLink::dateReplyMissing, this, [this] {
        complete(failedEntry(JournalEntry::Kind::DateRead,
                             QCoreApplication::translate("JournalRecorder", "нет ответа с датой")));
    });
    // The transaction is over: a failed read that was not asked again is final.
    connect(link, &DetectorLink::setButton, this, [this](bool free) {
        if (free && held_)
            record(*std::exchange(held_, std::nullopt));
    });
}

void JournalRecorder::hold(JournalEntry failed)
{
    if (held_)
        failed.tries = held_->tries + 1;
    held_ = failed;
}

void JournalRecorder::complete(JournalEntry entry)
{
    if (held_)
        entry.tries = std::exchange(held_, std::nullopt)->tries + 1;
    record(entry);
}

void JournalRecorder::record(JournalEntry entry)
{
    entry.source = source_;
    entry.demo = demo_;
    if (entry.note.isEmpty())
        entry.note = entry.kind == JournalEntry::Kind::Write && !writeNote_.isEmpty() ? writeNote_ : note_;
    // The time the transaction ended, however long the entry waits.
    if (!entry.time.isValid())
        entry.time = QDateTime::currentDateTimeUtc();
    queue_.append(entry);
    // Entries keep their order: a new one waits behind those already queued.
    if (!queued_ || !retry_.isActive())
        drain();
}

bool JournalRecorder::storeFirst(bool mayWait)
{
    QString why;
    const Journal::Stored stored = journal_->store(queue_.first(), &why);
    const QString notice = journal_->takeNotice();
    if (!notice.isEmpty())
        emit moved(notice);
    if (stored == Journal::Stored::Busy && mayWait)
        return false;
    queue_.removeFirst();
    if (stored == Journal::Stored::Yes)
        emit recorded();
    else
        emit failed(why);
    return true;
}

void JournalRecorder::drain()
{
    while (!queue_.isEmpty()) {
        if (!storeFirst(queued_)) {
            if (queue_.first().time.msecsTo(QDateTime::currentDateTimeUtc()) >= WaitingNoticeMs) {
                waitingShown_ = true;
                emit waiting(int(queue_.size()));
            }
            retry_.start();
            return;
        }
    }
    if (waitingShown_) {
        waitingShown_ = false;
        emit waiting(0);
    }
}

void JournalRecorder::flush()
{
    retry_.stop();
    if (held_)
        record(*std::exchange(held_, std::nullopt));
    retry_.stop();
    // Each entry in turn waits for the lock what is left of the time.
    const QDeadlineTimer deadline(FlushMs);
    while (!queue_.isEmpty()) {
        journal_->setBusyTimeout(int(qMax<qint64>(0, deadline.remainingTime())));
        storeFirst(false);
    }
}
