// What main does differently on Windows, where there is no launcher script
// between the user and the program, and where the program is built for the
// console subsystem (app/CMakeLists.txt says why).
#ifndef ZORVEL_APP_STARTUP_WIN_H
#define ZORVEL_APP_STARTUP_WIN_H

#include <QString>
#include <QStringList>

namespace WindowsStartup {
// The arguments as the user typed them, in UTF-16: argv holds them in the
// ANSI code page, which cannot spell a Cyrillic file name on most systems.
QStringList arguments();

// The executable's folder, before any application object can tell it.
QString programFolder();

// A command's output and messages in UTF-8: what `read --json > site.json`
// must hold, and what a console shows right (the OEM code page cannot show
// every Russian message's characters the same way on every system).
void prepareCommandConsole();

// Started with no command from Explorer or the Start menu, the program was
// given a console window of its own: close it, leaving only the main window.
// A console shared with the shell that started the program stays.
void releaseOwnConsole();

// What the Linux launcher reads from the locale: English for every user whose
// Windows is not in Russian, so the catalogue beside the program is found
// from any working directory; empty (the usual look in the working
// directory) for a Russian Windows.
QString userLanguage();
} // namespace WindowsStartup

#endif
