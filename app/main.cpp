#include <QApplication>
#include <QTranslator>

#include "app/commandline.h"
#include "app/language.h"
#include "link/simpleioapi.h"
#include "mainwindow/mainwindow.h"

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCoreApplication::setApplicationName(QStringLiteral("zorvel-configurator"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORVEL_VERSION));
    // The simulated detector instead of the adapter, for the window and every command.
    BridgeLoader::setDemo(arguments.contains(QStringLiteral("--demo")));

    // A command runs without a window: no widget, no display needed.
    if (CommandLine::wanted(arguments)) {
        QCoreApplication app(argc, argv);
        QTranslator translator;
        installCatalogue(app, translator);
        CommandLine commandLine;
        return commandLine.run(arguments);
    }

    QApplication app(argc, argv);
    QTranslator translator;
    installCatalogue(app, translator);

    MainWindow window;
    window.show();

    // Ends when the last visible top-level window closes, so an open
    // engineering console outlives the main window.
    return app.exec();
}
