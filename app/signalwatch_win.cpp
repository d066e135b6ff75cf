#include "app/signalwatch.h"

#include <QMetaObject>

#include <atomic>
#include <csignal>

#include <windows.h>

// A console program's Ctrl+C, Ctrl+Break and closing of its console window.
// Windows calls the handler on a thread of its own; the watcher is told in the
// event loop, as a POSIX signal is. The numbers are the C runtime's, so the
// exit status is what a POSIX shell would show: 130 after Ctrl+C.
namespace {

// Set and cleared in the event loop's thread, read on the handler's.
std::atomic<SignalWatch *> watching{nullptr};

// Not defined by MinGW's <csignal>; numbered as on Linux, for a status of 143.
constexpr int CloseNumber = 15; // SIGTERM
constexpr int BreakNumber = 21; // SIGBREAK

BOOL WINAPI onConsoleEvent(DWORD event)
{
    int number = 0;
    switch (event) {
    case CTRL_C_EVENT: number = SIGINT; break;
    case CTRL_BREAK_EVENT: number = BreakNumber; break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: number = CloseNumber; break;
    default: return FALSE;
    }
    SignalWatch *watch = watching.load();
    if (!watch)
        return FALSE;
    QMetaObject::invokeMethod(watch, [watch, number] { emit watch->arrived(number); }, Qt::QueuedConnection);
    // Windows ends the process once this returns from a close, a logoff or a
    // shutdown (and after about five seconds anyway): wait here, so that the
    // running transaction may end first and main return on its own.
    if (number == CloseNumber)
        Sleep(INFINITE);
    return TRUE;
}

} // namespace

SignalWatch::SignalWatch(QObject *parent) : QObject(parent) {}

SignalWatch::~SignalWatch()
{
    SignalWatch *self = this;
    if (watching.compare_exchange_strong(self, nullptr))
        SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

bool SignalWatch::start()
{
    watching = this;
    return SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

const char *SignalWatch::name(int number)
{
    switch (number) {
    case SIGINT: return "Ctrl+C";
    case BreakNumber: return "Ctrl+Break";
    case CloseNumber: return "CTRL_CLOSE_EVENT";
    }
    return "?";
}

void SignalWatch::readPending() {}
