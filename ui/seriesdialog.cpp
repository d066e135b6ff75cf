#include "ui/seriesdialog.h"
#include "ui_seriesdialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

SeriesDialog::SeriesDialog(const QString &folder, QWidget *parent)
    : QDialog(parent), ui(new Ui::SeriesDialog), folder_(folder)
{
    ui->setupUi(this);
    ui->notePattern->setText(tr("партия 1, датчик {n}"));
    ui->buttons->button(QDialogButtonBox::Ok)->setText(tr("Начать серию"));
    connect(ui->buttons, &QDialogButtonBox::accepted, this, &SeriesDialog::accept);
    connect(ui->buttons, &QDialogButtonBox::rejected, this, &SeriesDialog::reject);
    connect(ui->chooseProfile, &QPushButton::clicked, this, &SeriesDialog::chooseProfile);
}

SeriesDialog::~SeriesDialog()
{
    delete ui;
}

QString SeriesDialog::profilePath() const
{
    return ui->profilePath->text().trimmed();
}

void SeriesDialog::chooseProfile()
{
    const QString start = profilePath().isEmpty() ? folder_ : QFileInfo(profilePath()).absolutePath();
    const QString path = QFileDialog::getOpenFileName(this, tr("Профиль серии"), start,
                                                      tr("Профили (*.json);;Все файлы (*)"));
    if (!path.isEmpty())
        ui->profilePath->setText(QDir::toNativeSeparators(path));
}

void SeriesDialog::accept()
{
    const QString path = QDir::fromNativeSeparators(profilePath());
    QString why;
    const std::optional<Profile> profile =
        path.isEmpty() ? std::nullopt : Profile::load(path, &why);
    if (!profile) {
        QMessageBox::warning(this, tr("Серия"),
                             path.isEmpty() ? tr("Выберите файл профиля: без него серия не начинается.")
                                            : tr("Профиль %1 не открыт: %2\nСерия не начата.")
                                                  .arg(QDir::toNativeSeparators(path), why));
        return;
    }
    setup_ = SeriesSetup{*profile, QFileInfo(path).fileName(), ui->notePattern->text(), ui->firstNumber->value()};
    QDialog::accept();
}
