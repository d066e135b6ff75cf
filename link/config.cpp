#include "link/config.h"
#include "ui_config.h"

#include "link/precisewake.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

#include <chrono>
#include <cstring>
#include <thread>

namespace {
constexpr int ProgressBytes = 5; // progress counts the five parameter bytes
constexpr int ActionDone = 33; // cgi value that ends a progress display
constexpr unsigned long BridgeUartBaud = 6000000;
constexpr int RawFrameBytes = 3;
} // namespace

config::config(QWidget *parent, const DeviceConfig *block)
    : QWidget(parent), ui(new Ui::config), deviceConfig(block)
{
    ui->setupUi(this);

    // The raw frame of "send config", as hex bytes beside the button.
    rawFrame = new QLineEdit(this);
    rawFrame->setObjectName(QStringLiteral("rawFrame"));
    rawFrame->setToolTip(tr("Три байта кадра \"send config\" в шестнадцатеричном виде"));
    ui->gridLayout->addWidget(rawFrame, 3, 5, 1, 1);
    showConsoleBytes();

    std::memset(rxBuffer, 0, sizeof rxBuffer);

    auto makeTickTimer = [this](void (config::*tick)()) {
        auto *timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(LinkTiming::TickMs);
        connect(timer, &QTimer::timeout, this, tick);
        return timer;
    };
    timerAA = makeTickTimer(&config::sendParam_timerAA);
    timerHandshakeRx = makeTickTimer(&config::readHandshake);
    timerA3 = makeTickTimer(&config::sendParam_timerA3);
    timerParamRx = makeTickTimer(&config::readParam_timer);
    timerA9 = makeTickTimer(&config::sendParam_timerA9);
    timerA1 = makeTickTimer(&config::sendParam_timerA1);
    timerA2 = makeTickTimer(&config::sendParam_timerA2);
    timerA2r = makeTickTimer(&config::readParam_timerA2r);
    // Created once, not on every press, so they cannot pile up.
    timerA6 = makeTickTimer(&config::sendParam_timerA6);
    timerConsoleTx = makeTickTimer(&config::sendParam_timer);
    timerConsoleRx = makeTickTimer(&config::readParam_timer);

    wake = new PreciseWake(this);

    timerConnection = new QTimer(this);
    timerConnection->setInterval(LinkTiming::SupervisionMs);

    loadBridge();

    connect(ui->set, &QPushButton::clicked, this, &config::set);
    connect(ui->setCheck, &QCheckBox::clicked, this, &config::setDefault);
    connect(ui->set_B, &QPushButton::clicked, this, &config::setBaud);
    connect(ui->send, &QPushButton::clicked, this, &config::sendParam);
    connect(ui->read, &QPushButton::clicked, this, &config::readParam);
    connect(ui->pushButton_3, &QPushButton::clicked, this, &config::clr);
    connect(ui->hand, &QCheckBox::clicked, this, &config::sendHand);

    // Connection supervision: the first handshake half a second after start,
    // then one every ten seconds of an otherwise idle link.
    connect(timerConnection, &QTimer::timeout, this, &config::sendParamAA);
    connect(this, &config::setButton, this, &config::connection_timer);
    firstConnect = true;
    ui->hand->hide();
    QTimer::singleShot(LinkTiming::FirstHandshakeMs, Qt::PreciseTimer, this, &config::sendParamAA);
    timerConnection->start();

    // Start-up configuration of the bridge's pins.
    setDefault(true);
    set();
    idlePins();
    ui->setCheck->setChecked(true);
    setDefault(true);
    connect(ui->btn_dt, &QPushButton::clicked, this, &config::sendParamA1);
    connect(ui->getDT, &QPushButton::clicked, this, &config::sendParamA2);
}

config::~config()
{
    delete ui;
}

bool config::lineBusy() const
{
    return activeEngine != LinkEngine::None || transactionActive || consoleTransfer;
}

void config::loadBridge()
{
    void *handle = nullptr;
    QString detail;
    switch (BridgeLoader::load(&handle, &detail)) {
    case BridgeLoader::Result::Loaded:
        appendLog(tr(">> DLL has been loaded\n\n"));
        break;
    case BridgeLoader::Result::NotFound:
        appendLog(tr(">> There was an error finding the specified DLL.\n\n"));
        break;
    case BridgeLoader::Result::Failed:
        appendLog(tr(">> Loading of the DLL failed\n\n"));
        // What the system loader said, for the engineer: a wrong architecture, a missing dependency.
        appendLog(QStringLiteral(">> %1\n\n").arg(detail));
        break;
    }
    if (!handle) {
        // Nothing to initialise: saying it was would report a failure as success.
        appendLog(tr(">> The device is DISCONNECTED\n\n"));
        return;
    }

    const QStringList missing = resolveSimpleIo(handle, &api);
    for (const QString &name : missing)
        appendLog(tr(">> Entry point %1 was not found in the DLL\n\n").arg(name));

    api.InitMCP2200(SIMPLEIO_VID, SIMPLEIO_PID);
    if (api.initMCP2200)
        appendLog(tr(">> The MCP2200 was successfully initialized.\n\n"));
    appendLog(api.IsConnected() ? tr(">> The device is CONNECTED\n\n") : tr(">> The device is DISCONNECTED\n\n"));

    // A bridge library of ours may say in plain words why it cannot reach the adapter.
    if (auto status = reinterpret_cast<BridgeStatusFn>(BridgeLoader::resolve(handle, SIMPLEIO_STATUS_SYMBOL))) {
        if (const char *text = status())
            appendLog(QStringLiteral(">> %1\n\n").arg(QString::fromUtf8(text)));
    }
}

// ---------------------------------------------------------------------------
// Console

void config::set()
{
    ioMask = 0;
    bool ok = false;
    const int parsed = ui->setLine->text().toInt(&ok, 2);
    if (!ok) {
        ui->setLine->setText(tr("ERROR!"));
        return;
    }
    // Taken as unsigned, so a negative entry clamps to 255 as well.
    ioMask = unsigned(parsed) > 255u ? 255 : parsed;
    ui->setLine->setText(QString::number(ioMask, 2));

    if (api.ConfigureMCP2200(static_cast<unsigned char>(ioMask), BridgeUartBaud))
        appendLog(tr(">> success configure MCP\n"));
    else
        appendLog(tr(">> Invalid command MCP2200\n\n"));

    if (api.ConfigureIO(static_cast<unsigned char>(ioMask)))
        appendLog(tr(">> success configure IO") + QString::number(ioMask, 2) + QStringLiteral("\n\n"));
    else
        appendLog(tr(">> Invalid command IO\n\n"));

    idlePins();
}

void config::setDefault(bool on)
{
    if (on) {
        ui->setLine->setText(QString::number(LinkPins::DefaultDirections, 2));
        ui->setLine->setEnabled(false);
    } else {
        ui->setLine->setEnabled(true);
    }
}

void config::setBaud()
{
    const long rate = ui->comboBox->currentText().toLong();
    if (api.fnSetBaudRate(static_cast<unsigned long>(rate)))
        appendLog(tr(">> Baud rate set") + QString::number(rate) + QStringLiteral("\n\n"));
    else
        appendLog(tr(">> Error setting baud rate\n\n"));
}

void config::clr()
{
    ui->textEdit->clear();
    ui->sendText->clear();
}

void config::appendLog(const QString &line)
{
    ui->textEdit->append(line);
}

void config::insertTrace(const QString &text)
{
    // Always at the end, wherever the engineer last clicked in the pane; a
    // cursor of its own spares the widget's cursor and scrolling on every tick.
    QTextCursor end(ui->sendText->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    if (ui->sendText->isVisible()) {
        QScrollBar *bar = ui->sendText->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
}

void config::setConsoleButtons(bool enabled)
{
    ui->send->setEnabled(enabled);
    ui->read->setEnabled(enabled);
}

bool config::refuseWhileBusy()
{
    if (!lineBusy())
        return false;
    appendLog(tr(">> The line is busy, try again when the transfer ends\n\n"));
    return true;
}

void config::showConsoleBytes()
{
    QStringList bytes;
    for (int value : consoleBytes)
        bytes << QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    rawFrame->setText(bytes.join(QLatin1Char(' ')));
}

bool config::takeConsoleBytes()
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    const QStringList parts = rawFrame->text().split(separators, Qt::SkipEmptyParts);
    int values[RawFrameBytes] = {};
    bool ok = parts.size() == RawFrameBytes;
    for (int i = 0; ok && i < RawFrameBytes; ++i) {
        QString part = parts.at(i);
        if (part.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            part = part.mid(2);
        values[i] = part.toInt(&ok, 16);
        ok = ok && part.size() <= 2;
    }
    if (!ok) {
        rawFrame->setText(tr("ERROR!"));
        return false;
    }
    std::copy(values, values + RawFrameBytes, consoleBytes);
    showConsoleBytes();
    return true;
}

// ---------------------------------------------------------------------------
// Line primitives

void config::idlePins()
{
    // The second call is made only when the first succeeded.
    if (api.SetPin(LinkPins::Clock) && api.SetPin(LinkPins::DataOut))
        appendLog(tr(">> success setting PINS\n\n"));
    else
        appendLog(tr(">> ERROR setting PINS\n\n"));
}

void config::waitMs(int ms)
{
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

void config::pauseEngine(LinkEngine engine, int ms)
{
    // The engine's own timer is held while the tick waits, so it cannot
    // deliver a nested tick; the next tick comes one period after the wait.
    QTimer *timer = timerFor(engine);
    timer->stop();
    waitMs(ms);
    if (activeEngine == engine)
        startTicks(timer);
}

void config::startTicks(QTimer *timer)
{
    timer->start(LinkTiming::TickMs);
    wake->armPeriodic(LinkTiming::TickMs);
}

void config::stopTicks(QTimer *timer)
{
    timer->stop();
    wake->disarm();
}

QTimer *config::timerFor(LinkEngine engine) const
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

void config::startFrame(LinkEngine engine)
{
    bitIndex = 7;
    byteIndex = 0;
    phase = false;
    if (!engineRow(engine).transmit)
        std::memset(rxBuffer, 0, sizeof rxBuffer);
    activeEngine = engine;
    startTicks(timerFor(engine));
}

std::uint8_t config::frameByte(LinkEngine engine, int index) const
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
        return dateFrameByte(QDate::currentDate(), index);
    case ByteSource::ConsoleBytes:
        return txBuffer[index];
    }
    return 0;
}

// ---------------------------------------------------------------------------
// The two ticks every engine runs

void config::transmitTick(LinkEngine engine)
{
    if (activeEngine != engine)
        return; // a time-out left over from a frame that has been stopped
    const EngineRow &row = engineRow(engine);
    if (row.reportsAction)
        emit action(ProgressBytes, bitIndex, byteIndex);
    if (row.handBox && ui->hand->isChecked())
        ui->hand->setEnabled(false);

    phase = !phase;
    if (!phase) {
        api.SetPin(LinkPins::Clock);
        return;
    }

    bool byteDone = false;
    if (bitIndex >= 0) {
        const bool bit = bitOf(frameByte(engine, byteIndex), bitIndex);
        if (row.idleBitAfterByte)
            api.ClearPin(LinkPins::Clock);
        insertTrace(bit ? QStringLiteral("1") : QStringLiteral("0"));
        if (bit)
            api.SetPin(LinkPins::DataOut);
        else
            api.ClearPin(LinkPins::DataOut);
        if (!row.idleBitAfterByte)
            api.ClearPin(LinkPins::Clock);
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
        insertTrace(QStringLiteral("|"));
    if (byteIndex >= row.bytes)
        finishTransmit(engine);
}

void config::receiveTick(LinkEngine engine)
{
    if (activeEngine != engine)
        return;
    const EngineRow &row = engineRow(engine);
    if (row.reportsAction)
        emit action(ProgressBytes, bitIndex, byteIndex);
    if (row.handBox)
        ui->hand->setEnabled(true);

    phase = !phase;
    if (phase) {
        api.ClearPin(LinkPins::Clock);
        return;
    }

    // The detector put the bit on DATA_IN at the falling edge; it is read
    // just after the rising one.
    api.SetPin(LinkPins::Clock);
    api.ReadPin(LinkPins::DataIn, &pinValue);
    currentBit = pinValue != 0;
    insertTrace(currentBit ? QStringLiteral("1") : QStringLiteral("0"));
    if (currentBit)
        rxBuffer[byteIndex] = std::uint8_t(rxBuffer[byteIndex] + (1u << bitIndex));

    if (--bitIndex < 0) {
        bitIndex = 7;
        ++byteIndex;
        insertTrace(QStringLiteral("|"));
        if (row.pauseAfterByte) {
            pauseEngine(engine, LinkTiming::BytePauseMs);
            if (activeEngine != engine)
                return; // stopped from outside while it waited
        }
    }
    if (byteIndex >= row.bytes)
        finishReceive(engine);
}

void config::finishTransmit(LinkEngine engine)
{
    const EngineRow &row = engineRow(engine);
    QTimer *timer = timerFor(engine);
    activeEngine = LinkEngine::None;

    if (engine == LinkEngine::ConsoleTx) {
        // The raw frame: no settle; its reply is read at once.
        stopTicks(timer);
        api.SetPin(LinkPins::Clock);
        ui->sendText->append(QStringLiteral("\n--------------\n"));
        setConsoleButtons(true);
        readParam();
        return;
    }

    insertTrace(QStringLiteral("|\n"));
    stopTicks(timer);
    if (engine == LinkEngine::CommitTx)
        emit action(0, 0, ActionDone);
    bitIndex = 7;
    if (engine == LinkEngine::HandshakeTx) {
        api.SetPin(LinkPins::Clock);
        idlePins();
    } else {
        idlePins();
        api.SetPin(LinkPins::Clock);
    }
    waitMs(LinkTiming::SettleMs);
    std::memset(rxBuffer, 0, ParamReplyBytes);
    byteIndex = 0;
    phase = false;

    if (engine == LinkEngine::HandshakeTx && ++frameCount > LinkTiming::ClearPanesAfter) {
        clr();
        frameCount = 0;
    }

    switch (engine) {
    case LinkEngine::CommitTx:
        for (int i = 0; i < ParameterFrame::length; ++i)
            expectedReply[i] = deviceConfig ? ParameterFrame::byteAt(*deviceConfig, i) : 0;
        verifyPending = true;
        sendParamA3(true);
        return;
    case LinkEngine::DateTx:
        emit setButton(true);
        return;
    default:
        break;
    }
    if (row.next == LinkEngine::ParamRx)
        activeRxTimer = timerParamRx;
    if (row.next != LinkEngine::None)
        startFrame(row.next);
}

void config::finishReceive(LinkEngine engine)
{
    stopTicks(timerFor(engine));
    activeEngine = LinkEngine::None;
    idlePins();
    insertTrace(QStringLiteral("|\n"));
    setConsoleButtons(true);

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

void config::sendParam_timerAA() { transmitTick(LinkEngine::HandshakeTx); }
void config::readHandshake() { receiveTick(LinkEngine::HandshakeRx); }
void config::sendParam_timerA3() { transmitTick(LinkEngine::ReadRequestTx); }
void config::readParam_timer() { receiveTick(LinkEngine::ParamRx); }
void config::sendParam_timerA6() { transmitTick(LinkEngine::WriteTx); }
void config::sendParam_timerA9() { transmitTick(LinkEngine::CommitTx); }
void config::sendParam_timerA1() { transmitTick(LinkEngine::DateTx); }
void config::sendParam_timerA2() { transmitTick(LinkEngine::DateRequestTx); }
void config::readParam_timerA2r() { receiveTick(LinkEngine::DateRx); }
void config::sendParam_timer() { transmitTick(LinkEngine::ConsoleTx); }

// ---------------------------------------------------------------------------
// Handshake and supervision

void config::sendParamAA()
{
    if (lineBusy()) {
        // Two frames would share the line state and corrupt each other: this
        // handshake runs as soon as the line is free again.
        handshakeDeferred = true;
        return;
    }
    emit setButton(false);
    startFrame(LinkEngine::HandshakeTx);
}

void config::sendHand()
{
    if (ui->hand->isChecked()) {
        sendParamAA();
        return;
    }
    timerAA->stop();
    if (activeEngine == LinkEngine::HandshakeTx || activeEngine == LinkEngine::HandshakeRx) {
        // Stopped in mid-frame: leave the line idle and the supervision running.
        stopTicks(timerFor(activeEngine));
        activeEngine = LinkEngine::None;
        bitIndex = 7;
        byteIndex = 0;
        phase = false;
        idlePins();
        emit setButton(true);
    }
}

void config::judgeHandshake()
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

void config::connection_timer(bool on)
{
    transactionActive = !on;
    if (!on) {
        timerConnection->stop();
        return;
    }
    timerConnection->start(LinkTiming::SupervisionMs);
    if (handshakeDeferred) {
        handshakeDeferred = false;
        QTimer::singleShot(0, this, &config::sendParamAA);
    }
}

// ---------------------------------------------------------------------------
// Parameter read

void config::sendParamA3(bool pause)
{
    bitIndex = 7;
    byteIndex = 0;
    phase = false;
    emit setButton(false);
    if (pause)
        waitMs(LinkTiming::ReadBackPauseMs);
    startFrame(LinkEngine::ReadRequestTx);
}

void config::completeParamRead()
{
    if (activeRxTimer == timerConsoleRx)
        consoleTransfer = false;
    activeRxTimer = nullptr;

    if (rxBuffer[0] == DetectorReply::ParamsOk) {
        ui->textEdit->insertPlainText(tr("Config get OK\n"));
        std::memcpy(configReply, rxBuffer, ParamReplyBytes);
        emit signal_getConfig(configReply);
        if (verifyPending)
            confirmWrite();
    } else {
        ui->textEdit->insertPlainText(tr("Error config get\n"));
        QMessageBox box(QMessageBox::Warning, tr("Конфигурация"), tr("Ошибка чтения конфигурации \n Повторить?"),
                        QMessageBox::NoButton);
        box.addButton(tr("Отмена"), QMessageBox::NoRole);
        QPushButton *yes = box.addButton(tr("Да"), QMessageBox::YesRole);
        box.exec();
        if (box.clickedButton() == yes)
            retryRead = true;
    }

    if (retryRead) {
        retryRead = false;
        sendParamA3(false);
    } else {
        emit setButton(true);
        emit action(0, 0, ActionDone);
    }
}

void config::readParam()
{
    // Called by the "read (conf)" button, and by the raw frame's end.
    if (!consoleTransfer && refuseWhileBusy())
        return;
    if (!consoleTransfer) {
        consoleTransfer = true;
        emit setButton(false);
    }
    setConsoleButtons(false);
    // The detector gets 4 ms to turn the line round before the first clock.
    std::this_thread::sleep_for(std::chrono::milliseconds(LinkTiming::SettleMs));
    activeRxTimer = timerConsoleRx;
    startFrame(LinkEngine::ParamRx);
}

void config::sendParam()
{
    if (refuseWhileBusy() || !takeConsoleBytes())
        return;
    setConsoleButtons(false);
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

void config::sendParamA6()
{
    if (lineBusy())
        return; // the buttons that start a write are disabled while the line is held
    startFrame(LinkEngine::WriteTx);
    emit setButton(false);
}

void config::confirmWrite()
{
    verifyPending = false;
    const bool same = std::memcmp(configReply + 1, expectedReply, ParameterFrame::length) == 0;
    QMessageBox box(same ? QMessageBox::Information : QMessageBox::Warning, tr("Конфигурация"),
                    same ? tr("Конфигурация записана успешно") : tr("Ошибка при записи конфигурации"),
                    QMessageBox::Ok);
    box.exec();
}

// ---------------------------------------------------------------------------
// Date commands

void config::sendParamA1()
{
    if (refuseWhileBusy())
        return;
    startFrame(LinkEngine::DateTx);
    emit setButton(false);
}

void config::sendParamA2()
{
    if (refuseWhileBusy())
        return;
    startFrame(LinkEngine::DateRequestTx);
    emit setButton(false);
}

void config::showDateReply()
{
    ui->lineEdit->setText(formatDateReply(rxBuffer));
    std::memset(rxBuffer, 0, ParamReplyBytes);
    emit setButton(true);
}
