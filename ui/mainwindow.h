// The application's one main window: shows the detector's parameter block as
// sliders and check boxes and keeps the block in step with them, shows the
// link's connection state and the progress of a write in the status bar, and
// starts the link's operations. All work with the detector is the link's.
#ifndef ZORVEL_MAINWINDOW_MAINWINDOW_H
#define ZORVEL_MAINWINDOW_MAINWINDOW_H

#include <QMainWindow>
#include <QPointF>

#include <cstdint>
#include <memory>

#include "protocol/deviceconfig.h"

class AboutDilog;
class config;
class ConnectionStatus;
class ParameterTracker;
class DetectorLink;
class LineTrace;
class Journal;
class JournalRecorder;
class JournalWindow;
struct Profile;
class QCheckBox;
class QLabel;
class QPainter;
class QPixmap;
class QProgressBar;
class QSlider;
class SeriesWindow;
struct SeriesSetup;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Read-only view of the block, the same bytes the link sends.
    const DeviceConfig &parameterBlock() const { return block; }

    // Profiles: opening sets the controls as a received reply does (nothing
    // reaches the detector until "Сохранить"); saving writes the controls'
    // values atomically. Either says in a message box what went wrong and
    // returns false, changing nothing.
    bool openProfile(const QString &path);
    bool saveProfile(const QString &path);
    // A series with this setup, in a window of its own over this one ("Серия…").
    SeriesWindow *startSeries(const SeriesSetup &setup);

private slots:
    void setmem(int i);
    void setmem_2(int i);
    void setmem_3(int i);
    void setmem_d_1();
    void setmem_d_2();
    void setmem_d_3();
    void setmem_angle(int i);
    void setmem_flag(int);
    void conf_wgt();
    void file_wr();
    void set_dev_config(char in[6]);
    void set_curr_action(int total, int step, int cgi);
    void test_button(bool b);
    void show_about();
    void get_connect();
    void slot_reset();
    void openProfileDialog();
    void saveProfileDialog();
    void showJournal();
    void showSeriesDialog();

public slots:
    void buttonsEnable(bool b);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The controls of one tool class (1..3).
    struct ToolClass {
        QCheckBox *enabled;
        QSlider *range;
        QLabel *wedge;
        QLabel *value;    // follows the slider
        QLabel *received; // the range byte of the last reply
        char *rangeByte;
        char offBit;
    };
    ToolClass toolClass(int index);

    void applyRange(int index, int sliderValue);
    void applyClassState(int index);
    void setUpStatusBar();
    void paintWedges();
    void connectControls();
    void connectLink();
    void showConnection(const QString &text, const QColor &dot);
    void setFlagBit(char mask, bool on);
    QString degreeSign() const;
    void showParameters(const char rx[6]);
    void setUpJournal();
    void setUpEditing();
    void setUpSeries();
    bool confirmClose();
    void showBlock(const DeviceConfig &shown);
    void useProfile(const QString &path, const QString &note);
    void updateTitle();
    QString profileFolder() const;
    void rememberProfileFolder(const QString &file) const;

    QPointF wedgePoints[3];
    Ui::MainWindow *ui;
    DetectorLink *detector;           // the link to the detector, owned
    std::unique_ptr<LineTrace> trace; // what the link does on the line
    config *link;                     // the engineering console over both; deleted with the window
    QLabel *statusText;
    QLabel *indicatorLabel;
    QPixmap *indicatorPixmap;
    QPainter *indicatorPainter;
    QPixmap *wedgeOff;
    QPainter *wedgeOffPainter;
    QPixmap *wedgeOn;
    QPainter *wedgeOnPainter;
    QProgressBar *progressBar;
    DeviceConfig block;
    AboutDilog *about;
    std::unique_ptr<Journal> journal;
    JournalRecorder *recorder = nullptr;
    JournalWindow *journalWindow = nullptr;
    QLabel *journalState = nullptr; // says when entries cannot be kept
    QString profileNote;            // the opened profile's note, saved with it again
    QString profileName;            // the profile last opened or saved, named in the title
    ConnectionStatus *connection = nullptr;
    ParameterTracker *tracker = nullptr;
    bool closeAfterWrite = false;   // "Записать" on closing: the window closes once the write is confirmed
    // The storage record of file_wr; nothing sets it.
    std::int32_t recordValues[3] = {0, 0, 0};
};

#endif
