// The command line: one command with the detector, run without a window, for
// scripts, the service engineer's laptop and the production line. Data goes to
// standard output, messages to standard error; the exit status says how it went.
#ifndef ZORVEL_APP_COMMANDLINE_H
#define ZORVEL_APP_COMMANDLINE_H

#include <QByteArray>
#include <QDate>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QStringList>
#include <QTextStream>
#include <QTimer>

#include <memory>

#include "link/detectorlink.h"
#include "trace/linetrace.h"
#include "protocol/deviceconfig.h"
#include "storage/journal.h"

class JournalRecorder;

class CommandLine : public QObject, private LinkQuestions
{
    Q_OBJECT

public:
    enum Status {
        Done = 0,
        Usage = 1,       // wrong usage
        NoDetector = 2,  // no bridge library, no adapter, or no 0x55
        BadReply = 3,    // the read-back differs, or the reply stayed bad after the retries
        BadProfile = 4,  // the profile is unreadable or invalid
        NotKept = 5,     // done, but its journal entry or its trace file could not be kept
    };

    // Whether these arguments (the program's name first) ask for a command
    // rather than the window. Decided before any application object exists.
    static bool wanted(const QStringList &arguments);

    CommandLine();
    ~CommandLine() override;

    // Runs the command and returns the exit status. Needs a QCoreApplication.
    int run(const QStringList &arguments);

private:
    enum class Command { Handshake, Read, Write, DateSet, DateGet, ShowJournal };

    int parse(const QStringList &arguments);
    int openLink();
    int showJournal();
    void openJournal();
    void recordFailure(const QString &what);
    void afterHandshake();
    void startCommand();
    void finish(int status);
    void saveTrace();
    bool retryRead() override;

    void showProgress();
    void clearProgress();
    double nominalMs() const;

    void say(const QString &text);  // a message on standard error, unless quiet
    void fail(const QString &text); // a message on standard error, always
    void print(const QString &data); // data on standard output

    QTextStream out;
    QTextStream err;
    bool quiet = false;
    bool json = false;
    bool csv = false;
    QString note;
    bool progress = false;
    int retriesLeft = 2;
    Command command = Command::Handshake;
    QDate date;
    DeviceConfig block{};

    QString tracePath;
    std::unique_ptr<LineTrace> trace;
    DetectorLink *link = nullptr;
    std::unique_ptr<Journal> journal;
    JournalRecorder *recorder = nullptr;
    QStringList linkLog; // the link's own lines, shown when it cannot reach the detector
    bool answered = false;
    int handshakes = 0; // handshakes that found no detector
    QEventLoop loop;
    QTimer progressTimer;
    QElapsedTimer elapsed;
};

#endif
