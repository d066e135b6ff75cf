// Which catalogue the program speaks and where it finds its own files: main's
// choices, kept out of main so that the tests run the very code main runs.
#ifndef ZORVEL_APP_LANGUAGE_H
#define ZORVEL_APP_LANGUAGE_H

#include <QString>

class QCoreApplication;
class QTranslator;

// `language` is what `--lang` asked for: "ru" (no catalogue: the texts are
// Russian), "en", or empty. Empty loads the English catalogue
// "translations//zorvel_en.qm" when it lies in the working directory; "en"
// also looks beside the program and in the installed data folder, below
// `programFolder`. Needs no application object. Returns whether it loaded.
bool loadCatalogue(QTranslator &translator, const QString &language, const QString &programFolder);

// loadCatalogue() with the application's folder, then installs the translator
// (even when nothing loaded: an empty one translates nothing); when the run is
// Russian, also installToolkitCatalogue().
bool installCatalogue(QCoreApplication &app, QTranslator &translator, const QString &language = QString());

// For a Russian run: installs Qt's own Russian catalogue (qtbase_ru.qm, from
// "translations" beside the program, else from Qt's translations folder), so
// that file dialogs, standard buttons and Qt's messages speak Russian too. It
// belongs to `translator` and leaves the application with it.
void installToolkitCatalogue(QCoreApplication &app, QTranslator &translator);

// What the window says when no display can be opened, from `translator`,
// which is loaded but cannot be installed before the application exists.
QString noDisplayMessage(const QTranslator &translator);

// The language the launcher chose from the locale (ZORVEL_LANG), used when no
// `--lang` is given: empty, "ru" or "en".
QString launcherLanguage();

#endif
