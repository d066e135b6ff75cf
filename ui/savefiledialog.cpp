#include "ui/savefiledialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

QSettings programSettings()
{
    return QSettings(QCoreApplication::applicationName(), QCoreApplication::applicationName());
}

QString askSaveFileName(QWidget *parent, const QString &caption, const QString &start, const QString &filter,
                        const QString &suffix, QString *nameFilter)
{
    QFileDialog dialog(parent, caption, start, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    if (nameFilter && !nameFilter->isEmpty())
        dialog.selectNameFilter(*nameFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    if (nameFilter)
        *nameFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

QString exportCsvAsked(QWidget *parent, const QString &title, const QString &defaultName,
                       const QString &settingsGroup, const CsvWriter &write)
{
    QSettings settings = programSettings();
    settings.beginGroup(settingsGroup);
    const QString folder =
        settings.value(QStringLiteral("exportFolder"), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .toString();

    const QString semicolon = QCoreApplication::translate("CsvExport", "CSV, разделитель «;» (*.csv)");
    const QString comma = QCoreApplication::translate("CsvExport", "CSV, разделитель «,» (RFC 4180) (*.csv)");
    const bool decimalComma = QLocale().decimalPoint() == QLatin1String(",");
    const QStringList filters = decimalComma ? QStringList{semicolon, comma} : QStringList{comma, semicolon};
    const QString remembered = settings.value(QStringLiteral("exportSeparator")).toString();
    QString chosen = remembered == QLatin1String(";")   ? semicolon
                     : remembered == QLatin1String(",") ? comma
                                                        : filters.first();
    const QString path = askSaveFileName(parent, title, QDir(folder).filePath(defaultName),
                                         filters.join(QLatin1String(";;")), QStringLiteral("csv"), &chosen);
    if (path.isEmpty())
        return QString();
    const char separator = chosen == semicolon ? ';' : ',';
    QString error;
    if (!write(path, separator, &error)) {
        QMessageBox::warning(parent, title, error);
        return QString();
    }
    settings.setValue(QStringLiteral("exportFolder"), QFileInfo(path).absolutePath());
    settings.setValue(QStringLiteral("exportSeparator"), QString(QLatin1Char(separator)));
    return path;
}
