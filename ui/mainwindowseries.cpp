// The main window's series: "Серия…" in the File menu, its setup dialog, and
// the series' window over this one, which holds the window back while open.
#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "ui/config.h"
#include "ui/seriesdialog.h"
#include "ui/seriesrun.h"
#include "ui/serieswindow.h"

void MainWindow::setUpSeries()
{
    auto *series = new QAction(tr("&Серия…"), this);
    series->setObjectName(QStringLiteral("actionSeries"));
    series->setStatusTip(tr("Записать профиль в датчики один за другим, с номером каждого в журнале"));
    ui->menuFile->insertAction(ui->actionJournal, series);
    connect(series, &QAction::triggered, this, &MainWindow::showSeriesDialog);
}

void MainWindow::showSeriesDialog()
{
    SeriesDialog dialog(profileFolder(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    rememberProfileFolder(dialog.profilePath());
    startSeries(dialog.setup());
}

SeriesWindow *MainWindow::startSeries(const SeriesSetup &setup)
{
    auto *run = new SeriesRun(detector, recorder, setup);
    auto *window = new SeriesWindow(run, journal.get(), this);
    // The series' window says how each write ended; the console's box would
    // stop the line's work until someone answered it.
    link->setWriteResultsShown(false);
    connect(run, &SeriesRun::finished, this, [this] { link->setWriteResultsShown(true); });
    window->setWindowModality(Qt::WindowModal);
    window->show();
    run->start();
    return window;
}
