// Which catalogue the program speaks: main's choice, kept out of main so that
// the tests run the very code main runs.
#ifndef ZORVEL_APP_LANGUAGE_H
#define ZORVEL_APP_LANGUAGE_H

class QCoreApplication;
class QTranslator;

// Loads the English catalogue "translations//zorvel_en.qm", relative to the
// working directory (not to the executable), into `translator` and installs
// it in `app`. The translator is installed even when nothing loaded: an
// empty one translates nothing and the texts stay Russian. Returns whether a
// catalogue was loaded.
bool installCatalogue(QCoreApplication &app, QTranslator &translator);

#endif
