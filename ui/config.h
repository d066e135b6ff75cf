// The engineering console: a view over the detector link it is given. It hands
// its buttons' presses over to the link, shows what the link logs and traces,
// and answers the link's questions with message boxes. It starts no traffic of
// its own: the owner of the link starts it.
#ifndef ZORVEL_LINK_CONFIG_H
#define ZORVEL_LINK_CONFIG_H

#include <QWidget>

#include "link/detectorlink.h"

class LineTrace;
class LineTraceWindow;
class QLineEdit;

namespace Ui {
class config;
}

class config : public QWidget, private LinkQuestions
{
    Q_OBJECT

    // First, so that the references below have a link to bind to.
    Ui::config *ui = nullptr;
    DetectorLink *link = nullptr;

public:
    // Neither the link nor the trace is owned; both outlive the console.
    config(QWidget *parent, DetectorLink *link, LineTrace *trace);
    ~config() override;

    DetectorLink *detectorLink() const { return link; }
    // The waveform window goes with the main window; the console itself stays.
    void closeTrace();
    const LineTrace &lineTrace() const { return *trace; }
    // The box that says how a write ended; off while a series says it in its window.
    void setWriteResultsShown(bool shown) { writeResultsShown = shown; }

    // The link's own: set before a handshake that is to be followed by a
    // read, and the last good parameter reply.
    bool &firstConnect;
    char (&configReply)[6];

    // The console's raw three-byte frame ("send config") takes the low byte of
    // each. Two idle-level bytes and the read request: the detector ignores
    // 0xFF and answers 0xA3, so by default the frame reads the parameters.
    int consoleBytes[3] = {0xFF, 0xFF, 0xA3};

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
    bool retryRead() override;
    void showWriteResult(bool same);
    void appendLog(const QString &line);
    void insertTrace(const QString &text);
    void setConsoleButtons(bool enabled);
    void showConsoleBytes();
    bool takeConsoleBytes();
    void showTraceWindow();

    QLineEdit *rawFrame = nullptr; // the raw frame's bytes, in hex
    LineTrace *trace = nullptr;     // everything on the line, for the waveform window
    LineTraceWindow *traceWindow = nullptr;
    int ioMask = 0;
    bool writeResultsShown = true;
};

#endif
