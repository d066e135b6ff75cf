#include "app/startup_win.h"

#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <string>

#include <windows.h>
#include <shellapi.h>

namespace WindowsStartup {

QStringList arguments()
{
    QStringList list;
    int count = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv)
        return list;
    for (int i = 0; i < count; ++i)
        list << QString::fromWCharArray(argv[i]);
    LocalFree(argv);
    return list;
}

QString programFolder()
{
    // Long enough for the longest path a module can have (32 767 characters).
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0 || length >= path.size())
        return QDir::currentPath();
    return QFileInfo(QString::fromWCharArray(path.data(), int(length))).absolutePath();
}

namespace {
UINT shellCodePage = 0;
void restoreShellCodePage()
{
    SetConsoleOutputCP(shellCodePage);
}
} // namespace

void prepareCommandConsole()
{
    // The console is the shell's too: give its code page back at exit.
    shellCodePage = GetConsoleOutputCP();
    if (shellCodePage != 0 && shellCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        std::atexit(restoreShellCodePage);
}

void releaseOwnConsole()
{
    DWORD processes[2] = {};
    // Only this process on the console: Windows made it for the program alone.
    if (GetConsoleProcessList(processes, 2) == 1)
        FreeConsole();
}

QString userLanguage()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_RUSSIAN ? QString() : QStringLiteral("en");
}

} // namespace WindowsStartup
