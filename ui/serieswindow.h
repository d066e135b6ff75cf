// The window of a running series, over the main window (which it holds back
// while it is open): the result of the last detector big and plain, a green
// banner that says it was written or a red one that says it was not and why,
// what to do next, the counts, a button that stops the series and the export
// of the series' own journal entries as CSV.
#ifndef ZORVEL_UI_SERIESWINDOW_H
#define ZORVEL_UI_SERIESWINDOW_H

#include <QDialog>

class Journal;
class SeriesRun;

namespace Ui {
class SeriesWindow;
}

class SeriesWindow : public QDialog
{
    Q_OBJECT

public:
    // Takes `run` over; the journal is not owned.
    SeriesWindow(SeriesRun *run, Journal *journal, QWidget *parent = nullptr);
    ~SeriesWindow() override;

    SeriesRun *run() const { return run_; }
    // The entries the series wrote into the journal, as CSV into `path`.
    bool exportCsv(const QString &path, char separator = ',', QString *error = nullptr) const;

    // Escape or the title bar's close while the series runs stops it; the
    // window stays with its counts until closed again.
    void reject() override;

private:
    void render();
    void chooseExportFile();

    Ui::SeriesWindow *ui;
    SeriesRun *run_;
    Journal *journal_;
};

#endif
