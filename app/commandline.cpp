#include "app/commandline.h"

#include "app/signalwatch.h"
#include "trace/linetracevcd.h"
#include "protocol/profile.h"
#include "storage/journalrecorder.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// A transaction that does not end in this time has met something the line
// cannot explain; a script waiting on it must not wait for ever.
constexpr int GiveUpMs = 60000;
constexpr int ProgressStepMs = 100;
constexpr int HandshakeTries = 2;
// Long enough for a detector to drop a frame it heard only half of.
constexpr int HandshakeRetryMs = 200;
constexpr int ProgressWidth = 30;

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

CommandLine::CommandLine() : out(stdout), err(stderr)
{
    progressTimer.setInterval(ProgressStepMs);
    connect(&progressTimer, &QTimer::timeout, this, &CommandLine::showProgress);
}

CommandLine::~CommandLine() = default;

void CommandLine::say(const QString &text)
{
    if (!quiet)
        err << text << Qt::endl;
}


void CommandLine::keepFailure(const QString &why)
{
    notKept = why;
    fail(why);
}

void CommandLine::fail(const QString &text)
{
    clearProgress();
    err << text << Qt::endl;
}

void CommandLine::print(const QString &data)
{
    // The progress bar shares the terminal's line: it goes before the data does.
    clearProgress();
    out << data << Qt::endl;
}

int CommandLine::run(const QStringList &arguments)
{
    const int parsed = parse(arguments);
    if (parsed >= 0)
        return parsed;
    if (command == Command::ShowJournal)
        return showJournal();
    watchSignals();
    const int opened = openLink();
    if (opened != Done) {
        recordFailure(link->bridgeProblem().isEmpty() ? tr("нет связи с адаптером") : link->bridgeProblem());
        saveTrace();
        return opened;
    }

    QTimer giveUp;
    giveUp.setSingleShot(true);
    connect(&giveUp, &QTimer::timeout, this, [this] {
        fail(tr("Датчик не закончил обмен за %1 с").arg(GiveUpMs / 1000));
        finish(NoDetector);
    });
    giveUp.start(GiveUpMs);
    elapsed.start();
    progress = !quiet && isatty(fileno(stderr));
    if (progress)
        progressTimer.start();

    // Every command starts with a handshake: no 0x55, no detector.
    link->firstConnect = command == Command::Read;
    link->sendParamAA();
    if (outcome < 0)
        loop.exec();
    clearProgress();
    // A failed read held for a retry that never came is stored now.
    recorder->flush();
    if (interrupted())
        link->idlePins();
    const bool traced = saveTrace();
    if (interrupted())
        return 128 + signalNumber;
    if (outcome == Done && (!notKept.isEmpty() || !traced))
        return NotKept;
    return outcome;
}

bool CommandLine::saveTrace()
{
    if (!trace)
        return true;
    // Saving renames a new file over the old: never over a device or a folder
    // that has appeared there since the command started.
    const QFileInfo target(tracePath);
    QString why;
    if (target.exists() && !target.isFile())
        why = tr("Трасса не записана: %1 не обычный файл").arg(tracePath);
    else
        LineTraceVcd::save(*trace, tracePath, &why);
    if (why.isEmpty())
        return true;
    fail(why);
    return false;
}

void CommandLine::watchSignals()
{
    signalWatch = new SignalWatch(this);
    connect(signalWatch, &SignalWatch::arrived, this, &CommandLine::signalArrived);
    signalWatch->start();
}

// A frame cut short leaves the detector with half a byte, a write cut between
// its commit and its read-back leaves a change nobody has checked or recorded:
// the first signal lets the running transaction end, a second one does not wait.
void CommandLine::signalArrived(int number)
{
    if (!interrupted()) {
        signalNumber = number;
        fail(tr("Сигнал %1: команда закончит начатый обмен с датчиком и завершится; второй сигнал завершит её сразу")
                 .arg(QLatin1String(SignalWatch::name(number))));
        // No read after a handshake still running; nothing else starts either.
        if (link)
            link->firstConnect = false;
        if (!lineHeld)
            finish(outcome < 0 ? NoDetector : outcome);
        return;
    }
    if (link)
        link->idlePins();
    fail(tr("Сигнал %1: команда прервана, линия оставлена в покое").arg(QLatin1String(SignalWatch::name(number))));
    saveTrace();
    err.flush();
    std::fflush(nullptr);
    std::_Exit(128 + number);
}

int CommandLine::openLink()
{
    // The bridge library is loaded and the pins set up exactly as the window does.
    link = new DetectorLink(&block, this);
    link->setQuestions(this);
    openJournal();
    if (!tracePath.isEmpty()) {
        trace = std::make_unique<LineTrace>();
        link->setTrace(trace.get());
    }
    connect(link, &DetectorLink::logLine, this, [this](const QString &line) { linkLog << line.trimmed(); });
    connect(recorder, &JournalRecorder::failed, this, &CommandLine::keepFailure);
    connectLinkEnds();
    if (!link->loadBridge() || !link->adapterConnected()) {
        if (lineDead)
            return NoDetector;
        fail(tr("Нет связи с адаптером:"));
        for (const QString &line : qAsConst(linkLog))
            fail(QStringLiteral("  ") + line);
        return NoDetector;
    }
    link->configurePort(LinkPins::DefaultDirections);
    link->idlePins();
    connectHandshake();
    connectReplies();
    return Done;
}

void CommandLine::connectLinkEnds()
{
    // The link's own ends: it has told why, and nothing more is tried.
    connect(link, &DetectorLink::lineFailed, this,
            [this](LinkTransaction transaction, const QString &reason, const QByteArray &) {
                lineDead = true;
                fail(reason);
                if (transaction == LinkTransaction::Handshake)
                    recordFailure(reason); // the recorder keeps no handshakes
                finish(NoDetector);
            });
    connect(link, &DetectorLink::adapterBusy, this, [this](const QString &message) {
        lineDead = true;
        fail(message);
        finish(NoDetector);
    });
    connect(link, &DetectorLink::dateReplyMissing, this, [this](const QByteArray &) {
        fail(tr("нет ответа с датой"));
        finish(BadReply);
    });
}

void CommandLine::connectHandshake()
{
    connect(link, &DetectorLink::signal_handshake_ok, this, [this] {
        answered = true;
        if (command == Command::Handshake) {
            print(tr("Датчик ответил"));
            finish(Done);
        }
    });
    connect(link, &DetectorLink::signal_disconnect, this, [this] {
        if (lineDead)
            return;
        // A detector that lost a bit of the first handshake (line noise, a
        // stalled PC) answers the next one: one more try before giving up.
        if (++handshakes < HandshakeTries && !interrupted()) {
            QTimer::singleShot(HandshakeRetryMs, this, [this] {
                if (interrupted())
                    finish(NoDetector);
                else
                    link->sendParamAA();
            });
            return;
        }
        fail(tr("Датчик не ответил на рукопожатие: нет ответа 0x55"));
        recordFailure(tr("нет ответа 0x55 на рукопожатие"));
        finish(NoDetector);
    });
    // A command runs once the handshake has freed the line.
    connect(link, &DetectorLink::setButton, this, [this](bool free) {
        lineHeld = !free;
        if (free && interrupted()) {
            finish(outcome < 0 ? NoDetector : outcome);
            return;
        }
        if (free && answered && command != Command::Read && command != Command::Handshake) {
            answered = false;
            QTimer::singleShot(0, this, &CommandLine::startCommand);
        }
    });
}

void CommandLine::connectReplies()
{
    connect(link, &DetectorLink::signal_getConfig, this, &CommandLine::configArrived);
    connect(link, &DetectorLink::writeConfirmed, this,
            [this](bool same, const QByteArray &written, const QByteArray &readBack) {
                if (same) {
                    print(tr("Конфигурация записана успешно"));
                    finish(Done);
                    return;
                }
                fail(tr("Ошибка при записи конфигурации: записано %1, прочитано %2")
                         .arg(hexBytes(written), hexBytes(readBack)));
                finish(BadReply);
            });
    connect(link, &DetectorLink::dateSent, this, [this](const QByteArray &) {
        print(tr("Дата записана: %1").arg(date.toString(Qt::ISODate)));
        finish(Done);
    });
    connect(link, &DetectorLink::dateReceived, this, [this](const QByteArray &reply) {
        print(formatDateReply(reinterpret_cast<const std::uint8_t *>(reply.constData())));
        finish(Done);
    });
    connect(link, &DetectorLink::readFailed, this, [this](int replyStatus, const QByteArray &) {
        say(tr("Ошибка чтения конфигурации: ответ %1 вместо 0x53").arg(hexByte(replyStatus)));
    });
}

void CommandLine::configArrived(char *in)
{
    if (command != Command::Read)
        return;
    std::uint8_t frame[ParameterFrame::length];
    std::copy(in + 1, in + 1 + ParameterFrame::length, frame);
    const Profile sent = Profile::fromFrame(frame);
    for (const QString &warning : sent.outOfRange())
        fail(tr("Предупреждение: %1").arg(warning));
    if (!json) {
        print(sent.toText().trimmed());
        finish(Done);
        return;
    }
    // What `write` accepts: the values as the window's controls take them,
    // and the bytes themselves beside them where they differ.
    Profile taken = Profile::takenFromFrame(frame);
    const auto takenFrame = taken.toFrame();
    if (!std::equal(takenFrame.begin(), takenFrame.end(), frame)) {
        taken.detectorBytes = hexBytes(QByteArray(reinterpret_cast<const char *>(frame), ParameterFrame::length));
        fail(tr("Предупреждение: датчик прислал %1; в профиле значения, какие примет окно, а присланные байты "
                "в поле \"detector_bytes\", которое write не читает")
                 .arg(taken.detectorBytes));
    }
    print(QString::fromUtf8(taken.toJson()).trimmed());
    finish(Done);
}

void CommandLine::startCommand()
{
    if (interrupted()) {
        finish(NoDetector);
        return;
    }
    switch (command) {
    case Command::Write:
        link->sendParamA6();
        break;
    case Command::DateSet:
        link->setDateToSend(date);
        link->sendParamA1();
        break;
    case Command::DateGet:
        link->sendParamA2();
        break;
    case Command::Handshake:
    case Command::Read:
    case Command::ShowJournal:
        break;
    }
}

bool CommandLine::retryRead()
{
    if (retriesLeft > 0 && !interrupted()) {
        --retriesLeft;
        say(tr("Читаю ещё раз"));
        return true;
    }
    fail(tr("Ответ на чтение остался ошибочным после всех попыток"));
    QTimer::singleShot(0, this, [this] { finish(BadReply); });
    return false;
}

void CommandLine::finish(int result)
{
    if (outcome < 0)
        outcome = result;
    loop.exit(outcome);
}

double CommandLine::nominalMs() const
{
    // Every command begins with a handshake.
    const double handshake = ::nominalMs(LinkTransaction::Handshake);
    switch (command) {
    case Command::Handshake: return handshake;
    case Command::Read: return handshake + ::nominalMs(LinkTransaction::Read);
    case Command::Write: return handshake + ::nominalMs(LinkTransaction::Write);
    case Command::DateSet: return handshake + ::nominalMs(LinkTransaction::DateSet);
    case Command::DateGet: return handshake + ::nominalMs(LinkTransaction::DateGet);
    case Command::ShowJournal: break;
    }
    return handshake;
}

void CommandLine::showProgress()
{
    const double done = qMin(0.99, elapsed.elapsed() / nominalMs());
    const int filled = int(done * ProgressWidth);
    err << '\r' << '[' << QString(filled, QLatin1Char('#')) << QString(ProgressWidth - filled, QLatin1Char('.'))
        << "] " << int(done * 100) << " %" << Qt::flush;
}

void CommandLine::clearProgress()
{
    if (!progress)
        return;
    progressTimer.stop();
    progress = false;
    err << '\r' << QString(ProgressWidth + 8, QLatin1Char(' ')) << '\r' << Qt::flush;
}
