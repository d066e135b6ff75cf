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

class QCommandLineOption;
class QCommandLineParser;

#include "link/detectorlink.h"
#include "trace/linetrace.h"
#include "protocol/deviceconfig.h"
#include "storage/journal.h"

class JournalRecorder;
class SignalWatch;

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
        NotKept = 5,     // the work is done, but its journal entry or trace file could not be kept
    };

    // What the arguments (the program's name first) ask for, read by the same
    // parser as the command's, before any application object or library exists.
    struct Start {
        bool command = false;  // a command, or a usage error to report, rather than the window
        bool demo = false;
        QString language;      // "ru", "en" or empty
        bool languageKnown = true;
    };
    static Start start(const QStringList &arguments);

    CommandLine();
    ~CommandLine() override;

    // Runs the command and returns the exit status. Needs a QCoreApplication.
    int run(const QStringList &arguments);

private:
    enum class Command { Handshake, Read, Write, DateSet, DateGet, ShowJournal };

    static QList<QCommandLineOption> options(); // ours and the toolkit's, these hidden from --help
    static void addOptions(QCommandLineParser &parser);
    int parse(const QStringList &arguments);
    int parseCommand(const QStringList &words);
    QString parseError(const QCommandLineParser &parser, const QStringList &arguments) const;
    QString helpText() const;
    int checkDate(const QString &text);
    int wrongUsage(const QString &why);
    void keepFailure(const QString &why);
    void watchSignals();
    void signalArrived(int number);
    bool interrupted() const { return signalNumber != 0; }
    int openLink();
    void connectLinkEnds();
    void connectHandshake();
    void connectReplies();
    void configArrived(char *in);
    int showJournal();
    void openJournal();
    void recordFailure(const QString &what);
    void afterHandshake();
    void startCommand();
    void finish(int status);
    bool saveTrace();
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
    bool lineHeld = false;  // a transaction holds the line (setButton(false) .. setButton(true))
    bool lineDead = false;  // lineFailed or adapterBusy: the link's own end, no retry
    int outcome = -1;       // the first status finish() was given
    QString notKept;        // why the journal entry could not be kept, if it could not
    int signalNumber = 0;   // the first SIGINT, SIGTERM or SIGHUP
    SignalWatch *signalWatch = nullptr;
    QEventLoop loop;
    QTimer progressTimer;
    QElapsedTimer elapsed;
};

#endif
