// Which catalogue the program speaks: main's choice, kept out of main so that
// the tests run the very code main runs.
#ifndef ZORVEL_APP_LANGUAGE_H
#define ZORVEL_APP_LANGUAGE_H

#include <QString>

class QCoreApplication;
class QTranslator;

// `language` is what `--lang` asked for: "ru" (no catalogue: the texts are
// Russian), "en", or empty. Empty loads the English catalogue
// "translations//zorvel_en.qm" when it lies in the working directory (the
// launcher puts it there for users whose locale is not Russian); "en" also
// looks beside the program and in the installed data folder. The translator
// is installed even when nothing loaded: an empty one translates nothing.
// Returns whether a catalogue was loaded.
bool installCatalogue(QCoreApplication &app, QTranslator &translator, const QString &language = QString());

// The value of `--lang` in the arguments: empty when absent; `ok` false when
// it is neither "ru" nor "en".
QString requestedLanguage(const QStringList &arguments, bool *ok);

#endif
