#include "app/signalwatch.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Written by the signal handler, read by the event loop: the handler itself
// does nothing but write the signal's number.
int signalSockets[2] = {-1, -1};

void onSignal(int number)
{
    const char byte = char(number);
    const ssize_t written = ::write(signalSockets[1], &byte, 1);
    (void)written; // a full socket already holds a signal to act on
}

} // namespace

SignalWatch::SignalWatch(QObject *parent) : QObject(parent) {}

SignalWatch::~SignalWatch() = default;

bool SignalWatch::start()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return false;
    // The handler must never block: a signal beyond what the socket holds is dropped.
    ::fcntl(signalSockets[1], F_SETFL, ::fcntl(signalSockets[1], F_GETFL) | O_NONBLOCK);
    notifier = new QSocketNotifier(signalSockets[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SignalWatch::readPending);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(number, &action, nullptr);
    return true;
}

const char *SignalWatch::name(int number)
{
    switch (number) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    }
    return "?";
}

void SignalWatch::readPending()
{
    char number = 0;
    if (::read(signalSockets[0], &number, 1) != 1)
        return;
    emit arrived(number);
}
