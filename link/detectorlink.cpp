// DetectorLink's transactions: construction and supervision, the handshake,
// the parameter read and write, the date frames and the console's raw
// transfers, and what each frame's outcome makes of its reply. The frames
// themselves are the line engine's (lineengine.cpp), the bridge library and
// the adapter's lock bridgebinding.cpp's.
#include "link/detectorlink.h"

#include "link/precisewake.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QTimer>

#include <cstring>

// The link's texts are the console's: they keep the context "config" in the
// catalogue, which is the window that shows them.

DetectorLink::DetectorLink(const DeviceConfig *block, QObject *parent)
    : QObject(parent), deviceConfig(block), ownBlock_(block)
{
    // One frame on the line at a time: one timer ticks it, another ends its waits.
    lineTimer = new QTimer(this);
    lineTimer->setObjectName(QStringLiteral("lineTicks"));
    lineTimer->setTimerType(Qt::PreciseTimer);
    lineTimer->setInterval(LinkTiming::TickMs);
    connect(lineTimer, &QTimer::timeout, this, &DetectorLink::tick);
    waitTimer = new QTimer(this);
    waitTimer->setObjectName(QStringLiteral("lineWait"));
    waitTimer->setTimerType(Qt::PreciseTimer);
    waitTimer->setSingleShot(true);
    connect(waitTimer, &QTimer::timeout, this, &DetectorLink::endWait);

    wake = new PreciseWake(this);
    tickClock.start();

    // A coarse timer may fire 5 % early or late: half a second either way.
    timerConnection = new QTimer(this);
    timerConnection->setTimerType(Qt::PreciseTimer);
    timerConnection->setInterval(LinkTiming::SupervisionMs);
    connect(timerConnection, &QTimer::timeout, this, &DetectorLink::sendParamAA);
    connect(this, &DetectorLink::setButton, this, &DetectorLink::connection_timer);
}

DetectorLink::~DetectorLink() = default;

bool DetectorLink::lineBusy() const
{
    return activeEngine != LinkEngine::None || waiting || transactionActive || consoleTransfer;
}

void DetectorLink::startSupervision()
{
    supervised_ = true;
    firstConnect = true;
    QTimer::singleShot(LinkTiming::FirstHandshakeMs, Qt::PreciseTimer, this, &DetectorLink::sendParamAA);
    timerConnection->start();
}

void DetectorLink::setSupervisionInterval(int ms)
{
    supervisionMs_ = ms;
    timerConnection->setInterval(ms);
    if (timerConnection->isActive())
        timerConnection->start();
}

void DetectorLink::startUp()
{
    loadBridge();
    startSupervision();
    configurePort(LinkPins::DefaultDirections);
    idlePins();
}

bool DetectorLink::refuseWhileBusy()
{
    if (!lineBusy())
        return false;
    emit logLine(QCoreApplication::translate("config", ">> The line is busy, try again when the transfer ends\n\n"));
    return true;
}

void DetectorLink::setHandEnabled(bool enabled)
{
    if (enabled == handEnabled)
        return;
    handEnabled = enabled;
    emit handBoxEnabled(enabled);
}

void DetectorLink::endProgress()
{
    progressShown_ = false;
    emit action(0, 0, LinkProgress::Done);
}

LinkTransaction DetectorLink::transactionOf(LinkEngine engine) const
{
    switch (engine) {
    case LinkEngine::HandshakeTx:
    case LinkEngine::HandshakeRx: return LinkTransaction::Handshake;
    case LinkEngine::WriteTx:
    case LinkEngine::CommitTx: return LinkTransaction::Write;
    case LinkEngine::ReadRequestTx:
    case LinkEngine::ParamRx:
        if (consoleTransfer)
            return LinkTransaction::Console;
        return verifyPending ? LinkTransaction::Write : LinkTransaction::Read;
    case LinkEngine::DateTx: return LinkTransaction::DateSet;
    case LinkEngine::DateRequestTx:
    case LinkEngine::DateRx: return LinkTransaction::DateGet;
    case LinkEngine::ConsoleTx:
    case LinkEngine::None: break;
    }
    return LinkTransaction::Console;
}

QByteArray DetectorLink::pendingWriteOf(LinkEngine engine) const
{
    QByteArray bytes;
    if (engine == LinkEngine::WriteTx) {
        // The bytes gone out as they went; the rest as they would have.
        for (int i = 1; i <= ParameterFrame::length; ++i)
            bytes += char(i < byteIndex ? sentBuffer[i] : frameByte(engine, i));
    } else if (engine == LinkEngine::CommitTx) {
        bytes = QByteArray(reinterpret_cast<const char *>(writeSent_), ParameterFrame::length);
    } else if (transactionOf(engine) == LinkTransaction::Write) {
        bytes = QByteArray(reinterpret_cast<const char *>(expectedReply), ParameterFrame::length);
    }
    return bytes;
}

// ---------------------------------------------------------------------------
// Tick slots: each reaches the shared ticks with its own row.

void DetectorLink::sendParam_timerAA() { transmitTick(LinkEngine::HandshakeTx); }
void DetectorLink::readHandshake() { receiveTick(LinkEngine::HandshakeRx); }
void DetectorLink::sendParam_timerA3() { transmitTick(LinkEngine::ReadRequestTx); }
void DetectorLink::readParam_timer() { receiveTick(LinkEngine::ParamRx); }
void DetectorLink::sendParam_timerA6() { transmitTick(LinkEngine::WriteTx); }
void DetectorLink::sendParam_timerA9() { transmitTick(LinkEngine::CommitTx); }
void DetectorLink::sendParam_timerA1() { transmitTick(LinkEngine::DateTx); }
void DetectorLink::sendParam_timerA2() { transmitTick(LinkEngine::DateRequestTx); }
void DetectorLink::readParam_timerA2r() { receiveTick(LinkEngine::DateRx); }
void DetectorLink::sendParam_timer() { transmitTick(LinkEngine::ConsoleTx); }

// ---------------------------------------------------------------------------
// What follows a frame once it has settled

void DetectorLink::afterFrame(LinkEngine engine)
{
    const EngineRow &row = engineRow(engine);
    if (row.countsHandshake && ++frameCount > LinkTiming::ClearPanesAfter) {
        emit panesCleared();
        frameCount = 0;
    }
    switch (row.outcome) {
    case FrameOutcome::None:
        if (row.next != LinkEngine::None)
            startFrame(row.next);
        break;
    case FrameOutcome::JudgeHandshake: judgeHandshake(); break;
    case FrameOutcome::ParamReply: completeParamRead(); break;
    case FrameOutcome::DateReply: showDateReply(); break;
    case FrameOutcome::ConfirmWrite:
        awaitReadBack();
        requestParams(row.pauseBeforeNextMs);
        break;
    case FrameOutcome::DateSent: reportDateSent(); break;
    case FrameOutcome::ConsoleRead: readParam(); break;
    }
}

// ---------------------------------------------------------------------------
// Handshake and supervision

void DetectorLink::sendParamAA()
{
    if (lineBusy()) {
        // Two frames would share the line state and corrupt each other: this
        // handshake runs as soon as the line is free again.
        handshakeDeferred = true;
        return;
    }
    // Busy, the supervision tries again in ten seconds.
    if (!holdAdapter())
        return;
    emit setButton(false);
    startFrame(LinkEngine::HandshakeTx);
}

void DetectorLink::sendHand(bool on)
{
    handChecked = on;
    if (on) {
        sendParamAA();
        return;
    }
    // Only the request is stopped: a reply already being clocked in completes,
    // or the detector would be left in mid-byte.
    if (activeEngine != LinkEngine::HandshakeTx)
        return;
    stopTicks();
    activeEngine = LinkEngine::None;
    idlePins();
    if (endOnFailedPin(LinkEngine::HandshakeTx))
        return;
    emit setButton(true);
}

void DetectorLink::judgeHandshake()
{
    if (rxBuffer[0] == DetectorReply::HandshakeOk) {
        emit signal_handshake_ok();
        if (firstConnect) {
            sendParamA3(false);
            emit setButton(false);
            firstConnect = false;
        } else {
            emit setButton(true);
        }
    } else {
        emit setButton(true);
        emit signal_disconnect();
    }
}

void DetectorLink::connection_timer(bool on)
{
    transactionActive = !on;
    if (!on) {
        timerConnection->stop();
        return;
    }
    if (supervised_)
        timerConnection->start(supervisionMs_);
    if (handshakeDeferred) {
        handshakeDeferred = false;
        QTimer::singleShot(0, this, &DetectorLink::sendParamAA);
    }
}

// ---------------------------------------------------------------------------
// Parameter read

void DetectorLink::sendParamA3(bool pause)
{
    requestParams(pause ? LinkTiming::ReadBackPauseMs : 0);
}

void DetectorLink::requestParams(int pauseMs)
{
    if (!holdAdapter())
        return;
    emit setButton(false);
    if (pauseMs > 0)
        waitMs(pauseMs, Resume::Frame, LinkEngine::ReadRequestTx);
    else
        startFrame(LinkEngine::ReadRequestTx);
}

void DetectorLink::completeParamRead()
{
    consoleTransfer = false; // a parameter reply on the line ends any console read

    if (rxBuffer[0] == DetectorReply::ParamsOk) {
        emit logInline(QCoreApplication::translate("config", "Config get OK\n"));
        std::memcpy(configReply, rxBuffer, ParamReplyBytes);
        emit signal_getConfig(configReply);
        if (verifyPending)
            confirmWrite();
        else
            emit parametersRead(QByteArray(configReply + 1, ParameterFrame::length));
    } else {
        emit logInline(QCoreApplication::translate("config", "Error config get\n"));
        emit readFailed(rxBuffer[0], verifyPending ? QByteArray(reinterpret_cast<const char *>(expectedReply),
                                                                ParameterFrame::length)
                                                   : QByteArray());
        if (questions_ && questions_->retryRead())
            retryRead = true;
    }

    if (retryRead) {
        retryRead = false;
        sendParamA3(false);
    } else {
        emit setButton(true);
        endProgress();
    }
}

void DetectorLink::readParam()
{
    // Called by the "read (conf)" button, and by the raw frame's end.
    if (!consoleTransfer && (refuseWhileBusy() || !holdAdapter()))
        return;
    if (!consoleTransfer) {
        consoleTransfer = true;
        emit setButton(false);
    }
    emit consoleButtonsEnabled(false);
    // The detector gets 4 ms to turn the line round before the first clock.
    waitMs(LinkTiming::TurnRoundMs, Resume::Frame, LinkEngine::ParamRx);
}

void DetectorLink::sendParam(const int consoleBytes[3])
{
    if (refuseWhileBusy() || !holdAdapter())
        return;
    emit consoleButtonsEnabled(false);
    for (int i = 0; i < RawFrameBytes; ++i)
        txBuffer[i] = std::uint8_t(consoleBytes[i] & 0xFF);
    // A console transfer holds the line like any transaction, so the
    // supervision handshake waits for it.
    consoleTransfer = true;
    emit setButton(false);
    startFrame(LinkEngine::ConsoleTx);
}

// ---------------------------------------------------------------------------
// Parameter write

void DetectorLink::sendParamA6()
{
    if (lineBusy() || !holdAdapter())
        return; // the buttons that start a write are disabled while the line is held
    startFrame(LinkEngine::WriteTx);
    emit setButton(false);
}

void DetectorLink::awaitReadBack()
{
    for (int i = 0; i < ParameterFrame::length; ++i)
        expectedReply[i] = deviceConfig ? ParameterFrame::byteAt(*deviceConfig, i) : 0;
    verifyPending = true;
}

void DetectorLink::confirmWrite()
{
    verifyPending = false;
    const QByteArray written(reinterpret_cast<const char *>(expectedReply), ParameterFrame::length);
    const QByteArray readBack(configReply + 1, ParameterFrame::length);
    emit writeConfirmed(written == readBack, written, readBack);
}

// ---------------------------------------------------------------------------
// Date commands

void DetectorLink::sendParamA1()
{
    if (refuseWhileBusy() || !holdAdapter())
        return;
    startFrame(LinkEngine::DateTx);
    emit setButton(false);
}

void DetectorLink::sendParamA2()
{
    if (refuseWhileBusy() || !holdAdapter())
        return;
    startFrame(LinkEngine::DateRequestTx);
    emit setButton(false);
}


void DetectorLink::reportDateSent()
{
    QByteArray date;
    for (int i = 1; i <= 3; ++i)
        date += char(frameByte(LinkEngine::DateTx, i));
    emit dateSent(date);
    emit setButton(true);
}

void DetectorLink::showDateReply()
{
    emit dateReplyShown(formatDateReply(rxBuffer));
    const QByteArray reply(reinterpret_cast<const char *>(rxBuffer), sizeof rxBuffer);
    // A line nobody drives reads 0xFF: month 255 is no date.
    if (replyDate(rxBuffer).isValid())
        emit dateReceived(reply);
    else
        emit dateReplyMissing(reply);
    std::memset(rxBuffer, 0, ParamReplyBytes);
    emit setButton(true);
}
