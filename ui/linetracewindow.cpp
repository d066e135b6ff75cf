#include "ui/linetracewindow.h"
#include "ui/savefiledialog.h"
#include "ui_linetracewindow.h"

#include "trace/linetrace.h"
#include "trace/linetracevcd.h"
#include "ui/waveformview.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QApplication>
#include <QMessageBox>

namespace {
// Five repaints a second: the newest frame moves on smoothly, and a view of a
// million events still costs the link's 2 ms ticks little.
constexpr int RefreshMs = 200;
} // namespace

LineTraceWindow::LineTraceWindow(const LineTrace *trace, QWidget *parent)
    : QWidget(parent), ui(new Ui::LineTraceWindow), trace_(trace)
{
    ui->setupUi(this);
    ui->view->setTrace(trace);
    connect(ui->follow, &QPushButton::toggled, this, [this](bool on) {
        if (on)
            ui->view->follow();
        else
            ui->view->stopFollowing();
    });
    connect(ui->view, &WaveformView::followingChanged, ui->follow, &QPushButton::setChecked);
    connect(ui->save, &QPushButton::clicked, this, &LineTraceWindow::saveVcd);
    refresh_.setInterval(RefreshMs);
    connect(&refresh_, &QTimer::timeout, ui->view, &WaveformView::refresh);
}

LineTraceWindow::~LineTraceWindow()
{
    delete ui;
}

WaveformView *LineTraceWindow::view() const
{
    return ui->view;
}

void LineTraceWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh_.start();
    ui->view->refresh();
}

void LineTraceWindow::hideEvent(QHideEvent *event)
{
    refresh_.stop();
    QWidget::hideEvent(event);
}

void LineTraceWindow::saveVcd()
{
    const QString title = tr("Сохранить VCD");
    if (!trace_ || trace_->size() == 0) {
        QMessageBox::information(this, title, tr("На линии пока ничего не записано."));
        return;
    }
    const QString name = QStringLiteral("line-%1.vcd")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = askSaveFileName(this, title, QDir::home().filePath(name), tr("Value Change Dump (*.vcd)"),
                                         QStringLiteral("vcd"));
    if (path.isEmpty())
        return;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = LineTraceVcd::save(*trace_, path, &error);
    QApplication::restoreOverrideCursor();
    if (!saved)
        QMessageBox::warning(this, title, error);
}
