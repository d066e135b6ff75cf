#include <QApplication>
#include <QTranslator>

#include "mainwindow/mainwindow.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    // Relative to the working directory, not to the executable. Without the
    // catalogue the translator stays empty and the texts stay Russian.
    QTranslator translator;
    (void)translator.load(QStringLiteral("translations//zorvel_en.qm"));
    app.installTranslator(&translator);

    MainWindow window;
    window.show();

    // Ends when the last visible top-level window closes, so an open
    // engineering console outlives the main window.
    return app.exec();
}
