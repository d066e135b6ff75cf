// A save dialog that adds the format's extension to a name typed without one,
// so that the dialog's own filter ("*.json", "*.vcd") shows the file later,
// and asks about overwriting the file that will really be written.
#ifndef ZORVEL_UI_SAVEFILEDIALOG_H
#define ZORVEL_UI_SAVEFILEDIALOG_H

#include <QString>

class QWidget;

// The chosen path, or empty when the user cancelled. `suffix` without its dot.
// `nameFilter`, where given, is the filter shown first, and then the one the
// user chose.
QString askSaveFileName(QWidget *parent, const QString &caption, const QString &start, const QString &filter,
                        const QString &suffix, QString *nameFilter = nullptr);

#endif
