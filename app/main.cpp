#include <QApplication>
#include <QTranslator>

#include <cstdio>

#include "app/commandline.h"
#include "app/language.h"
#include "link/simpleioapi.h"
#include "ui/mainwindow.h"

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCoreApplication::setApplicationName(QStringLiteral("zorvel-configurator"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORVEL_VERSION));
    // The simulated detector instead of the adapter, for the window and every command.
    BridgeLoader::setDemo(arguments.contains(QStringLiteral("--demo")));
    bool known = false;
    const QString language = requestedLanguage(arguments, &known);
    if (!known) {
        std::fprintf(stderr, "--lang: ru or en\n");
        return CommandLine::Usage;
    }

    // A command runs without a window: no widget, no display needed.
    if (CommandLine::wanted(arguments)) {
        QCoreApplication app(argc, argv);
        QTranslator translator;
        installCatalogue(app, translator, language);
        CommandLine commandLine;
        return commandLine.run(arguments);
    }

    QApplication app(argc, argv);
    // Ties the window to its menu entry and icon on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("zorvel-configurator"));
    QTranslator translator;
    installCatalogue(app, translator, language);

    MainWindow window;
    window.show();

    // Ends when the last visible top-level window closes, so an open
    // engineering console outlives the main window.
    return app.exec();
}
