// Where the program's read-only files lie ("3_x.xpm", "Untitled.png", the
// catalogue): the working directory as always, else beside the program, else
// the installed data folder, so that a shortcut, a double-click and the
// package's launcher all find them.
#ifndef ZORVEL_STORAGE_PROGRAMFILES_H
#define ZORVEL_STORAGE_PROGRAMFILES_H

#include <QString>
#include <QStringList>

// The folders tried after the working directory, for a program in
// `programFolder`: that folder, then the installed data folder.
QStringList programFolders(const QString &programFolder);

// The first of the places where `name` is a file, for this application; the
// bare name when it is nowhere.
QString programFile(const QString &name);

#endif
