// The line engine. One 2 ms timer ticks the frame on the line, as the frame's
// row in the engine table says. A wait stops the ticks; one single-shot timer
// ends it, and the engine goes on with what the wait was before: the next
// tick, the next frame, or the frame's outcome. Nothing here runs an event
// loop of its own or sleeps.
#include "link/detectorlink.h"

#include "link/precisewake.h"
#include "trace/linetrace.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstring>

namespace {
// The shortest clock phase the detector is given. After a late tick the
// toolkit's timer sends the next time-out early to catch up; acting on it
// could move CLOCK again microseconds after the late edge, a pulse that a
// detector polling its clock pin can miss. Such a time-out starts the period
// afresh instead: a late tick pushes the later ones back.
constexpr qint64 MinPhaseNs = 1000000;
} // namespace

// ---------------------------------------------------------------------------
// Ticks and waits

void DetectorLink::tick()
{
    if (engineRow(activeEngine).transmit)
        transmitTick(activeEngine);
    else
        receiveTick(activeEngine);
}

bool DetectorLink::tickDue(LinkEngine engine)
{
    // Not the frame on the line, or the engine waits: a tick slot called from
    // outside has nothing to do.
    if (engine == LinkEngine::None || activeEngine != engine || waiting)
        return false;
    if (tickClock.nsecsElapsed() - lastClockNs < MinPhaseNs) {
        startTicks();
        return false;
    }
    ++ticks_;
    return true;
}

void DetectorLink::startTicks()
{
    lineTimer->start(LinkTiming::TickMs);
    wake->armPeriodic(LinkTiming::TickMs);
}

void DetectorLink::stopTicks()
{
    lineTimer->stop();
    wake->disarm();
}

void DetectorLink::waitMs(int ms, Resume then, LinkEngine engine)
{
    if (trace_)
        trace_->wait(ms);
    // No tick while the engine waits; the next comes one period after the wait.
    lineTimer->stop();
    waiting = true;
    resumeWith = then;
    resumeEngine = engine;
    waitEndsNs = tickClock.nsecsElapsed() + qint64(ms) * 1000000;
    waitTimer->start(ms);
    wake->armOnce(ms);
}

void DetectorLink::endWait()
{
    // A timer that counts in whole milliseconds (Windows' multimedia timer)
    // may end a wait up to one early: the detector gets the rest of it.
    const qint64 leftNs = waitEndsNs - tickClock.nsecsElapsed();
    if (leftNs > 0) {
        const int ms = int((leftNs + 999999) / 1000000);
        waitTimer->start(ms);
        wake->armOnce(ms);
        return;
    }
    waiting = false;
    switch (resumeWith) {
    case Resume::Frame:
        startFrame(resumeEngine);
        break;
    case Resume::Ticks: // a reply byte's pause: the next byte, or the frame's end after the last
        if (byteIndex >= engineRow(resumeEngine).bytes)
            endFrame(resumeEngine);
        else
            startTicks();
        break;
    case Resume::AfterFrame:
        afterFrame(resumeEngine);
        break;
    }
}

// ---------------------------------------------------------------------------
// Frames

void DetectorLink::resetCursor()
{
    phase = false; // the first tick lowers the clock: for a transmit it is a data tick
    bitIndex = 7;
    byteIndex = 0;
}

void DetectorLink::startFrame(LinkEngine engine)
{
    resetCursor();
    if (!engineRow(engine).transmit)
        std::memset(rxBuffer, 0, sizeof rxBuffer);
    std::memset(sentBuffer, 0, sizeof sentBuffer);
    if (trace_)
        trace_->frameStart(engine);
    activeEngine = engine;
    startTicks();
}

std::uint8_t DetectorLink::frameByte(LinkEngine engine, int index) const
{
    const EngineRow &row = engineRow(engine);
    switch (row.source) {
    case ByteSource::Command:
        return row.command;
    case ByteSource::ParamBlock:
        // Read live: the user may move a control while the frame is on the line.
        if (index == 0)
            return row.command;
        return deviceConfig ? ParameterFrame::byteAt(*deviceConfig, index - 1) : 0;
    case ByteSource::Date:
        return dateFrameByte(dateToSend_.isValid() ? dateToSend_ : QDate::currentDate(), index);
    case ByteSource::ConsoleBytes:
        return txBuffer[index];
    }
    return 0;
}

void DetectorLink::transmitTick(LinkEngine engine)
{
    if (!tickDue(engine))
        return;
    const EngineRow &row = engineRow(engine);
    if (row.reportsAction) {
        progressShown_ = true;
        emit action(LinkProgress::Bytes, bitIndex, byteIndex);
    }
    if (row.handBox && handChecked)
        setHandEnabled(false);

    phase = !phase;
    if (!phase) {
        setPin(LinkPins::Clock);
        endOnFailedPin(engine);
        return;
    }
    // The data tick after bit 0 drives no pin: the clock stays high for a bit period.
    bool byteDone = bitIndex < 0;
    if (!byteDone) {
        if (!transmitBit(engine, row))
            return;
        byteDone = !row.idleBitAfterByte && bitIndex < 0;
    }
    if (!byteDone)
        return;
    bitIndex = 7;
    ++byteIndex;
    if (row.bytes > 1)
        emit traceText(QStringLiteral("|"));
    if (byteIndex >= row.bytes)
        endFrame(engine);
}

bool DetectorLink::transmitBit(LinkEngine engine, const EngineRow &row)
{
    const bool bit = bitOf(frameByte(engine, byteIndex), bitIndex);
    if (row.idleBitAfterByte)
        clearPin(LinkPins::Clock);
    emit traceText(bit ? QStringLiteral("1") : QStringLiteral("0"));
    if (bit)
        sentBuffer[byteIndex] |= std::uint8_t(1u << bitIndex);
    if (bit)
        setPin(LinkPins::DataOut);
    else
        clearPin(LinkPins::DataOut);
    if (!row.idleBitAfterByte)
        clearPin(LinkPins::Clock);
    if (endOnFailedPin(engine))
        return false;
    --bitIndex;
    return true;
}

void DetectorLink::receiveTick(LinkEngine engine)
{
    if (!tickDue(engine))
        return;
    const EngineRow &row = engineRow(engine);
    if (row.reportsAction) {
        progressShown_ = true;
        emit action(LinkProgress::Bytes, bitIndex, byteIndex);
    }
    if (row.handBox)
        setHandEnabled(true);

    phase = !phase;
    if (phase) {
        clearPin(LinkPins::Clock);
        endOnFailedPin(engine);
        return;
    }
    // The detector put the bit on DATA_IN at the falling edge; it is read
    // just after the rising one.
    setPin(LinkPins::Clock);
    currentBit = readDataIn();
    if (endOnFailedPin(engine))
        return;
    emit traceText(currentBit ? QStringLiteral("1") : QStringLiteral("0"));
    if (currentBit)
        rxBuffer[byteIndex] = std::uint8_t(rxBuffer[byteIndex] + (1u << bitIndex));
    if (--bitIndex >= 0)
        return;
    bitIndex = 7;
    ++byteIndex;
    emit traceText(QStringLiteral("|"));
    if (row.pauseAfterByte)
        waitMs(LinkTiming::BytePauseMs, Resume::Ticks, engine); // after every byte, the last included
    else if (byteIndex >= row.bytes)
        endFrame(engine);
}

// The frame leaves the line as its row says, settles, and hands over to its outcome.
void DetectorLink::endFrame(LinkEngine engine)
{
    const EngineRow &row = engineRow(engine);
    const bool settles = row.end == FrameEnd::IdleThenClock || row.end == FrameEnd::ClockThenIdle;
    if (settles)
        emit traceText(QStringLiteral("|\n"));
    stopTicks();
    activeEngine = LinkEngine::None;
    if (row.end == FrameEnd::ClockOnly)
        setPin(LinkPins::Clock);
    endFrameTrace(engine);
    if (row.endsProgress)
        endProgress();
    if (row.source == ByteSource::ParamBlock)
        std::memcpy(writeSent_, sentBuffer + 1, sizeof writeSent_);
    leaveLine(row.end);
    if (endOnFailedPin(engine))
        return;
    if (row.end == FrameEnd::Idle)
        emit traceText(QStringLiteral("|\n"));
    if (row.end == FrameEnd::ClockOnly)
        emit traceParagraph(QStringLiteral("\n--------------\n"));
    if (!settles)
        emit consoleButtonsEnabled(true);
    if (row.settleMs > 0)
        waitMs(row.settleMs, Resume::AfterFrame, engine);
    else
        afterFrame(engine);
}

void DetectorLink::leaveLine(FrameEnd end)
{
    switch (end) {
    case FrameEnd::IdleThenClock:
        idlePins();
        setPin(LinkPins::Clock);
        break;
    case FrameEnd::ClockThenIdle:
        setPin(LinkPins::Clock);
        idlePins();
        break;
    case FrameEnd::Idle:
        idlePins();
        break;
    case FrameEnd::ClockOnly: // raised before the frame's trace ended
        break;
    }
}

void DetectorLink::endFrameTrace(LinkEngine engine)
{
    if (!trace_)
        return;
    const EngineRow &row = engineRow(engine);
    trace_->frameEnd(engine, row.transmit ? sentBuffer : rxBuffer, row.bytes);
}

// ---------------------------------------------------------------------------
// Pin calls and their failures

void DetectorLink::idlePins()
{
    if (!holdAdapter())
        return;
    // The second call is made only when the first succeeded.
    if (setPin(LinkPins::Clock) && setPin(LinkPins::DataOut))
        emit logLine(QCoreApplication::translate("config", ">> success setting PINS\n\n"));
    else
        emit logLine(QCoreApplication::translate("config", ">> ERROR setting PINS\n\n"));
}

bool DetectorLink::drivePin(unsigned int pin, bool level)
{
    if (pin == LinkPins::Clock)
        lastClockNs = tickClock.nsecsElapsed();
    if (trace_)
        pin == LinkPins::Clock ? trace_->clock(level) : trace_->dataOut(level);
    const bool done = level ? api.SetPin(pin) : api.ClearPin(pin);
    // Outside a transaction (the console's idling) the caller says what failed.
    if (!done && lineBusy() && failedCall_.isEmpty())
        failedCall_ = level ? QStringLiteral("SetPin") : QStringLiteral("ClearPin");
    return done;
}

bool DetectorLink::readDataIn()
{
    if (!api.ReadPin(LinkPins::DataIn, &pinValue) && failedCall_.isEmpty())
        failedCall_ = QStringLiteral("ReadPin");
    if (trace_)
        trace_->dataIn(pinValue != 0);
    return pinValue != 0;
}

bool DetectorLink::endOnFailedPin(LinkEngine engine)
{
    if (failedCall_.isEmpty())
        return false;
    failLine(engine);
    return true;
}

// A bit that was not driven or not read leaves the frame meaningless, and the
// detector in mid-frame: the transaction is over, as if the connection were lost.
void DetectorLink::failLine(LinkEngine engine)
{
    const LinkTransaction transaction = transactionOf(engine);
    const QByteArray pending = pendingWriteOf(engine);
    const char *said = bridgeStatus ? bridgeStatus() : nullptr;
    const QString reason = said && *said
        ? QString::fromUtf8(said)
        : QCoreApplication::translate("config", "Адаптер не выполнил вызов %1").arg(failedCall_);
    bridgeProblem_ = reason;

    stopTicks();
    waitTimer->stop();
    waiting = false;
    activeEngine = LinkEngine::None;
    consoleTransfer = false;
    verifyPending = false;
    retryRead = false;
    emit logLine(QStringLiteral(">> %1\n\n").arg(reason));
    // The line is left idle if the adapter still takes calls.
    if (setPin(LinkPins::Clock))
        setPin(LinkPins::DataOut);
    failedCall_.clear();

    setHandEnabled(true);
    emit consoleButtonsEnabled(true);
    emit lineFailed(transaction, reason, pending);
    emit signal_disconnect();
    emit setButton(true);
    if (progressShown_)
        endProgress();
}
