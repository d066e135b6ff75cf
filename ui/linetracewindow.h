// The window around the waveform view: the view, "Следить" (back to the
// newest frame) and "Сохранить VCD…". It looks at the trace on a timer while
// it is shown, so the link never signals per event.
#ifndef ZORVEL_LINK_LINETRACEWINDOW_H
#define ZORVEL_LINK_LINETRACEWINDOW_H

#include <QTimer>
#include <QWidget>

class LineTrace;
class WaveformView;

namespace Ui {
class LineTraceWindow;
}

class LineTraceWindow : public QWidget
{
    Q_OBJECT

public:
    // The trace is not owned and must outlive the window.
    explicit LineTraceWindow(const LineTrace *trace, QWidget *parent = nullptr);
    ~LineTraceWindow() override;

    WaveformView *view() const;

public slots:
    // Asks for a file name and writes the trace there as a VCD.
    void saveVcd();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    Ui::LineTraceWindow *ui = nullptr;
    const LineTrace *trace_ = nullptr;
    QTimer refresh_;
};

#endif
