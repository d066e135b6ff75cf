#include "ui/seriesrun.h"

#include "storage/journalrecorder.h"

#include <QTimer>

#include <algorithm>
#include <iterator>

namespace {
// A detector plugged in is seen within half a second; a handshake is a
// two-byte exchange of some 70 ms, so the line stays mostly idle.
constexpr int SeriesHandshakeMs = 500;
// A detector is taken as unplugged after this many handshakes in a row went
// unanswered, so that one disturbed exchange does not have a detector that is
// still connected written again.
constexpr int UnpluggedAfterMisses = 2;
} // namespace

SeriesRun::SeriesRun(DetectorLink *link, JournalRecorder *recorder, SeriesSetup setup, QObject *parent)
    : QObject(parent), link_(link), recorder_(recorder), setup_(std::move(setup)), next_(setup_.firstNumber)
{
    const auto frame = setup_.profile.toFrame();
    block_ = ParameterFrame::toBlock(frame.data());
}

SeriesRun::~SeriesRun()
{
    if (started_ && phase_ != Phase::Stopped)
        restoreLink();
}

void SeriesRun::start()
{
    if (started_ || !link_ || !recorder_)
        return;
    started_ = true;
    supervisionMs_ = link_->supervisionInterval();
    questions_ = link_->questions();
    firstConnect_ = link_->firstConnect;
    writeNote_ = recorder_->writeNote();

    // A handshake reads nothing while the series runs: the write's read-back does.
    link_->firstConnect = false;
    link_->setQuestions(this);
    link_->setSupervisionInterval(SeriesHandshakeMs);
    connect(link_, &DetectorLink::signal_handshake_ok, this, [this] { answered(true); });
    connect(link_, &DetectorLink::signal_disconnect, this, [this] { answered(false); });
    connect(link_, &DetectorLink::setButton, this, [this](bool free) {
        if (free)
            lineFree();
    });
    connect(link_, &DetectorLink::writeConfirmed, this, [this](bool same) {
        if (phase_ == Phase::Writing)
            conclude(same, same ? QString() : tr("при проверке считано не то, что записано"));
    });
    connect(link_, &DetectorLink::readFailed, this, [this](int status, const QByteArray &pendingWrite) {
        if (phase_ == Phase::Writing && !pendingWrite.isEmpty())
            conclude(false, tr("при проверке ответ %1 вместо 0x53").arg(hexByte(status)));
    });
    connect(link_, &DetectorLink::lineFailed, this, [this](LinkTransaction, const QString &reason) {
        if (phase_ == Phase::Writing)
            conclude(false, reason);
    });
    startedAt_ = QDateTime::currentDateTimeUtc();
    phase_ = Phase::Waiting;
    emit changed();
    // The first detector need not wait for the period.
    link_->sendParamAA();
}

void SeriesRun::stop()
{
    if (phase_ == Phase::Writing)
        stopAfterWrite_ = true;
    else if (started_ && phase_ != Phase::Stopped)
        finish();
}

void SeriesRun::answered(bool answering)
{
    answering_ = answering;
    misses_ = answering ? 0 : misses_ + 1;
    if (phase_ == Phase::Unplug && misses_ >= UnpluggedAfterMisses) {
        phase_ = Phase::Waiting;
        emit changed();
    }
}

// Every transaction ends here, a handshake's as much as a write's.
void SeriesRun::lineFree()
{
    if (stopAfterWrite_ && phase_ != Phase::Writing) {
        finish();
        return;
    }
    // Not from within the signal: the link's other listeners are still to
    // hear that the line is free, and the write would tell them it is not.
    if (phase_ == Phase::Waiting && answering_)
        QTimer::singleShot(0, this, &SeriesRun::writeDetector);
}

void SeriesRun::writeDetector()
{
    if (phase_ != Phase::Waiting || !answering_ || !link_ || link_->lineBusy())
        return;
    // Set on a free line only: a write reads its block until the read-back.
    link_->setWriteBlock(&block_);
    recorder_->setWriteNote(setup_.noteFor(next_));
    phase_ = Phase::Writing;
    link_->sendParamA6();
    // Refused (another program holds the adapter): tried again at the next answer.
    if (!link_->lineBusy())
        phase_ = Phase::Waiting;
    emit changed();
}

void SeriesRun::conclude(bool written, const QString &failure)
{
    last_ = Result{next_, written, failure};
    if (written) {
        ++written_;
        ++next_;
    } else {
        ++failed_;
    }
    phase_ = Phase::Unplug;
    misses_ = 0;
    emit changed();
    emit concluded(*last_);
}

void SeriesRun::finish()
{
    restoreLink();
    phase_ = Phase::Stopped;
    stopAfterWrite_ = false;
    stoppedAt_ = QDateTime::currentDateTimeUtc();
    emit changed();
    emit finished();
}

void SeriesRun::restoreLink()
{
    if (link_) {
        disconnect(link_, nullptr, this, nullptr);
        link_->setSupervisionInterval(supervisionMs_);
        link_->setQuestions(questions_);
        link_->firstConnect = firstConnect_;
        link_->setWriteBlock(nullptr);
    }
    if (recorder_)
        recorder_->setWriteNote(writeNote_);
}

QVector<JournalEntry> SeriesRun::ownEntries(const QVector<JournalEntry> &all) const
{
    const QDateTime end = stoppedAt_.isValid() ? stoppedAt_ : QDateTime::currentDateTimeUtc();
    QVector<JournalEntry> own;
    std::copy_if(all.begin(), all.end(), std::back_inserter(own), [&](const JournalEntry &entry) {
        return entry.source == JournalEntry::Source::Window && entry.kind == JournalEntry::Kind::Write
            && entry.time >= startedAt_ && entry.time <= end;
    });
    return own;
}

int SeriesRun::entriesUnsaved() const
{
    return recorder_ ? recorder_->queued() : 0;
}
