// A series: the factory programming detector after detector with one profile.
// While it runs the link handshakes every half second instead of every ten;
// each detector that answers is written once, verified by its read-back and
// journalled with its number in the note; the next is written only after this
// one has stopped answering (unplugged), so one kept connected is never
// written twice. A detector whose write fails or reads back otherwise is not
// counted and takes no number: the next good one gets it, so the good
// detectors of a series are numbered without gaps. No widget: the window
// shows it.
#ifndef ZORVEL_UI_SERIESRUN_H
#define ZORVEL_UI_SERIESRUN_H

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <optional>

#include "link/detectorlink.h"
#include "protocol/deviceconfig.h"
#include "protocol/profile.h"
#include "storage/journal.h"

class JournalRecorder;

struct SeriesSetup {
    Profile profile;
    QString profileName; // the file's name, for the window
    QString notePattern; // the journal's note; "{n}" stands for the detector's number
    int firstNumber = 1;

    QString noteFor(int number) const { return QString(notePattern).replace(QStringLiteral("{n}"), QString::number(number)); }
};

class SeriesRun : public QObject, private LinkQuestions
{
    Q_OBJECT

public:
    enum class Phase {
        Waiting, // for a detector to answer
        Writing, // its write and read-back
        Unplug,  // for the detector just written, or failed, to stop answering
        Stopped,
    };
    struct Result {
        int number = 0;
        bool written = false;
        QString failure; // why not, when not written
    };

    // Neither the link nor the recorder is owned.
    SeriesRun(DetectorLink *link, JournalRecorder *recorder, SeriesSetup setup, QObject *parent = nullptr);
    ~SeriesRun() override;

    void start();
    // Ends the series, after the write under way if there is one; then the
    // link and the recorder are as they were before start().
    void stop();

    Phase phase() const { return phase_; }
    const SeriesSetup &setup() const { return setup_; }
    bool stopping() const { return stopAfterWrite_; } // stop() waits for the write under way
    int nextNumber() const { return next_; } // the number the next good detector gets
    int written() const { return written_; }
    int failed() const { return failed_; }
    const std::optional<Result> &lastResult() const { return last_; }
    // The series' own entries among `all`: the window's writes from its start
    // to its end (or now).
    QVector<JournalEntry> ownEntries(const QVector<JournalEntry> &all) const;
    // Entries still waiting for the journal's write lock.
    int entriesUnsaved() const;

signals:
    void changed();
    void concluded(const SeriesRun::Result &result); // a detector written or failed
    void finished();

private:
    bool retryRead() override { return false; } // a bad read-back is this detector's failure
    void answered(bool answering);
    void lineFree();
    void writeDetector();
    void conclude(bool written, const QString &failure = QString());
    void finish();
    void restoreLink();

    QPointer<DetectorLink> link_;
    QPointer<JournalRecorder> recorder_;
    SeriesSetup setup_;
    DeviceConfig block_{};
    Phase phase_ = Phase::Stopped;
    bool started_ = false;
    int next_;
    int written_ = 0;
    int failed_ = 0;
    std::optional<Result> last_;
    int misses_ = 0;            // handshakes unanswered in a row
    bool answering_ = false;    // the last handshake was answered
    bool stopAfterWrite_ = false;
    QDateTime startedAt_, stoppedAt_;

    // What the link and the recorder had before the series.
    int supervisionMs_ = 0;
    LinkQuestions *questions_ = nullptr;
    bool firstConnect_ = false;
    QString writeNote_;
};

#endif
