#include "app/commandline.h"

#include "trace/linetracevcd.h"
#include "protocol/profile.h"
#include "storage/journalrecorder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/socket.h>
#endif

namespace {

// The toolkit's own options, which start the window and are read by it
// (QGuiApplication, QApplication, the X11 platform and older X11 habits).
// Known here only so that their values are not taken for a command.
const char *const ToolkitValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon", "qwindowtitle",
    "session", "style", "stylesheet", "qmljsdebugger", "display", "geometry", "title", "icon", "name", "visual",
    "ncols", "cmap", "font", "fn", "bg", "background", "fg", "foreground", "btn", "button", "im", "inputstyle",
    "dialogs", "fontengine"};
const char *const ToolkitFlags[] = {"reverse", "widgetcount", "testability", "sync", "nograb", "dograb"};

// Written by the signal handler, read by the event loop: the handler itself
// does nothing but write the signal's number.
int signalSockets[2] = {-1, -1};

#ifdef Q_OS_UNIX
void onSignal(int number)
{
    const char byte = char(number);
    const ssize_t written = ::write(signalSockets[1], &byte, 1);
    (void)written; // a full socket already holds a signal to act on
}

const char *signalName(int number)
{
    switch (number) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    }
    return "?";
}
#endif

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

QList<QCommandLineOption> CommandLine::options()
{
    QList<QCommandLineOption> options{
        {QStringLiteral("json"), tr("read: параметры в формате профиля JSON.")},
        {QStringLiteral("csv"), tr("journal: записи в виде CSV.")},
        {QStringLiteral("note"), tr("read, write, date: примечание к записи в журнале (зона, номер датчика)."),
         tr("ТЕКСТ")},
        {QStringLiteral("retries"),
         tr("Сколько раз повторить чтение, если ответ не начинается с 0x53 (по умолчанию 2)."), QStringLiteral("N"),
         QStringLiteral("2")},
        {QStringLiteral("trace"), tr("Записать сигналы линии за время команды в ФАЙЛ (VCD)."), tr("ФАЙЛ")},
        {QStringLiteral("demo"), tr("Работать с имитатором датчика вместо адаптера.")},
        {QStringLiteral("lang"), tr("Язык: ru или en."), QStringLiteral("ru|en")},
        {QStringLiteral("quiet"), tr("Только данные на стандартном выводе, без хода работы.")},
        {{QStringLiteral("h"), QStringLiteral("help")}, tr("Показать эту справку.")},
        {{QStringLiteral("v"), QStringLiteral("version")}, tr("Показать версию.")},
    };
    for (const char *name : ToolkitValueOptions)
        options.append({QLatin1String(name), QString(), QStringLiteral("value")});
    for (const char *name : ToolkitFlags)
        options.append({QLatin1String(name), QString()});
    for (QCommandLineOption &option : options) {
        if (option.description().isEmpty())
            option.setFlags(QCommandLineOption::HiddenFromHelp);
    }
    return options;
}

void CommandLine::addOptions(QCommandLineParser &parser)
{
    // "-stylesheet FILE" as the toolkit spells its options: one dash, a word.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(options());
}

CommandLine::Start CommandLine::start(const QStringList &arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    const bool parsed = parser.parse(arguments);
    Start start;
    start.demo = parser.isSet(QStringLiteral("demo"));
    start.language = parser.value(QStringLiteral("lang"));
    start.languageKnown =
        start.language.isEmpty() || start.language == QLatin1String("ru") || start.language == QLatin1String("en");
    // A usage error goes to the command line, which says what is wrong.
    start.command = !parsed || !start.languageKnown || !parser.positionalArguments().isEmpty()
                    || parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"));
    return start;
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

int CommandLine::wrongUsage(const QString &why)
{
    fail(why + QLatin1Char('\n')
         + tr("Вызов: zorvel-configurator КОМАНДА [параметры]; подробнее: zorvel-configurator --help"));
    return Usage;
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
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return;
    // The handler must never block: a signal beyond what the socket holds is dropped.
    ::fcntl(signalSockets[1], F_SETFL, ::fcntl(signalSockets[1], F_GETFL) | O_NONBLOCK);
    signalNotifier = new QSocketNotifier(signalSockets[0], QSocketNotifier::Read, this);
    connect(signalNotifier, &QSocketNotifier::activated, this, &CommandLine::signalArrived);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(number, &action, nullptr);
#endif
}

// A frame cut short leaves the detector with half a byte, a write cut between
// its commit and its read-back leaves a change nobody has checked or recorded:
// the first signal lets the running transaction end, a second one does not wait.
void CommandLine::signalArrived()
{
#ifdef Q_OS_UNIX
    char number = 0;
    if (::read(signalSockets[0], &number, 1) != 1)
        return;
    if (!interrupted()) {
        signalNumber = number;
        fail(tr("Сигнал %1: команда закончит начатый обмен с датчиком и завершится; второй сигнал завершит её сразу")
                 .arg(QLatin1String(signalName(number))));
        // No read after a handshake still running; nothing else starts either.
        if (link)
            link->firstConnect = false;
        if (!lineHeld)
            finish(outcome < 0 ? NoDetector : outcome);
        return;
    }
    if (link)
        link->idlePins();
    fail(tr("Сигнал %1: команда прервана, линия оставлена в покое").arg(QLatin1String(signalName(number))));
    saveTrace();
    err.flush();
    std::fflush(nullptr);
    ::_exit(128 + number);
#endif
}

QString CommandLine::parseError(const QCommandLineParser &parser, const QStringList &arguments) const
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString name = unknown.first();
        return tr("Неизвестный параметр: %1").arg((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    }
    const QList<QCommandLineOption> known = options();
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &word = arguments.at(i);
        if (word == QLatin1String("--"))
            break;
        if (!word.startsWith(QLatin1Char('-')))
            continue;
        const QString name = word.mid(word.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
        for (const QCommandLineOption &option : known) {
            if (!option.names().contains(name))
                continue;
            if (!option.valueName().isEmpty() && !word.contains(QLatin1Char('=')) && i + 1 == arguments.size())
                return tr("После %1 нужно значение").arg(word);
            if (option.valueName().isEmpty() && word.contains(QLatin1Char('=')))
                return tr("%1 не принимает значения").arg(word.section(QLatin1Char('='), 0, 0));
            if (!option.valueName().isEmpty() && !word.contains(QLatin1Char('=')))
                ++i; // its value, whatever it looks like
        }
    }
    return parser.errorText();
}

QString CommandLine::helpText() const
{
    QString text = tr("Вызов: zorvel-configurator КОМАНДА [параметры]") + QLatin1Char('\n')
                   + tr("Конфигуратор датчиков \"Зорвель - 3\" без окна: одна команда с датчиком.") + QLatin1String("\n\n")
                   + tr("Команды:") + QLatin1String("\n  ")
                   + tr("handshake | read | write ФАЙЛ | date set [ГГГГ-ММ-ДД] | date get | journal")
                   + QLatin1String("\n\n") + tr("Параметры:") + QLatin1Char('\n');
    for (const QCommandLineOption &option : options()) {
        if (option.flags() & QCommandLineOption::HiddenFromHelp)
            continue;
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString left = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            left += QStringLiteral(" <%1>").arg(option.valueName());
        text += QStringLiteral("  %1  %2\n").arg(left, -18).arg(option.description());
    }
    return text + QLatin1Char('\n')
           + tr("Коды завершения: 0 готово; 1 неверный вызов; 2 нет датчика (нет библиотеки моста, адаптера "
                "или ответа 0x55); 3 прочитанное не совпало с записанным или ответ остался ошибочным; "
                "4 профиль не читается или неверен; 5 работа с датчиком сделана, но её запись в журнале "
                "или файл трассы не сохранены.");
}

int CommandLine::checkDate(const QString &text)
{
    // The frame carries the year as two digits: only 2000 to 2099 go as they are.
    static const QRegularExpression form(QRegularExpression::anchoredPattern(QStringLiteral("([0-9]{4})-([0-9]{2})-([0-9]{2})")));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return wrongUsage(tr("Дата \"%1\" не в виде ГГГГ-ММ-ДД").arg(text));
    date = QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    if (!date.isValid())
        return wrongUsage(tr("Даты %1 не существует").arg(text));
    if (date.year() < 2000 || date.year() > 2099)
        return wrongUsage(tr("Год %1 не передать: датчик хранит две последние цифры года, допустимы годы 2000–2099")
                              .arg(date.year()));
    return -1;
}

int CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(arguments))
        return wrongUsage(parseError(parser, arguments));
    if (parser.isSet(QStringLiteral("help"))) {
        out << helpText() << Qt::endl;
        return Done;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion() << Qt::endl;
        return Done;
    }
    const QString language = parser.value(QStringLiteral("lang"));
    if (!language.isEmpty() && language != QLatin1String("ru") && language != QLatin1String("en"))
        return wrongUsage(tr("--lang: ru или en, а не \"%1\"").arg(language));
    quiet = parser.isSet(QStringLiteral("quiet"));
    tracePath = parser.value(QStringLiteral("trace"));
    json = parser.isSet(QStringLiteral("json"));
    csv = parser.isSet(QStringLiteral("csv"));
    note = parser.value(QStringLiteral("note"));
    bool ok = false;
    retriesLeft = parser.value(QStringLiteral("retries")).toInt(&ok);
    if (!ok || retriesLeft < 0)
        return wrongUsage(tr("--retries: нужно целое число от 0"));
    // Refused before anything is sent: the trace is saved by a rename, which
    // would put a regular file where a device node or a folder stood.
    const QFileInfo target(tracePath);
    if (!tracePath.isEmpty() && target.exists() && !target.isFile())
        return wrongUsage(tr("--trace: %1 уже есть и это не обычный файл").arg(tracePath));

    const QStringList words = parser.positionalArguments();
    const QString name = words.value(0);
    const bool alone = words.size() == 1;
    if (name == QLatin1String("handshake") && alone) {
        command = Command::Handshake;
    } else if (name == QLatin1String("read") && alone) {
        command = Command::Read;
    } else if (name == QLatin1String("journal") && alone) {
        command = Command::ShowJournal;
    } else if (name == QLatin1String("write") && words.size() == 2) {
        command = Command::Write;
        QString why;
        const std::optional<Profile> profile = Profile::load(words.at(1), &why);
        if (!profile) {
            fail(tr("Профиль %1 не принят: %2").arg(words.at(1), why));
            return BadProfile;
        }
        const auto frame = profile->toFrame();
        block = ParameterFrame::toBlock(frame.data());
    } else if (name == QLatin1String("write") && alone) {
        return wrongUsage(tr("write: не указан файл профиля"));
    } else if (name == QLatin1String("date") && words.value(1) == QLatin1String("set") && words.size() <= 3) {
        command = Command::DateSet;
        const int checked = checkDate(words.size() == 3 ? words.at(2) : QDate::currentDate().toString(Qt::ISODate));
        if (checked >= 0)
            return checked;
    } else if (name == QLatin1String("date") && words.value(1) == QLatin1String("get") && words.size() == 2) {
        command = Command::DateGet;
    } else if (name == QLatin1String("date") && words.size() == 1) {
        return wrongUsage(tr("date: укажите set или get"));
    } else if (name.isEmpty()) {
        return wrongUsage(tr("Не указана команда"));
    } else if (QStringList{"handshake", "read", "journal", "write", "date"}.contains(name)) {
        return wrongUsage(tr("Лишние слова после %1: %2").arg(name, words.mid(1).join(QLatin1Char(' '))));
    } else {
        return wrongUsage(tr("Неизвестная команда: %1").arg(name));
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
    connect(recorder, &JournalRecorder::failed, this, &CommandLine::keepFailure);
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
    connect(link, &DetectorLink::signal_getConfig, this, [this](char *in) {
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
