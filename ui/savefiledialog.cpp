#include "ui/savefiledialog.h"

#include <QFileDialog>

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
