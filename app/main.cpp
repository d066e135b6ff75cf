#include <QApplication>
#include <QFileInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

#include "app/commandline.h"
#include "app/language.h"
#ifdef _WIN32
#include "app/startup_win.h"
#endif
#include "link/simpleioapi.h"
#include "ui/mainwindow.h"

namespace {

// What the toolkit says while it opens the display, held back: when it cannot,
// it ends the program with abort() (status 134) after advice about reinstalling.
// The user is told instead that there is no display, and that commands need none.
QByteArray noDisplayText;
QStringList toolkitSaid;

void whileOpeningDisplay(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtFatalMsg) {
        toolkitSaid << message;
        return;
    }
    std::fputs(noDisplayText.constData(), stderr);
    for (const QString &line : qAsConst(toolkitSaid))
        std::fprintf(stderr, "  %s\n", qPrintable(line));
    std::fflush(stderr);
    std::_Exit(CommandLine::Usage);
}

// The executable's folder before any application object can tell it.
QString programFolder(const char *argv0)
{
#ifdef _WIN32
    Q_UNUSED(argv0);
    return WindowsStartup::programFolder();
#else
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    return self.exists() ? QFileInfo(self.symLinkTarget()).absolutePath()
                         : QFileInfo(QString::fromLocal8Bit(argv0)).absolutePath();
#endif
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef _WIN32
    const QStringList arguments = WindowsStartup::arguments();
#else
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("zorvel-configurator"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORVEL_VERSION));
    // One parser decides, before any library is loaded: the simulated detector
    // only when --demo is an option, not the value of another one.
    const CommandLine::Start start = CommandLine::start(arguments);
    BridgeLoader::setDemo(start.demo);
    QString language = start.language.isEmpty() ? launcherLanguage() : start.language;
#ifdef _WIN32
    // No launcher chose: the program does what it would have done.
    if (language.isEmpty())
        language = WindowsStartup::userLanguage();
    if (start.command)
        WindowsStartup::prepareCommandConsole();
    else
        WindowsStartup::releaseOwnConsole();
#endif

    // A command runs without a window: no widget, no display needed.
    if (start.command) {
        QCoreApplication app(argc, argv);
        QTranslator translator;
        installCatalogue(app, translator, language);
        CommandLine commandLine;
        return commandLine.run(arguments);
    }

    QTranslator translator;
    const bool english = loadCatalogue(translator, language, programFolder(argv[0]));
    noDisplayText = noDisplayMessage(translator).toLocal8Bit() + '\n';
    const QtMessageHandler usual = qInstallMessageHandler(whileOpeningDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(usual);
    for (const QString &line : qAsConst(toolkitSaid))
        qWarning("%s", qPrintable(line));
    // Ties the window to its menu entry and icon on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("zorvel-configurator"));
    app.installTranslator(&translator);
    if (!english)
        installToolkitCatalogue(app, translator);

    MainWindow window;
    window.show();

    // Ends when the last visible top-level window closes, so an open
    // engineering console outlives the main window.
    return app.exec();
}
