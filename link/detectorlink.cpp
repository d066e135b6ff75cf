#include "link/detectorlink.h"

#include "trace/linetrace.h"
#include "link/precisewake.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

// The link's texts are the console's: they keep the context "config" in the
// catalogue, which is the window that shows them.
namespace {
constexpr int ProgressBytes = LinkProgress::Bytes;
constexpr int ActionDone = LinkProgress::Done;
constexpr unsigned long BridgeUartBaud = 6000000;
// The shortest clock phase the detector is given. After a late tick the
// toolkit's timer sends the next time-out early to catch up; acting on it
// could move CLOCK again microseconds after the late edge, a pulse that a
// detector polling its clock pin can miss. Such a time-out starts the period
// afresh instead: a late tick pushes the later ones back.
constexpr qint64 MinPhaseNs = 1000000;
} // namespace

DetectorLink::DetectorLink(const DeviceConfig *block, QObject *parent)
    : QObject(parent), deviceConfig(block)
{
    auto makeTickTimer = [this](void (DetectorLink::*tick)()) {
        auto *timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(LinkTiming::TickMs);
        connect(timer, &QTimer::timeout, this, tick);
        return timer;
    };
    timerAA = makeTickTimer(&DetectorLink::sendParam_timerAA);
    timerHandshakeRx = makeTickTimer(&DetectorLink::readHandshake);
    timerA3 = makeTickTimer(&DetectorLink::sendParam_timerA3);
    timerParamRx = makeTickTimer(&DetectorLink::readParam_timer);
    timerA9 = makeTickTimer(&DetectorLink::sendParam_timerA9);
    timerA1 = makeTickTimer(&DetectorLink::sendParam_timerA1);
    timerA2 = makeTickTimer(&DetectorLink::sendParam_timerA2);
    timerA2r = makeTickTimer(&DetectorLink::readParam_timerA2r);
    // Created once, not on every press, so they cannot pile up.
    timerA6 = makeTickTimer(&DetectorLink::sendParam_timerA6);
    timerConsoleTx = makeTickTimer(&DetectorLink::sendParam_timer);
    timerConsoleRx = makeTickTimer(&DetectorLink::readParam_timer);

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
    return activeEngine != LinkEngine::None || transactionActive || consoleTransfer;
}

bool DetectorLink::loadBridge()
{
    void *handle = nullptr;
    QString detail;
    switch (BridgeLoader::load(&handle, &detail)) {
    case BridgeLoader::Result::Loaded:
        emit logLine(QCoreApplication::translate("config", ">> DLL has been loaded\n\n"));
        break;
    case BridgeLoader::Result::NotFound:
        emit logLine(QCoreApplication::translate("config", ">> There was an error finding the specified DLL.\n\n"));
        bridgeProblem_ = detail;
        break;
    case BridgeLoader::Result::Failed:
        emit logLine(QCoreApplication::translate("config", ">> Loading of the DLL failed\n\n"));
        // What the system loader said, for the engineer: a wrong architecture, a missing dependency.
        emit logLine(QStringLiteral(">> %1\n\n").arg(detail));
        bridgeProblem_ = detail;
        break;
    }
    if (!handle) {
        // Nothing to initialise: saying it was would report a failure as success.
        emit logLine(QCoreApplication::translate("config", ">> The device is DISCONNECTED\n\n"));
        return false;
    }
    bridgeLoaded_ = true;

    const QStringList missing = resolveSimpleIo(handle, &api);
    for (const QString &name : missing)
        emit logLine(QCoreApplication::translate("config", ">> Entry point %1 was not found in the DLL\n\n").arg(name));

    // A bridge library of ours may say in plain words why it cannot reach the adapter.
    bridgeStatus = reinterpret_cast<BridgeStatusFn>(BridgeLoader::resolve(handle, SIMPLEIO_STATUS_SYMBOL));
    // Not even opened while another program drives it: opening resets nothing,
    // but configuring does, under that program's frames.
    prepareAdapterLock(handle);
    adapterInitDeferred_ = !holdAdapter();
    if (!adapterInitDeferred_)
        initAdapter();
    return true;
}

void DetectorLink::initAdapter()
{
    api.InitMCP2200(SIMPLEIO_VID, SIMPLEIO_PID);
    if (api.initMCP2200)
        emit logLine(QCoreApplication::translate("config", ">> The MCP2200 was successfully initialized.\n\n"));
    adapterConnected_ = api.IsConnected();
    emit logLine(adapterConnected_ ? QCoreApplication::translate("config", ">> The device is CONNECTED\n\n") : QCoreApplication::translate("config", ">> The device is DISCONNECTED\n\n"));
    logBridgeStatus();
}

void DetectorLink::prepareAdapterLock(void *library)
{
    const auto adapterName = reinterpret_cast<BridgeAdapterFn>(BridgeLoader::resolve(library, SIMPLEIO_ADAPTER_SYMBOL));
    const char *name = adapterName ? adapterName() : nullptr;
    if (name && !*name)
        return; // a simulated detector: nobody else can reach it
    QString file = QStringLiteral("zorvel-adapter-%1-%2")
                       .arg(SIMPLEIO_VID, 4, 16, QLatin1Char('0'))
                       .arg(SIMPLEIO_PID, 4, 16, QLatin1Char('0'));
    if (name) {
        static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
        file += QLatin1Char('-') + QString::fromUtf8(name).replace(unsafe, QStringLiteral("_"));
    }
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    adapterLockPath_ = QDir(folder).filePath(file + QStringLiteral(".lock"));
    adapterLock_ = std::make_unique<QLockFile>(adapterLockPath_);
    // Never stale by age: the window holds its lock for hours. A lock whose
    // process is gone is stale all the same, and taken over.
    adapterLock_->setStaleLockTime(0);
}

bool DetectorLink::holdAdapter()
{
    if (!adapterLock_ || adapterLock_->isLocked())
        return true;
    if (!adapterLock_->tryLock()) {
        if (adapterLock_->error() != QLockFile::LockFailedError) {
            // A folder we cannot write in keeps nobody from the adapter, this program least.
            emit logLine(QStringLiteral(">> %1\n\n").arg(QCoreApplication::translate("config", "Файл блокировки адаптера %1 не создаётся: адаптер используется без него").arg(adapterLockPath_)));
            adapterLock_.reset();
            return holdAdapter();
        }
        qint64 pid = 0;
        QString host;
        QString program;
        adapterLock_->getLockInfo(&pid, &host, &program);
        const QString message = QCoreApplication::translate("config", "адаптер занят программой %1 (процесс %2)")
                                    .arg(program.isEmpty() ? QStringLiteral("zorvel-configurator") : program)
                                    .arg(pid);
        emit logLine(QStringLiteral(">> %1\n\n").arg(message));
        emit adapterBusy(message);
        return false;
    }
    if (adapterInitDeferred_) {
        // Free at last: what the start-up could not do is done now.
        adapterInitDeferred_ = false;
        initAdapter();
        if (deferredDirections_ >= 0)
            configurePort(std::exchange(deferredDirections_, -1));
    }
    return true;
}

void DetectorLink::logBridgeStatus()
{
    // Each finding is told once; configuring the adapter or its rate may bring new ones.
    if (const char *text = bridgeStatus ? bridgeStatus() : nullptr) {
        bridgeProblem_ = QString::fromUtf8(text);
        emit logLine(QStringLiteral(">> %1\n\n").arg(bridgeProblem_));
    }
}

void DetectorLink::startSupervision()
{
    supervised_ = true;
    firstConnect = true;
    QTimer::singleShot(LinkTiming::FirstHandshakeMs, Qt::PreciseTimer, this, &DetectorLink::sendParamAA);
    timerConnection->start();
}

void DetectorLink::startUp()
{
    loadBridge();
    startSupervision();
    configurePort(LinkPins::DefaultDirections);
    idlePins();
}

// ---------------------------------------------------------------------------
// Console

void DetectorLink::configurePort(int ioMask)
{
    if (!holdAdapter()) {
        deferredDirections_ = ioMask;
        return;
    }
    const auto mask = static_cast<unsigned char>(ioMask);
    if (api.ConfigureMCP2200(mask, BridgeUartBaud))
        emit logLine(QCoreApplication::translate("config", ">> success configure MCP\n"));
    else
        emit logLine(QCoreApplication::translate("config", ">> Invalid command MCP2200\n\n"));

    if (api.ConfigureIO(mask))
        emit logLine(QCoreApplication::translate("config", ">> success configure IO") + QString::number(ioMask, 2) + QStringLiteral("\n\n"));
    else
        emit logLine(QCoreApplication::translate("config", ">> Invalid command IO\n\n"));

    idlePins();
    logBridgeStatus();
}

void DetectorLink::setBaud(long rate)
{
    if (!holdAdapter())
        return;
    if (api.fnSetBaudRate(static_cast<unsigned long>(rate)))
        emit logLine(QCoreApplication::translate("config", ">> Baud rate set") + QString::number(rate) + QStringLiteral("\n\n"));
    else
        emit logLine(QCoreApplication::translate("config", ">> Error setting baud rate\n\n"));
    logBridgeStatus();
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

// ---------------------------------------------------------------------------
// Line primitives

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

    if (activeEngine != LinkEngine::None)
        stopTicks(timerFor(activeEngine));
    activeEngine = LinkEngine::None;
    activeRxTimer = nullptr;
    consoleTransfer = false;
    verifyPending = false;
    retryRead = false;
    bitIndex = 7;
    byteIndex = 0;
    phase = false;
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

void DetectorLink::endProgress()
{
    progressShown_ = false;
    emit action(0, 0, ActionDone);
}

void DetectorLink::endFrameTrace(LinkEngine engine)
{
    if (!trace_)
        return;
    const EngineRow &row = engineRow(engine);
    trace_->frameEnd(engine, row.transmit ? sentBuffer : rxBuffer, row.bytes);
}

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

void DetectorLink::waitMs(int ms)
{
    if (trace_)
        trace_->wait(ms);
    // Serves events until the deadline, sleeping in between: no spinning.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(ms);
    wake->armOnce(ms);
    loop.exec();
}

void DetectorLink::pauseEngine(LinkEngine engine, int ms)
{
    // The engine's own timer is held while the tick waits, so it cannot
    // deliver a nested tick; the next tick comes one period after the wait.
    QTimer *timer = timerFor(engine);
    timer->stop();
    waitMs(ms);
    if (activeEngine == engine)
        startTicks(timer);
}

void DetectorLink::startTicks(QTimer *timer)
{
    timer->start(LinkTiming::TickMs);
    wake->armPeriodic(LinkTiming::TickMs);
}

void DetectorLink::stopTicks(QTimer *timer)
{
    timer->stop();
    wake->disarm();
}

bool DetectorLink::tickDue(LinkEngine engine)
{
    if (activeEngine != engine)
        return false; // a time-out left over from a frame that has been stopped
    if (tickClock.nsecsElapsed() - lastClockNs < MinPhaseNs) {
        startTicks(timerFor(engine));
        return false;
    }
    ++ticks_;
    return true;
}

QTimer *DetectorLink::timerFor(LinkEngine engine) const
{
    switch (engine) {
    case LinkEngine::HandshakeTx: return timerAA;
    case LinkEngine::HandshakeRx: return timerHandshakeRx;
    case LinkEngine::ReadRequestTx: return timerA3;
    case LinkEngine::ParamRx: return activeRxTimer ? activeRxTimer : timerParamRx;
    case LinkEngine::WriteTx: return timerA6;
    case LinkEngine::CommitTx: return timerA9;
    case LinkEngine::DateTx: return timerA1;
    case LinkEngine::DateRequestTx: return timerA2;
    case LinkEngine::DateRx: return timerA2r;
    case LinkEngine::ConsoleTx: return timerConsoleTx;
    case LinkEngine::None: break;
    }
    return nullptr;
}

void DetectorLink::startFrame(LinkEngine engine)
{
    bitIndex = 7;
    byteIndex = 0;
    phase = false;
    if (!engineRow(engine).transmit)
        std::memset(rxBuffer, 0, sizeof rxBuffer);
    std::memset(sentBuffer, 0, sizeof sentBuffer);
    if (trace_)
        trace_->frameStart(engine);
    activeEngine = engine;
    startTicks(timerFor(engine));
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

// ---------------------------------------------------------------------------
// The two ticks every engine runs

void DetectorLink::transmitTick(LinkEngine engine)
{
    if (!tickDue(engine))
        return;
    const EngineRow &row = engineRow(engine);
    if (row.reportsAction) {
        progressShown_ = true;
        emit action(ProgressBytes, bitIndex, byteIndex);
    }
    if (row.handBox && handChecked)
        setHandEnabled(false);

    phase = !phase;
    if (!phase) {
        setPin(LinkPins::Clock);
        endOnFailedPin(engine);
        return;
    }

    bool byteDone = false;
    if (bitIndex >= 0) {
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
            return;
        --bitIndex;
        byteDone = !row.idleBitAfterByte && bitIndex < 0;
    } else {
        // The data tick after bit 0: the clock stays high for a bit period.
        --bitIndex;
        byteDone = true;
    }
    if (!byteDone)
        return;

    bitIndex = 7;
    ++byteIndex;
    if (row.bytes > 1)
        emit traceText(QStringLiteral("|"));
    if (byteIndex >= row.bytes)
        finishTransmit(engine);
}

void DetectorLink::receiveTick(LinkEngine engine)
{
    if (!tickDue(engine))
        return;
    const EngineRow &row = engineRow(engine);
    if (row.reportsAction) {
        progressShown_ = true;
        emit action(ProgressBytes, bitIndex, byteIndex);
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

    if (--bitIndex < 0) {
        bitIndex = 7;
        ++byteIndex;
        emit traceText(QStringLiteral("|"));
        if (row.pauseAfterByte) {
            pauseEngine(engine, LinkTiming::BytePauseMs);
            if (activeEngine != engine)
                return; // stopped from outside while it waited
        }
    }
    if (byteIndex >= row.bytes)
        finishReceive(engine);
}

void DetectorLink::finishTransmit(LinkEngine engine)
{
    const EngineRow &row = engineRow(engine);
    QTimer *timer = timerFor(engine);
    activeEngine = LinkEngine::None;

    if (engine == LinkEngine::ConsoleTx) {
        // The raw frame: no settle; its reply is read at once.
        stopTicks(timer);
        setPin(LinkPins::Clock);
        endFrameTrace(engine);
        if (endOnFailedPin(engine))
            return;
        emit traceParagraph(QStringLiteral("\n--------------\n"));
        emit consoleButtonsEnabled(true);
        readParam();
        return;
    }

    emit traceText(QStringLiteral("|\n"));
    stopTicks(timer);
    endFrameTrace(engine);
    if (engine == LinkEngine::CommitTx)
        endProgress();
    if (engine == LinkEngine::WriteTx)
        std::memcpy(writeSent_, sentBuffer + 1, sizeof writeSent_);
    bitIndex = 7;
    if (engine == LinkEngine::HandshakeTx) {
        setPin(LinkPins::Clock);
        idlePins();
    } else {
        idlePins();
        setPin(LinkPins::Clock);
    }
    if (endOnFailedPin(engine))
        return;
    waitMs(LinkTiming::SettleMs);
    std::memset(rxBuffer, 0, ParamReplyBytes);
    byteIndex = 0;
    phase = false;

    if (engine == LinkEngine::HandshakeTx && ++frameCount > LinkTiming::ClearPanesAfter) {
        emit panesCleared();
        frameCount = 0;
    }

    switch (engine) {
    case LinkEngine::CommitTx:
        for (int i = 0; i < ParameterFrame::length; ++i)
            expectedReply[i] = deviceConfig ? ParameterFrame::byteAt(*deviceConfig, i) : 0;
        verifyPending = true;
        sendParamA3(true);
        return;
    case LinkEngine::DateTx: {
        QByteArray date;
        for (int i = 1; i <= 3; ++i)
            date += char(frameByte(engine, i));
        emit dateSent(date);
        emit setButton(true);
        return;
    }
    default:
        break;
    }
    if (row.next == LinkEngine::ParamRx)
        activeRxTimer = timerParamRx;
    if (row.next != LinkEngine::None)
        startFrame(row.next);
}

void DetectorLink::finishReceive(LinkEngine engine)
{
    stopTicks(timerFor(engine));
    activeEngine = LinkEngine::None;
    endFrameTrace(engine);
    idlePins();
    if (endOnFailedPin(engine))
        return;
    emit traceText(QStringLiteral("|\n"));
    emit consoleButtonsEnabled(true);

    switch (engine) {
    case LinkEngine::HandshakeRx:
        bitIndex = 7;
        byteIndex = 0;
        phase = false;
        judgeHandshake();
        break;
    case LinkEngine::ParamRx:
        completeParamRead();
        break;
    case LinkEngine::DateRx:
        showDateReply();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Tick slots: each engine's timer reaches the shared ticks with its own row.

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
    timerAA->stop();
    // Only the request is stopped: a reply already being clocked in completes,
    // or the detector would be left in mid-byte.
    if (activeEngine == LinkEngine::HandshakeTx) {
        stopTicks(timerAA);
        activeEngine = LinkEngine::None;
        bitIndex = 7;
        byteIndex = 0;
        phase = false;
        idlePins();
        if (endOnFailedPin(LinkEngine::HandshakeTx))
            return;
        emit setButton(true);
    }
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
        timerConnection->start(LinkTiming::SupervisionMs);
    if (handshakeDeferred) {
        handshakeDeferred = false;
        QTimer::singleShot(0, this, &DetectorLink::sendParamAA);
    }
}

// ---------------------------------------------------------------------------
// Parameter read

void DetectorLink::sendParamA3(bool pause)
{
    if (!holdAdapter())
        return;
    bitIndex = 7;
    byteIndex = 0;
    phase = false;
    emit setButton(false);
    if (pause)
        waitMs(LinkTiming::ReadBackPauseMs);
    startFrame(LinkEngine::ReadRequestTx);
}

void DetectorLink::completeParamRead()
{
    if (activeRxTimer == timerConsoleRx)
        consoleTransfer = false;
    activeRxTimer = nullptr;

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
    if (trace_)
        trace_->wait(LinkTiming::SettleMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(LinkTiming::SettleMs));
    activeRxTimer = timerConsoleRx;
    startFrame(LinkEngine::ParamRx);
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
