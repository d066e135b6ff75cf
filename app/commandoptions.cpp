// The command line's words: its options (and the toolkit's, which only the
// window reads), the usage and help texts, and the parser that turns the
// arguments into a command or a usage error.
#include "app/commandline.h"

#include "protocol/profile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

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

int CommandLine::wrongUsage(const QString &why)
{
    fail(why + QLatin1Char('\n')
         + tr("Вызов: zorvel-configurator КОМАНДА [параметры]; подробнее: zorvel-configurator --help"));
    return Usage;
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
    // One command, option or status a line, so that a narrow terminal wraps a
    // description, never a command in the middle.
    const auto rows = [](const QList<QPair<QString, QString>> &items, int width = 27) {
        QString text;
        for (const auto &[left, right] : items)
            text += QStringLiteral("  %1  %2\n").arg(left, -width).arg(right);
        return text;
    };
    QList<QPair<QString, QString>> options;
    for (const QCommandLineOption &option : CommandLine::options()) {
        if (option.flags() & QCommandLineOption::HiddenFromHelp)
            continue;
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString left = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            left += QStringLiteral(" <%1>").arg(option.valueName());
        options.append({left, option.description()});
    }
    return tr("Вызов: zorvel-configurator КОМАНДА [параметры]") + QLatin1Char('\n')
           + tr("Конфигуратор датчиков \"Зорвель - 3\" без окна: одна команда с датчиком.") + QLatin1String("\n\n")
           + tr("Команды:") + QLatin1Char('\n')
           + rows({{QStringLiteral("handshake"), tr("рукопожатие: отвечает ли датчик")},
                   {QStringLiteral("read [--json] [--retries N]"), tr("прочитать параметры датчика")},
                   {tr("write ФАЙЛ"), tr("записать профиль, прочитать и сравнить")},
                   {tr("date set [ГГГГ-ММ-ДД]"), tr("передать дату (без неё сегодняшнюю)")},
                   {QStringLiteral("date get"), tr("прочитать дату из датчика")},
                   {QStringLiteral("journal [--csv]"), tr("показать журнал")}})
           + QLatin1Char('\n') + tr("Параметры:") + QLatin1Char('\n') + rows(options) + QLatin1Char('\n')
           + tr("Коды завершения:") + QLatin1Char('\n')
           + rows({{QStringLiteral("0"), tr("готово")},
                   {QStringLiteral("1"), tr("неверный вызов")},
                   {QStringLiteral("2"), tr("нет датчика: нет библиотеки моста, адаптера или ответа 0x55")},
                   {QStringLiteral("3"), tr("прочитанное не совпало с записанным или ответ остался ошибочным")},
                   {QStringLiteral("4"), tr("профиль не читается или неверен")},
                   {QStringLiteral("5"), tr("работа с датчиком сделана, но её запись в журнале или файл трассы не сохранены")},
                   {QStringLiteral("128 + N"), tr("завершена сигналом N, когда закончился начатый обмен")}},
                  7);
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
        out << helpText() << Qt::flush;
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
    return parseCommand(parser.positionalArguments());
}

int CommandLine::parseCommand(const QStringList &words)
{
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
