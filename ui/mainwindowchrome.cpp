// The main window's chrome: the status bar and its dot, the wedge images,
// the Edit menu and keys, and the question on closing.
#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "ui/config.h"
#include "ui/journalwindow.h"
#include "ui/parametertracker.h"

#include <QCloseEvent>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QUndoStack>

namespace {
// Status-bar dot: the circle inscribed in a 15 x 15 square on a 20 x 20 image.
constexpr int IndicatorSize = 20;
const QRect IndicatorDot(0, 0, 15, 15);

constexpr int WedgeWidth = 300;
constexpr int WedgeHeight = 30;
// Where the dot's image takes the window's background from.
const QPoint BackgroundOffset(100, 300);
} // namespace

void MainWindow::setUpStatusBar()
{
    statusText = new QLabel(tr("Нет подключения"));
    // The window's size is fixed: a long status gives way (its tool tip says
    // more) instead of widening the window past it, as Windows does.
    statusText->setMinimumWidth(1);
    ui->statusBar->addWidget(statusText, 0);
    indicatorPixmap = new QPixmap(IndicatorSize, IndicatorSize);
    indicatorPainter = new QPainter(indicatorPixmap);
    // The dot's image blends into the status bar, which has the window's background.
    indicatorPainter->setBrushOrigin(-BackgroundOffset);
    indicatorPainter->fillRect(indicatorPixmap->rect(), palette().brush(backgroundRole()));
    indicatorPainter->setBrushOrigin(0, 0);
    indicatorPainter->setBrush(QBrush(Qt::red, Qt::SolidPattern));
    indicatorPainter->drawEllipse(IndicatorDot);
    indicatorLabel = new QLabel;
    indicatorLabel->setPixmap(*indicatorPixmap);
    ui->statusBar->addWidget(indicatorLabel, 0);
    progressBar = new QProgressBar;
    ui->statusBar->addWidget(progressBar, 0);
    progressBar->hide();
}

void MainWindow::paintWedges()
{
    wedgePoints[0] = QPointF(0, 25);
    wedgePoints[1] = QPointF(290, 25);
    wedgePoints[2] = QPointF(290, 0);
    const QLinearGradient offGradient(wedgePoints[0], wedgePoints[1]); // black to white
    QLinearGradient onGradient(wedgePoints[0], wedgePoints[1]);
    onGradient.setColorAt(0, Qt::black);
    onGradient.setColorAt(1, QColor(255, 255, 127, 255));

    // Each wedge keeps its painter open for the window's life.
    auto paintWedge = [&](const QLinearGradient &gradient, QPixmap **image, QPainter **painter) {
        // Transparent around the triangle, so that the group box, its border
        // included, shows through.
        *image = new QPixmap(WedgeWidth, WedgeHeight);
        (*image)->fill(Qt::transparent);
        *painter = new QPainter(*image);
        (*painter)->setRenderHint(QPainter::Antialiasing, true);
        (*painter)->setBrush(gradient);
        (*painter)->drawPolygon(wedgePoints, 3, Qt::OddEvenFill);
    };
    paintWedge(offGradient, &wedgeOff, &wedgeOffPainter);
    paintWedge(onGradient, &wedgeOn, &wedgeOnPainter);

    ui->label_d_1->setPixmap(*wedgeOff);
    ui->label_d_2->setPixmap(*wedgeOff);
    ui->label_d_3->setPixmap(*wedgeOff);
}

void MainWindow::showConnection(const QString &text, const QColor &dot)
{
    statusText->clear();
    statusText->setText(text);
    indicatorPainter->setBrush(QBrush(dot, Qt::SolidPattern));
    indicatorPainter->drawEllipse(IndicatorDot);
    // The label holds a copy of the image: hand it the new drawing.
    indicatorLabel->clear();
    indicatorLabel->setPixmap(*indicatorPixmap);
}

// ---------------------------------------------------------------------------
// Editing, keys and closing

void MainWindow::setUpEditing()
{
    tracker = new ParameterTracker(ui, &block, [this](const DeviceConfig &to) { showBlock(to); }, this);
    QAction *undo = tracker->undoStack()->createUndoAction(this, tr("&Отменить"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = tracker->undoStack()->createRedoAction(this, tr("&Повторить"));
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    ui->menuEdit->insertActions(ui->actionRevert, {undo, redo});
    ui->menuEdit->insertSeparator(ui->actionRevert);
    connect(ui->actionRevert, &QAction::triggered, tracker, &ParameterTracker::revertToDetector);
    connect(tracker, &ParameterTracker::modifiedChanged, ui->actionRevert, &QAction::setEnabled);
    ui->actionRevert->setEnabled(false);

    ui->get->setShortcut(Qt::Key_F5);
    ui->get->setToolTip(tr("Считать параметры из датчика (F5). Если датчик не отвечает, "
                           "программа снова проверяет связь и читает, как только он ответит."));
    ui->save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    ui->save->setToolTip(tr("Записать параметры в датчик (Ctrl+Enter)"));
    ui->action->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_X), QKeySequence::Quit});
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    tracker->commitNow();
    if (tracker->modified() && !confirmClose()) {
        event->ignore();
        return;
    }
    // The journal and the waveform go with the window; the console stays, as it always has.
    if (journalWindow)
        journalWindow->close();
    link->closeTrace();
    event->accept();
}

// Unwritten changes: write them first, drop them, or stay.
bool MainWindow::confirmClose()
{
    QMessageBox box(QMessageBox::Question, tr("Конфигуратор Зорвель-3"),
                    tr("Параметры в окне изменены и не записаны в датчик."), QMessageBox::NoButton, this);
    QPushButton *write = ui->save->isEnabled() ? box.addButton(tr("Записать и закрыть"), QMessageBox::AcceptRole) : nullptr;
    QPushButton *drop = box.addButton(tr("Закрыть без записи"), QMessageBox::DestructiveRole);
    QPushButton *stay = box.addButton(tr("Отмена"), QMessageBox::RejectRole);
    box.setDefaultButton(stay);
    box.setEscapeButton(stay);
    box.exec();
    if (box.clickedButton() == write) {
        closeAfterWrite = true;
        ui->save->click();
    }
    return box.clickedButton() == drop;
}
