// The window against the detector: the block last read from or confirmed by
// the detector is the reference; every control that differs from it is marked
// (a "•" before its group's title and the control's text in italics, so that
// it reads without colour), and the window is "modified" while anything
// differs. Every change of the controls is one undo step, a slider's drag
// included; values received from the detector move the reference instead.
#ifndef ZORVEL_UI_PARAMETERTRACKER_H
#define ZORVEL_UI_PARAMETERTRACKER_H

#include <QObject>
#include <QStringList>

#include <functional>

#include "protocol/deviceconfig.h"

class QLabel;
class QUndoStack;

namespace Ui {
class MainWindow;
}

class ParameterTracker : public QObject
{
    Q_OBJECT

public:
    // `apply` sets the controls, and through them the block, to a block.
    ParameterTracker(Ui::MainWindow *ui, const DeviceConfig *block,
                     std::function<void(const DeviceConfig &)> apply, QObject *parent);

    // The controls now show what the detector holds: the new reference, and
    // no step to undo.
    void adoptReceived();
    bool modified() const;
    QUndoStack *undoStack() const { return stack_; }
    // Back to the reference, as one step.
    void revertToDetector();
    // Takes a change of the controls that has ended (the event loop's next turn).
    void commitNow();

signals:
    void modifiedChanged(bool modified);

private:
    friend class BlockStep;
    void noteChange();
    void applyStep(const DeviceConfig &to);
    void showMarks();

    Ui::MainWindow *ui_;
    const DeviceConfig *block_;
    std::function<void(const DeviceConfig &)> apply_;
    QUndoStack *stack_;
    DeviceConfig reference_;
    DeviceConfig committed_; // the block as the last step left it
    bool pending_ = false;
    bool applying_ = false;
    bool wasModified_ = false;
    int drag_ = 0;  // the slider drag under way, numbered; 0 when none
    int drags_ = 0;
    QStringList titles_; // the two groups' titles, unmarked
    QLabel *unwritten_;
};

#endif
