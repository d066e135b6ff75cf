#include "ui/parametertracker.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QStatusBar>
#include <QUndoCommand>
#include <QUndoStack>

#include <cstring>

namespace {
// The five bytes the detector holds; `spare` is never sent.
bool sameBlock(const DeviceConfig &a, const DeviceConfig &b)
{
    return std::memcmp(&a, &b, 5) == 0;
}

bool classDiffers(const DeviceConfig &a, const DeviceConfig &b, int index)
{
    const char off = DeviceFlag::classOff(index);
    const char *ra = &a.range_1 + index - 1;
    const char *rb = &b.range_1 + index - 1;
    return (a.flag & off) != (b.flag & off) || *ra != *rb;
}

void mark(QWidget *widget, bool on)
{
    QFont font = widget->font();
    // Underlined rather than italic: the class texts fill their boxes, and
    // italics would need room they do not have.
    font.setUnderline(on);
    widget->setFont(font);
}

const QString Mark = QStringLiteral("• ");
} // namespace

// One change of the controls: the block before and after it.
class BlockStep : public QUndoCommand
{
public:
    BlockStep(ParameterTracker *tracker, const DeviceConfig &before, const DeviceConfig &after, int drag, bool applied)
        : tracker_(tracker), before_(before), after_(after), drag_(drag), skipRedo_(applied) {}
    int id() const override { return 1; }
    // Each position a dragged slider passes is a change; the drag is one step.
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const BlockStep *>(other);
        if (drag_ == 0 || next->drag_ != drag_)
            return false;
        after_ = next->after_;
        return true;
    }
    void undo() override { tracker_->applyStep(before_); }
    void redo() override
    {
        if (!std::exchange(skipRedo_, false))
            tracker_->applyStep(after_);
    }

private:
    ParameterTracker *tracker_;
    DeviceConfig before_;
    DeviceConfig after_;
    int drag_;
    bool skipRedo_;
};

ParameterTracker::ParameterTracker(Ui::MainWindow *ui, const DeviceConfig *block,
                                   std::function<void(const DeviceConfig &)> apply, QObject *parent)
    : QObject(parent), ui_(ui), block_(block), apply_(std::move(apply)), stack_(new QUndoStack(this)),
      reference_(*block), committed_(*block)
{
    for (QSlider *slider : {ui->horizontalSlider, ui->horizontalSlider_2, ui->horizontalSlider_3, ui->horizontalSlider_4}) {
        connect(slider, &QSlider::valueChanged, this, &ParameterTracker::noteChange);
        connect(slider, &QSlider::sliderPressed, this, [this] { drag_ = ++drags_; });
        connect(slider, &QSlider::sliderReleased, this, [this] {
            commitNow();
            drag_ = 0;
        });
    }
    for (QCheckBox *box : {ui->checkBox_d_1, ui->checkBox_d_2, ui->checkBox_d_3, ui->checkBox})
        connect(box, &QCheckBox::stateChanged, this, &ParameterTracker::noteChange);
    titles_ = {ui->groupBox_1->title(), ui->groupBox->title()};
    unwritten_ = new QLabel(tr("изменено, не записано"));
    unwritten_->setObjectName(QStringLiteral("unwritten"));
    ui->statusBar->addWidget(unwritten_);
    unwritten_->hide();
}

bool ParameterTracker::modified() const
{
    return !sameBlock(*block_, reference_);
}

// One user action moves several controls (a class box moves its slider, "Сброс"
// all of them): they are taken as one step once the action is over.
void ParameterTracker::noteChange()
{
    if (applying_ || pending_)
        return;
    pending_ = true;
    QMetaObject::invokeMethod(this, &ParameterTracker::commitNow, Qt::QueuedConnection);
}

void ParameterTracker::commitNow()
{
    if (!pending_)
        return;
    pending_ = false;
    if (!sameBlock(*block_, committed_))
        stack_->push(new BlockStep(this, committed_, *block_, drag_, true));
    committed_ = *block_;
    showMarks();
}

void ParameterTracker::adoptReceived()
{
    pending_ = false;
    // The steps were taken on values the detector has now replaced.
    if (!sameBlock(*block_, committed_))
        stack_->clear();
    reference_ = committed_ = *block_;
    showMarks();
}

void ParameterTracker::revertToDetector()
{
    commitNow();
    if (modified())
        stack_->push(new BlockStep(this, committed_, reference_, 0, false));
}

void ParameterTracker::applyStep(const DeviceConfig &to)
{
    applying_ = true;
    apply_(to);
    applying_ = false;
    pending_ = false;
    committed_ = *block_;
    showMarks();
}

void ParameterTracker::showMarks()
{
    const DeviceConfig &now = *block_;
    bool ranges = false;
    const QList<QCheckBox *> classes = {ui_->checkBox_d_1, ui_->checkBox_d_2, ui_->checkBox_d_3};
    for (int index = 1; index <= 3; ++index) {
        const bool differs = classDiffers(now, reference_, index);
        mark(classes[index - 1], differs);
        ranges = ranges || differs;
    }
    const bool blow = (now.flag & DeviceFlag::single_blow) != (reference_.flag & DeviceFlag::single_blow);
    mark(ui_->checkBox, blow);
    const bool angle = now.angle != reference_.angle;
    mark(ui_->sLabel_7, angle);
    ui_->groupBox_1->setTitle((ranges || blow ? Mark : QString()) + titles_[0]);
    ui_->groupBox->setTitle((angle ? Mark : QString()) + titles_[1]);

    const bool changed = modified();
    unwritten_->setVisible(changed);
    ui_->centralWidget->window()->setWindowModified(changed);
    if (changed != wasModified_)
        emit modifiedChanged(wasModified_ = changed);
}
