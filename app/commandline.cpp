#include "app/commandline.h"

#include "trace/linetracevcd.h"
#include "protocol/profile.h"
#include "storage/journalrecorder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace {

// Options that take a value: the word after them is not a command.
const QStringList ValueOptions{QStringLiteral("--retries"), QStringLiteral("--note"), QStringLiteral("--trace"),
                               QStringLiteral("--lang"),
                               // the toolkit's own, for the window
                               QStringLiteral("-platform"), QStringLiteral("-style"), QStringLiteral("-display"),
                               QStringLiteral("-geometry"), QStringLiteral("-qwindowgeometry")};

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

bool CommandLine::wanted(const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &word = arguments.at(i);
        if (word == QLatin1String("--help") || word == QLatin1String("-h") || word == QLatin1String("--version")
            || word == QLatin1String("-v"))
            return true;
        if (ValueOptions.contains(word)) {
            ++i;
            continue;
        }
        if (!word.startsWith(QLatin1Char('-')))
            return true;
    }
    return false;
}

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
    const int result = loop.exec();
    clearProgress();
    saveTrace();
    return result;
}

void CommandLine::saveTrace()
{
    QString why;
    if (trace && !LineTraceVcd::save(*trace, tracePath, &why))
        fail(why);
}

int CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Конфигуратор датчиков \"Зорвель - 3\" без окна: одна команда с датчиком."));
    parser.addPositionalArgument(QStringLiteral("command"),
                                 tr("handshake | read | write ФАЙЛ | date set [ГГГГ-ММ-ДД] | date get | journal"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), tr("read: параметры в формате профиля JSON."));
    const QCommandLineOption csvOption(QStringLiteral("csv"), tr("journal: записи в виде CSV."));
    const QCommandLineOption noteOption(QStringLiteral("note"),
                                        tr("read, write, date: примечание к записи в журнале (зона, номер датчика)."),
                                        tr("ТЕКСТ"));
    const QCommandLineOption retriesOption(
        QStringLiteral("retries"), tr("Сколько раз повторить чтение, если ответ не начинается с 0x53 (по умолчанию 2)."),
        QStringLiteral("N"), QStringLiteral("2"));
    const QCommandLineOption traceOption(QStringLiteral("trace"),
                                         tr("Записать сигналы линии за время команды в ФАЙЛ (VCD)."),
                                         tr("ФАЙЛ"));
    const QCommandLineOption demoOption(QStringLiteral("demo"),
                                        tr("Работать с имитатором датчика вместо адаптера."));
    const QCommandLineOption langOption(QStringLiteral("lang"), tr("Язык: ru или en."), QStringLiteral("ru|en"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         tr("Только данные на стандартном выводе, без хода работы."));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                        tr("Показать эту справку."));
    const QCommandLineOption versionOption(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                           tr("Показать версию."));
    parser.addOptions({jsonOption, csvOption, noteOption, retriesOption, traceOption, demoOption, langOption, quietOption,
                       helpOption, versionOption});

    if (!parser.parse(arguments)) {
        fail(parser.errorText());
        return Usage;
    }
    if (parser.isSet(helpOption)) {
        out << parser.helpText() << Qt::endl
            << tr("Коды завершения: 0 готово; 1 неверный вызов; 2 нет датчика (нет библиотеки моста, адаптера "
                  "или ответа 0x55); 3 прочитанное не совпало с записанным или ответ остался ошибочным; "
                  "4 профиль не читается или неверен.")
            << Qt::endl;
        return Done;
    }
    if (parser.isSet(versionOption)) {
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion() << Qt::endl;
        return Done;
    }
    quiet = parser.isSet(quietOption);
    tracePath = parser.value(traceOption);
    json = parser.isSet(jsonOption);
    csv = parser.isSet(csvOption);
    note = parser.value(noteOption);
    bool ok = false;
    retriesLeft = parser.value(retriesOption).toInt(&ok);
    if (!ok || retriesLeft < 0) {
        fail(tr("--retries: нужно целое число от 0"));
        return Usage;
    }

    const QStringList words = parser.positionalArguments();
    const QString name = words.value(0);
    const auto wrongUsage = [this](const QString &why) {
        fail(why + QLatin1Char('\n')
             + tr("Вызов: zorvel-configurator КОМАНДА [параметры]; подробнее: zorvel-configurator --help"));
        return Usage;
    };
    if (name == QLatin1String("handshake") && words.size() == 1) {
        command = Command::Handshake;
    } else if (name == QLatin1String("read") && words.size() == 1) {
        command = Command::Read;
    } else if (name == QLatin1String("write") && words.size() == 2) {
        command = Command::Write;
        QFile file(words.at(1));
        if (!file.open(QIODevice::ReadOnly)) {
            fail(tr("Профиль %1 не читается: %2").arg(words.at(1), file.errorString()));
            return BadProfile;
        }
        QString why;
        const std::optional<Profile> profile = Profile::fromJson(file.readAll(), &why);
        if (!profile) {
            fail(tr("Профиль %1 неверен: %2").arg(words.at(1), why));
            return BadProfile;
        }
        const auto frame = profile->toFrame();
        block = ParameterFrame::toBlock(frame.data());
    } else if (name == QLatin1String("date") && words.value(1) == QLatin1String("set") && words.size() <= 3) {
        command = Command::DateSet;
        date = words.size() == 3 ? QDate::fromString(words.at(2), Qt::ISODate) : QDate::currentDate();
        if (!date.isValid())
            return wrongUsage(tr("Дата \"%1\" не в виде ГГГГ-ММ-ДД").arg(words.at(2)));
    } else if (name == QLatin1String("date") && words.value(1) == QLatin1String("get") && words.size() == 2) {
        command = Command::DateGet;
    } else if (name == QLatin1String("journal") && words.size() == 1) {
        command = Command::ShowJournal;
    } else if (name.isEmpty()) {
        return wrongUsage(tr("Не указана команда"));
    } else {
        return wrongUsage(tr("Неизвестная команда или лишние слова: %1").arg(words.join(QLatin1Char(' '))));
    }
    return -1;
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
    if (!link->loadBridge() || !link->adapterConnected()) {
        fail(tr("Нет связи с адаптером:"));
        for (const QString &line : qAsConst(linkLog))
            fail(QStringLiteral("  ") + line);
        return NoDetector;
    }
    link->configurePort(LinkPins::DefaultDirections);
    link->idlePins();

    connect(link, &DetectorLink::signal_handshake_ok, this, [this] {
        answered = true;
        if (command == Command::Handshake) {
            print(tr("Датчик ответил"));
            finish(Done);
        }
    });
    connect(link, &DetectorLink::signal_disconnect, this, [this] {
        // A detector that lost a bit of the first handshake (line noise, a
        // stalled PC) answers the next one: one more try before giving up.
        if (++handshakes < HandshakeTries) {
            QTimer::singleShot(HandshakeRetryMs, link, &DetectorLink::sendParamAA);
            return;
        }
        fail(tr("Датчик не ответил на рукопожатие: нет ответа 0x55"));
        recordFailure(tr("нет ответа 0x55 на рукопожатие"));
        finish(NoDetector);
    });
    // A command runs once the handshake has freed the line.
    connect(link, &DetectorLink::setButton, this, [this](bool free) {
        if (free && answered && command != Command::Read && command != Command::Handshake) {
            answered = false;
            QTimer::singleShot(0, this, &CommandLine::startCommand);
        }
    });
    connect(link, &DetectorLink::signal_getConfig, this, [this](char *in) {
        if (command != Command::Read)
            return;
        std::uint8_t frame[ParameterFrame::length];
        std::copy(in + 1, in + 1 + ParameterFrame::length, frame);
        const Profile profile = Profile::fromFrame(frame);
        for (const QString &warning : profile.outOfRange())
            fail(tr("Предупреждение: %1").arg(warning));
        print(json ? QString::fromUtf8(profile.toJson()).trimmed() : profile.toText().trimmed());
        finish(Done);
    });
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
    return Done;
}

void CommandLine::openJournal()
{
    journal = std::make_unique<Journal>();
    // A journal moved aside is a warning, never chatter: said even with --quiet.
    const QString notice = journal->takeNotice();
    if (!notice.isEmpty())
        fail(notice);
    // One that cannot be written is said by the entry that fails to go in.
    recorder = new JournalRecorder(link, journal.get(), JournalEntry::Source::CommandLine, this);
    recorder->setNote(note);
    connect(recorder, &JournalRecorder::moved, this, &CommandLine::fail);
    connect(recorder, &JournalRecorder::failed, this, &CommandLine::fail);
}

void CommandLine::recordFailure(const QString &what)
{
    JournalEntry entry;
    switch (command) {
    case Command::Read: entry.kind = JournalEntry::Kind::ParameterRead; break;
    case Command::Write: entry.kind = JournalEntry::Kind::Write; break;
    case Command::DateSet: entry.kind = JournalEntry::Kind::DateSet; break;
    case Command::DateGet: entry.kind = JournalEntry::Kind::DateRead; break;
    case Command::Handshake:
    case Command::ShowJournal:
        return; // a handshake alone is not recorded
    }
    if (command == Command::Write) {
        JournalEntry::Parameters written{};
        for (int i = 0; i < ParameterFrame::length; ++i)
            written[std::size_t(i)] = ParameterFrame::byteAt(block, i);
        entry.written = written;
    }
    entry.result = JournalEntry::Result::Failed;
    entry.failure = what;
    recorder->record(entry);
}

int CommandLine::showJournal()
{
    Journal journal;
    // What could be read is printed; a journal that could not be opened or
    // read whole, or was moved aside as damaged, is no complete record.
    int status = Done;
    QString error;
    const QVector<JournalEntry> entries = journal.entries(&error);
    for (const QString &problem : {journal.takeNotice(), error}) {
        if (!problem.isEmpty()) {
            fail(problem);
            status = NotKept;
        }
    }
    if (csv) {
        const QByteArray text = Journal::toCsv(entries);
        std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    } else {
        out << Journal::toText(entries);
    }
    return status;
}

void CommandLine::startCommand()
{
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
    if (retriesLeft > 0) {
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
    loop.exit(result);
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
