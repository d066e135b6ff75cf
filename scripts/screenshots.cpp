// Renders the main window (Russian and English, and with two edits not yet
// written), the journal, the engineering console, the waveform window with a
// read on it and a series that has written a detector offscreen, connected to
// the simulated detector, into PNG files for the README; then the window over
// the USB driver with no adapter plugged in.
//
// Run from build/ (where the catalogue, pictures and bridge library lie):
//   ./zorvel-screenshots ../docs
#include <QAction>
#include <QCheckBox>
#include <QSlider>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QEventLoop>
#include <QTimer>
#include <QTranslator>

#include "link/simpleioapi.h"
#include "ui/mainwindow.h"
#include "ui/seriesrun.h"
#include "ui/serieswindow.h"

namespace {

void serve(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QWidget *linkWindow()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->objectName() == QLatin1String("config"))
            return window;
    }
    return nullptr;
}

// Half a second to the first handshake, then a read of a little over a second.
constexpr int ConnectAndReadMs = 2500;
// A handshake within half a second, then the write and its read-back.
constexpr int SeriesWriteMs = 4000;

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));

    for (const QString &language : {QStringLiteral("ru"), QStringLiteral("en")}) {
        QTranslator translator;
        if (language == QLatin1String("en") && !translator.load(QStringLiteral("translations//zorvel_en.qm")))
            qFatal("run from build/: translations/zorvel_en.qm is not here");
        app.installTranslator(&translator);

        auto *window = new MainWindow;
        window->show();
        serve(ConnectAndReadMs);
        window->grab().save(out.filePath(QStringLiteral("mainwindow-%1.png").arg(language)));

        if (language == QLatin1String("ru")) {
            // Two edits not yet written: their groups are marked, the status bar says so.
            window->findChild<QSlider *>(QStringLiteral("horizontalSlider_4"))->setValue(6);
            window->findChild<QCheckBox *>(QStringLiteral("checkBox"))->toggle();
            serve(100);
            window->grab().save(out.filePath(QStringLiteral("mainwindow-changed.png")));
            window->findChild<QAction *>(QStringLiteral("actionUndo"))->trigger();
            window->findChild<QAction *>(QStringLiteral("actionUndo"))->trigger();
            window->findChild<QAction *>(QStringLiteral("actionJournal"))->trigger();
            serve(300);
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QLatin1String("JournalWindow") && top->isVisible()) {
                    top->resize(900, 300);
                    serve(200);
                    top->grab().save(out.filePath(QStringLiteral("journal.png")));
                    top->close();
                }
            }
        }

        QWidget *console = linkWindow();
        if (language == QLatin1String("ru") && console) {
            console->show();
            serve(200);
            console->grab().save(out.filePath(QStringLiteral("console.png")));
            console->findChild<QPushButton *>(QStringLiteral("showTrace"))->click();
            serve(500);
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QLatin1String("LineTraceWindow")) {
                    top->resize(900, 320);
                    serve(300);
                    top->grab().save(out.filePath(QStringLiteral("waveform.png")));
                }
            }
        }
        if (language == QLatin1String("ru")) {
            // A series on its first detector: written, read back, the green banner.
            SeriesSetup setup;
            setup.profile.classes[0] = {true, 2};
            setup.profile.classes[1] = {true, 4};
            setup.profile.angle = 20;
            setup.profileName = QStringLiteral("склад-7.json");
            setup.notePattern = QStringLiteral("партия 12, датчик {n}");
            setup.firstNumber = 41;
            SeriesWindow *series = window->startSeries(setup);
            serve(SeriesWriteMs);
            series->grab().save(out.filePath(QStringLiteral("series.png")));
            series->run()->stop();
            series->close();
        }
        // The window deletes the console and the link with itself, so that this
        // link does not talk over the next.
        delete window;
        app.removeTranslator(&translator);
    }

#ifdef ZORVEL_USB_BRIDGE
    // What the status bar says where the adapter is missing.
    BridgeLoader::setLibrary(QStringLiteral(ZORVEL_USB_BRIDGE));
    auto *window = new MainWindow;
    window->show();
    serve(ConnectAndReadMs);
    window->grab().save(out.filePath(QStringLiteral("status-noadapter.png")));
    delete window;
#else
    qWarning("no USB bridge in this build: status-noadapter.png is not made");
#endif
    return 0;
}
