#include "ui/aboutdilog.h"
#include "ui_aboutdilog.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QUrl>

const char AboutDilog::ServiceCode[] = "583019";
const char AboutDilog::FirmwareSite[] = "http://www.zorvel-npp.example/";

namespace {
// A code of 6 characters not yet found in the buffer can only complete with
// its last 5 already typed, so older text never changes an answer.
constexpr int KeptTail = int(sizeof AboutDilog::ServiceCode) - 2;
}

AboutDilog::AboutDilog(QWidget *parent)
    : QDialog(parent), ui(new Ui::AboutDilog)
{
    ui->setupUi(this);

    makerText = tr("<center>Программа \"Конфигуратор Зорвель-3\"<br>")
        + tr("ООО \"НПП Зорвель-Техника\"<br>")
        + tr("тел./факс: (4922) 55-30-19<br>")
        + tr("e-mail: support@zorvel-npp.example<br>")
        + tr("<a href=\"http://www.zorvel-npp.example/\">www.zorvel-npp.example</a></center>");
    setBridge(QString());

    connect(ui->_textLabel, &QLabel::linkActivated, this, &AboutDilog::openFirmwareSite);
}

void AboutDilog::setBridge(const QString &bridge)
{
    QString version = tr("<center>Версия %1</center>").arg(QStringLiteral(ZORVEL_VERSION));
    if (!bridge.isEmpty())
        version = tr("<center>Версия %1; связь: %2</center>").arg(QStringLiteral(ZORVEL_VERSION), bridge.toHtmlEscaped());
    ui->_textLabel->setText(makerText + version);
}

AboutDilog::~AboutDilog()
{
    delete ui;
}

void AboutDilog::keyPressEvent(QKeyEvent *event)
{
    // Nothing goes on to QDialog: Enter must not close the dialog while the
    // code is being typed. Escape, which types no digit, closes it.
    keyBuffer += event->text();
    if (keyBuffer.contains(QLatin1String(ServiceCode))) {
        emit show_btn(true);
        keyBuffer = QString();
        return;
    }
    emit show_btn(false);
    if (keyBuffer.size() > KeptTail)
        keyBuffer = keyBuffer.right(KeptTail);
    if (event->key() == Qt::Key_Escape)
        reject();
}

void AboutDilog::openFirmwareSite(QString url)
{
    if (url.contains(QLatin1String("http"), Qt::CaseSensitive))
        QDesktopServices::openUrl(QUrl(QLatin1String(FirmwareSite)));
}
