// The About dialog. Besides the maker's lines and web link it watches what is
// typed while it has the keyboard: the service code reveals the main window's
// button to the engineering console.
#ifndef ZORVEL_ABOUT_ABOUTDILOG_H
#define ZORVEL_ABOUT_ABOUTDILOG_H

#include <QDialog>
#include <QString>

namespace Ui {
class AboutDilog;
}

class AboutDilog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDilog(QWidget *parent = nullptr);
    ~AboutDilog() override;

    // The program's version and the bridge it talks through, under the maker's lines.
    void setBridge(const QString &bridge);

    static const char ServiceCode[];  // "583019"
    static const char FirmwareSite[]; // the fixed address the link opens

signals:
    void show_btn(bool);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void openFirmwareSite(QString url);

private:
    Ui::AboutDilog *ui;
    QString keyBuffer;
    QString makerText;
};

#endif
