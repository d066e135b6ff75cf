// The detector link and the engineering console window in one class: it binds
// the bridge library, clocks frames on the line with 2 ms timer ticks, keeps
// the connection supervised and runs the parameter and date transactions.
#ifndef ZORVEL_LINK_CONFIG_H
#define ZORVEL_LINK_CONFIG_H

#include <QWidget>

#include <cstdint>

#include "link/linkengines.h"
#include "link/simpleioapi.h"
#include "mainwindow/deviceconfig.h"

class PreciseWake;
class QLineEdit;
class QTimer;

namespace Ui {
class config;
}

class config : public QWidget
{
    Q_OBJECT

public:
    explicit config(QWidget *parent, const DeviceConfig *deviceConfig);
    ~config() override;

    // Set by the main window before a handshake that is to be followed by a read.
    bool firstConnect = true;
    // The last good parameter reply: status byte 0x53 and the five parameter bytes.
    char configReply[6] = {};

    // The console's raw three-byte frame ("send config") takes the low byte of
    // each. Two idle-level bytes and the read request: the detector ignores
    // 0xFF and answers 0xA3, so by default the frame reads the parameters.
    int consoleBytes[3] = {0xFF, 0xFF, 0xA3};

    // True while a frame, a transaction or a console transfer holds the line.
    bool lineBusy() const;

signals:
    void signal_handshake_ok();
    void setButton(bool);
    void signal_disconnect();
    void signal_getConfig(char in[6]);
    void action(int total, int step, int cgi);

private slots:
    void set();
    void setDefault(bool on);
    void setBaud();
    void clr();

    void sendParam();
    void sendParam_timer();
    void readParam();
    void readParam_timer();

    void readHandshake();
    void sendHand();
    void sendParamAA();
    void sendParam_timerAA();

    void sendParamA3(bool pause);
    void sendParamA3() { sendParamA3(false); }
    void sendParam_timerA3();

    void sendParamA6();
    void sendParam_timerA6();
    void sendParam_timerA9();

    void sendParamA1();
    void sendParam_timerA1();
    void sendParamA2();
    void sendParam_timerA2();
    void readParam_timerA2r();

    void connection_timer(bool on);

private:
    // Shared line steps.
    void idlePins();
    void waitMs(int ms);
    void setConsoleButtons(bool enabled);
    void appendLog(const QString &line);
    void insertTrace(const QString &text);
    void pauseEngine(LinkEngine engine, int ms);
    void startTicks(QTimer *timer);
    void stopTicks(QTimer *timer);
    bool refuseWhileBusy();
    void showConsoleBytes();
    bool takeConsoleBytes();

    // One engine, many frames: every tick slot runs one of these with its row.
    void startFrame(LinkEngine engine);
    void transmitTick(LinkEngine engine);
    void receiveTick(LinkEngine engine);
    void finishTransmit(LinkEngine engine);
    void finishReceive(LinkEngine engine);
    std::uint8_t frameByte(LinkEngine engine, int index) const;
    QTimer *timerFor(LinkEngine engine) const;

    // What follows the end of each frame.
    void judgeHandshake();
    void completeParamRead();
    void confirmWrite();
    void showDateReply();

    void loadBridge();
    void beginTransaction();

    static constexpr int ParamReplyBytes = 6;

    Ui::config *ui = nullptr;
    QLineEdit *rawFrame = nullptr; // the raw frame's bytes, in hex
    SimpleIoApi api;
    const DeviceConfig *deviceConfig = nullptr;

    // Line state shared by all engines; one frame on the line at a time.
    bool phase = true;
    int bitIndex = 7;
    int byteIndex = 0;
    bool currentBit = false;
    unsigned int pinValue = 0;
    std::uint8_t rxBuffer[7] = {};
    std::uint8_t txBuffer[3] = {};
    int frameCount = 0;
    int ioMask = 0;

    // Write confirmation and read retry.
    std::uint8_t expectedReply[5] = {};
    bool verifyPending = false;
    bool retryRead = false;

    QTimer *timerAA = nullptr;
    QTimer *timerHandshakeRx = nullptr;
    QTimer *timerA3 = nullptr;
    QTimer *timerParamRx = nullptr;
    QTimer *timerA9 = nullptr;
    QTimer *timerA1 = nullptr;
    QTimer *timerA2 = nullptr;
    QTimer *timerA2r = nullptr;
    QTimer *timerConnection = nullptr;
    QTimer *timerA6 = nullptr;
    QTimer *timerConsoleTx = nullptr;
    QTimer *timerConsoleRx = nullptr;
    PreciseWake *wake = nullptr; // wakes the loop when a tick or a wait is due

    // The frame on the line, if any, and what holds the line between frames.
    LinkEngine activeEngine = LinkEngine::None;
    QTimer *activeRxTimer = nullptr; // timerParamRx or timerConsoleRx
    bool transactionActive = false;  // between setButton(false) and setButton(true)
    bool consoleTransfer = false;    // a raw console frame or read is under way
    bool handshakeDeferred = false;  // a handshake waits for the line to be free
};

#endif
