// The detector link without a window: it binds the bridge library, clocks
// frames on the line with 2 ms timer ticks, supervises the connection and runs
// the handshake, parameter read and write, date and raw console transactions.
// One frame is on the line at a time, so one timer ticks it; every wait (the
// settle, a reply byte's pause, the read-back's half second) is a state of the
// engine that one single-shot timer ends, never a nested event loop.
// It reports through signals; where a person must decide (read again?), it
// asks the interface its owner hands it. QtCore only.
#ifndef ZORVEL_LINK_DETECTORLINK_H
#define ZORVEL_LINK_DETECTORLINK_H

#include <QByteArray>
#include <QDate>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

#include "protocol/linkengines.h"
#include "link/simpleioapi.h"
#include "protocol/deviceconfig.h"

class LineTrace;
class PreciseWake;
class QLockFile;
class QTimer;


// What the link asks its owner.
class LinkQuestions
{
public:
    virtual ~LinkQuestions() = default;
    // A parameter reply did not start with 0x53: read again?
    virtual bool retryRead() = 0;
};

class DetectorLink : public QObject
{
    Q_OBJECT

public:
    explicit DetectorLink(const DeviceConfig *deviceConfig, QObject *parent = nullptr);
    ~DetectorLink() override;

    // Loads the bridge library and initialises the adapter, logging each step.
    // Returns whether the library loaded; adapterConnected() tells the rest.
    bool loadBridge();
    bool bridgeLoaded() const { return bridgeLoaded_; }
    bool adapterConnected() const { return adapterConnected_; }
    // What the bridge library or its loader said of a failure, if anything.
    QString bridgeProblem() const { return bridgeProblem_; }

    // The first handshake half a second from now, then one every ten seconds
    // of an otherwise idle link. Without it the link only does what it is told.
    void startSupervision();
    // The supervision's period from now on (it counts from the end of the
    // last transaction); LinkTiming::SupervisionMs unless set.
    void setSupervisionInterval(int ms);
    int supervisionInterval() const { return supervisionMs_; }
    // What the window does at start: loads the bridge library, arms the
    // supervision, and sets the pins to the default directions and idle
    // levels, logging each step.
    void startUp();

    void setQuestions(LinkQuestions *questions) { questions_ = questions; }
    LinkQuestions *questions() const { return questions_; }
    // Writes send and verify `block` (not owned) instead of the one given at
    // construction, or that one again when it is null. Only while the line is
    // free: a write reads its block until the read-back has been compared.
    void setWriteBlock(const DeviceConfig *block) { deviceConfig = block ? block : ownBlock_; }
    // The date frame carries this date instead of today's, when valid.
    void setDateToSend(const QDate &date) { dateToSend_ = date; }
    // Records every pin call, frame and wait into `trace` (not owned), or
    // nothing when it is null.
    void setTrace(LineTrace *trace) { trace_ = trace; }

    // Set before a handshake that is to be followed by a read.
    bool firstConnect = true;
    // The last good parameter reply: status byte 0x53 and the five parameter bytes.
    char configReply[6] = {};
    const char *lastReply() const { return configReply; }

    // True while a frame, a transaction or a console transfer holds the line.
    bool lineBusy() const;
    // Engine ticks so far: time-outs that did the work of a tick.
    int ticks() const { return ticks_; }
    // The lock file this link takes for its adapter; empty when it needs none.
    QString adapterLockPath() const { return adapterLockPath_; }

signals:
    void signal_handshake_ok();
    void setButton(bool);
    void signal_disconnect();
    void signal_getConfig(char in[6]);
    void action(int total, int step, int cgi);

    // What the console shows.
    void logLine(const QString &line);     // a paragraph of the log pane
    void logInline(const QString &text);   // text at the log pane's cursor
    void traceText(const QString &text);   // bit digits and separators, at the trace's end
    void traceParagraph(const QString &text);
    void panesCleared();
    void consoleButtonsEnabled(bool enabled);
    void handBoxEnabled(bool enabled);
    void dateReplyShown(const QString &text);

    // Outcomes, for whoever keeps a record of them. Parameter bytes come five
    // at a time in frame order: flag, angle, range_1, range_2, range_3.
    void parametersRead(const QByteArray &parameters); // a good reply that confirms no write
    // A reply that did not start with 0x53; `pendingWrite` holds what a write
    // waiting for its read-back sent, and is empty otherwise.
    void readFailed(int status, const QByteArray &pendingWrite);
    void writeConfirmed(bool same, const QByteArray &written, const QByteArray &readBack);
    void dateSent(const QByteArray &frameBytes);  // year % 100, month, day
    void dateReceived(const QByteArray &reply);   // the seven reply bytes
    // A date reply whose first three bytes make no date (year % 100, month,
    // day): nobody answered. Instead of dateReceived(); dateReplyShown() still
    // shows the bytes.
    void dateReplyMissing(const QByteArray &reply);
    // A pin call (SetPin, ClearPin, ReadPin) failed inside a frame, or while
    // the line was idled between frames: the transaction has ended as a
    // failure. `reason` is the bridge library's status text when it has one,
    // else the link's own. `pendingWrite` holds the five bytes of a write that
    // failed during its frames or its read-back, and is empty otherwise. Then
    // come signal_disconnect(), setButton(true) and, where progress was shown,
    // action(0, 0, 33).
    void lineFailed(LinkTransaction transaction, const QString &reason, const QByteArray &pendingWrite);
    // Another process holds this adapter's lock: nothing was sent. Tried again
    // at every handshake.
    void adapterBusy(const QString &message);

public slots:
    // Console: port directions, the bridge's baud rate, idle levels.
    void configurePort(int ioMask);
    void setBaud(long rate);
    void idlePins();

    // Raw console transfers: three bytes out, then a 6-byte reception; or the
    // reception alone.
    void sendParam(const int consoleBytes[3]);
    void readParam();

    // The next good handshake is followed by a parameter read.
    void readAfterNextHandshake() { firstConnect = true; }
    void sendHand(bool on);
    void sendParamAA();
    void sendParamA3(bool pause = false);
    void sendParamA6();
    void sendParamA1();
    void sendParamA2();
    void connection_timer(bool on);

    // One tick of each engine; the line's timer ticks the engine on the line.
    void sendParam_timer();
    void readParam_timer();
    void readHandshake();
    void sendParam_timerAA();
    void sendParam_timerA3();
    void sendParam_timerA6();
    void sendParam_timerA9();
    void sendParam_timerA1();
    void sendParam_timerA2();
    void readParam_timerA2r();

private:
    // What the line engine does when a wait ends.
    enum class Resume {
        Frame,      // starts the frame `resumeEngine`
        Ticks,      // the frame on the line goes on, or ends after its last byte
        AfterFrame, // the outcome of the frame `resumeEngine` that has just settled
    };

    // Line engine (lineengine.cpp): ticks, frames, waits, pin calls and their failures.
    void tick();
    bool tickDue(LinkEngine engine);
    void startTicks();
    void stopTicks();
    void waitMs(int ms, Resume then, LinkEngine engine);
    void endWait();
    void resetCursor();
    void startFrame(LinkEngine engine);
    void transmitTick(LinkEngine engine);
    bool transmitBit(LinkEngine engine, const EngineRow &row);
    void receiveTick(LinkEngine engine);
    void endFrame(LinkEngine engine);
    void leaveLine(FrameEnd end);
    void endFrameTrace(LinkEngine engine);
    std::uint8_t frameByte(LinkEngine engine, int index) const;
    // Every pin call of the line goes through these.
    bool drivePin(unsigned int pin, bool level);
    bool setPin(unsigned int pin) { return drivePin(pin, true); }
    bool clearPin(unsigned int pin) { return drivePin(pin, false); }
    bool readDataIn();
    // A pin call that failed while the line was held ends the transaction.
    bool endOnFailedPin(LinkEngine engine);
    void failLine(LinkEngine engine);
    LinkTransaction transactionOf(LinkEngine engine) const;
    QByteArray pendingWriteOf(LinkEngine engine) const;

    // Bridge library and adapter (bridgebinding.cpp).
    void logBridgeStatus();
    void initAdapter();
    void prepareAdapterLock(void *library);
    bool holdAdapter();

    // Transactions and outcomes (detectorlink.cpp).
    void afterFrame(LinkEngine engine);
    void requestParams(int pauseMs);
    void judgeHandshake();
    void awaitReadBack();
    void completeParamRead();
    void confirmWrite();
    void reportDateSent();
    void showDateReply();
    bool refuseWhileBusy();
    void setHandEnabled(bool enabled);
    void endProgress();

    static constexpr int ParamReplyBytes = 6;
    static constexpr int RawFrameBytes = 3;

    SimpleIoApi api;
    const DeviceConfig *deviceConfig = nullptr; // what writes send
    const DeviceConfig *ownBlock_ = nullptr;    // the owner's block, given at construction
    LinkQuestions *questions_ = nullptr;
    LineTrace *trace_ = nullptr;
    QDate dateToSend_;
    bool bridgeLoaded_ = false;
    bool adapterConnected_ = false;
    QString bridgeProblem_;
    BridgeStatusFn bridgeStatus = nullptr; // a bridge library of ours says what went wrong
    bool supervised_ = false;
    int supervisionMs_ = LinkTiming::SupervisionMs;
    std::unique_ptr<QLockFile> adapterLock_; // held while the link lives; none for a simulated detector
    QString adapterLockPath_;
    bool adapterInitDeferred_ = false; // the lock was busy when the bridge was loaded
    int deferredDirections_ = -1;      // the port directions asked for while it was busy
    QString failedCall_;               // the pin call that failed while the line was held
    bool progressShown_ = false;       // action(5, ...) since the last action(0, 0, 33)
    std::uint8_t writeSent_[5] = {};   // the write frame's parameter bytes, as they went out

    // The frame cursor, shared by all engines (one frame on the line at a
    // time) and reset by startFrame() alone.
    bool phase = true;
    int bitIndex = 7;
    int byteIndex = 0;
    bool currentBit = false;
    unsigned int pinValue = 0;
    std::uint8_t rxBuffer[7] = {};
    std::uint8_t txBuffer[3] = {};
    std::uint8_t sentBuffer[6] = {}; // the bits a transmit frame really sent, for the trace
    int frameCount = 0;

    // Write confirmation and read retry.
    std::uint8_t expectedReply[5] = {};
    bool verifyPending = false;
    bool retryRead = false;

    QTimer *lineTimer = nullptr;   // the 2 ms tick of the frame on the line
    QTimer *waitTimer = nullptr;   // single-shot: ends the engine's wait
    QTimer *timerConnection = nullptr;
    PreciseWake *wake = nullptr; // wakes the loop when a tick or a wait is due

    // The frame on the line, if any, the wait the engine is in, and what
    // holds the line between frames.
    LinkEngine activeEngine = LinkEngine::None;
    bool waiting = false;
    Resume resumeWith = Resume::Frame;
    LinkEngine resumeEngine = LinkEngine::None;
    bool transactionActive = false;  // between setButton(false) and setButton(true)
    bool consoleTransfer = false;    // a raw console frame or read is under way
    bool handshakeDeferred = false;  // a handshake waits for the line to be free
    bool handChecked = false;        // the console's hidden "HandShake" box
    bool handEnabled = true;

    // When CLOCK last moved, so that no tick moves it again too soon.
    QElapsedTimer tickClock;
    qint64 lastClockNs = 0;
    qint64 waitEndsNs = 0; // on tickClock
    int ticks_ = 0;
};

#endif
