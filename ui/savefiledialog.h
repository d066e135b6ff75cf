// A save dialog that adds the format's extension to a name typed without one,
// so that the dialog's own filter ("*.json", "*.vcd") shows the file later,
// and asks about overwriting the file that will really be written.
#ifndef ZORVEL_UI_SAVEFILEDIALOG_H
#define ZORVEL_UI_SAVEFILEDIALOG_H

#include <QSettings>
#include <QString>

class QWidget;

// The program's settings. It sets no organisation name, and a default
// QSettings without one stores nothing: these are
// <config>/zorvel-configurator/zorvel-configurator.conf.
QSettings programSettings();

// The chosen path, or empty when the user cancelled. `suffix` without its dot.
// `nameFilter`, where given, is the filter shown first, and then the one the
// user chose.
QString askSaveFileName(QWidget *parent, const QString &caption, const QString &start, const QString &filter,
                        const QString &suffix, QString *nameFilter = nullptr);

#include <functional>

// Writes the CSV file at `path` with fields split by `separator`; false, with
// the reason in `error`, when it could not.
using CsvWriter = std::function<bool(const QString &path, char separator, QString *error)>;

// Asks where to export a CSV file and writes it with `write`. A spreadsheet
// splits what it opens at its locale's list separator: ";" where the decimal
// separator is the comma (Russian), "," elsewhere. The locale's is offered
// first, RFC 4180's comma always, and the user's last choice is the one
// selected; the dialog starts in the folder last exported to. Both are kept
// under `settingsGroup`. A failure is told in a message box. The path written,
// or empty when the user cancelled or the file was not written.
QString exportCsvAsked(QWidget *parent, const QString &title, const QString &defaultName,
                       const QString &settingsGroup, const CsvWriter &write);

#endif
