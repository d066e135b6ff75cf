#include <QApplication>
#include <QTranslator>

#include "app/language.h"
#include "mainwindow/mainwindow.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTranslator translator;
    installCatalogue(app, translator);

    MainWindow window;
    window.show();

    // Ends when the last visible top-level window closes, so an open
    // engineering console outlives the main window.
    return app.exec();
}
