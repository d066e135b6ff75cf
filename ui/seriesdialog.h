// The setup of a series: the profile every detector gets, the journal note
// with "{n}" for the detector's number, and the first number. A profile that
// does not load is said in a message box, and the dialog stays open.
#ifndef ZORVEL_UI_SERIESDIALOG_H
#define ZORVEL_UI_SERIESDIALOG_H

#include <QDialog>

#include "ui/seriesrun.h"

namespace Ui {
class SeriesDialog;
}

class SeriesDialog : public QDialog
{
    Q_OBJECT

public:
    // `folder`: where the profile chooser starts.
    explicit SeriesDialog(const QString &folder, QWidget *parent = nullptr);
    ~SeriesDialog() override;

    QString profilePath() const;
    // Once accepted: the series as set up, its profile loaded.
    const SeriesSetup &setup() const { return setup_; }

    void accept() override;

private:
    void chooseProfile();

    Ui::SeriesDialog *ui;
    QString folder_;
    SeriesSetup setup_;
};

#endif
