#include "ui/serieswindow.h"
#include "ui_serieswindow.h"

#include "ui/savefiledialog.h"
#include "ui/seriesrun.h"
#include "storage/journal.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QMessageBox>
#include <QSaveFile>

namespace {
// Colour only underlines what the words say.
enum class Banner { Neutral, Good, Bad };
QString bannerStyle(Banner banner)
{
    const char *colours = banner == Banner::Good ? "background-color: #2e7d32; color: white;"
                          : banner == Banner::Bad ? "background-color: #c62828; color: white;"
                                                  : "background-color: #e0e0e0; color: black;";
    return QStringLiteral("QLabel { font-size: 26px; font-weight: bold; %1 }").arg(QLatin1String(colours));
}
} // namespace

SeriesWindow::SeriesWindow(SeriesRun *run, Journal *journal, QWidget *parent)
    : QDialog(parent), ui(new Ui::SeriesWindow), run_(run), journal_(journal)
{
    ui->setupUi(this);
    run_->setParent(this);
    // Closed by "Закрыть", Escape or the title bar once the series has stopped.
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
    QFont prompt = ui->prompt->font();
    prompt.setPixelSize(16);
    ui->prompt->setFont(prompt);
    ui->counts->setFont(prompt);
    connect(run_, &SeriesRun::changed, this, &SeriesWindow::render);
    // The sound of the system, when it has one, draws the eye to the banner.
    connect(run_, &SeriesRun::concluded, this, [] { QApplication::beep(); });
    connect(ui->stopButton, &QPushButton::clicked, run_, &SeriesRun::stop);
    connect(ui->stopButton, &QPushButton::clicked, this, &SeriesWindow::render);
    connect(ui->exportButton, &QPushButton::clicked, this, &SeriesWindow::chooseExportFile);
    connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
    render();
}

SeriesWindow::~SeriesWindow()
{
    delete ui;
}

void SeriesWindow::reject()
{
    if (run_->phase() != SeriesRun::Phase::Stopped) {
        run_->stop();
        render();
        return;
    }
    QDialog::reject();
}

void SeriesWindow::render()
{
    const SeriesSetup &setup = run_->setup();
    const SeriesRun::Phase phase = run_->phase();
    const auto &last = run_->lastResult();
    const int next = run_->nextNumber();
    ui->profile->setText(tr("Профиль %1: %2").arg(setup.profileName, setup.profile.summary()));

    Banner banner = Banner::Neutral;
    if (phase == SeriesRun::Phase::Writing) {
        ui->banner->setText(tr("Запись датчика %1…").arg(next));
    } else if (last && last->written) {
        banner = Banner::Good;
        ui->banner->setText(tr("Датчик %1 записан").arg(last->number));
    } else if (last) {
        banner = Banner::Bad;
        ui->banner->setText(tr("Датчик %1 НЕ записан: %2").arg(last->number).arg(last->failure));
    } else {
        ui->banner->setText(phase == SeriesRun::Phase::Stopped ? tr("Серия остановлена") : tr("Ждём датчик %1").arg(next));
    }
    ui->banner->setStyleSheet(bannerStyle(banner));

    switch (phase) {
    case SeriesRun::Phase::Waiting: ui->prompt->setText(tr("Подключите датчик: он получит номер %1").arg(next)); break;
    case SeriesRun::Phase::Writing: ui->prompt->setText(tr("Идёт запись: не отключайте датчик")); break;
    case SeriesRun::Phase::Unplug: ui->prompt->setText(tr("Отключите датчик; следующий получит номер %1").arg(next)); break;
    case SeriesRun::Phase::Stopped: ui->prompt->setText(tr("Серия остановлена")); break;
    }
    if (run_->stopping())
        ui->prompt->setText(tr("Серия остановится, когда запись закончится"));
    ui->counts->setText(tr("Записано: %1    Не записано: %2").arg(run_->written()).arg(run_->failed()));
    ui->stopButton->setEnabled(phase != SeriesRun::Phase::Stopped && !run_->stopping());
    ui->closeButton->setEnabled(phase == SeriesRun::Phase::Stopped);
}

bool SeriesWindow::exportCsv(const QString &path, char separator, QString *error) const
{
    QString why;
    const QVector<JournalEntry> own = run_->ownEntries(journal_->entries(&why));
    QSaveFile file(path);
    if (why.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(Journal::toCsv(own, separator)) >= 0 && file.commit())
        return true;
    if (error) {
        *error = tr("Файл %1 не записан: %2.").arg(QDir::toNativeSeparators(path), why.isEmpty() ? file.errorString() : why);
    }
    return false;
}

void SeriesWindow::chooseExportFile()
{
    const QString title = tr("Экспорт серии");
    // Entries waiting for another program's write lock are not in the file yet.
    if (run_->entriesUnsaved() > 0) {
        QMessageBox::warning(this, title, tr("Журнал занят другой программой: записей ждут %1. "
                                             "Повторите экспорт через несколько секунд.")
                                              .arg(run_->entriesUnsaved()));
        return;
    }
    const QString name = tr("серия-%1.csv").arg(QDate::currentDate().toString(Qt::ISODate));
    const QString path = exportCsvAsked(this, title, name, QStringLiteral("series"),
                                        [this](const QString &to, char separator, QString *error) {
                                            return exportCsv(to, separator, error);
                                        });
    if (path.isEmpty())
        return;
    ui->status->setText(tr("Записи серии сохранены в %1").arg(QDir::toNativeSeparators(path)));
}
