// The signals that ask a command to end, delivered to the event loop rather
// than into the middle of a tick. One implementation per platform: POSIX's
// SIGINT, SIGTERM and SIGHUP here (signalwatch.cpp); a console's Ctrl+C and
// close events fit the same two calls.
#ifndef ZORVEL_APP_SIGNALWATCH_H
#define ZORVEL_APP_SIGNALWATCH_H

#include <QObject>

class QSocketNotifier;

class SignalWatch : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatch(QObject *parent = nullptr);
    ~SignalWatch() override;

    // Starts watching; false when the platform refused, and then nothing arrives.
    bool start();
    // The signal's name for a message, "SIGINT"; "?" for one not watched.
    static const char *name(int number);

signals:
    // In the event loop, once per signal; `number` makes the exit status 128 + number.
    void arrived(int number);

private:
    void readPending();

    QSocketNotifier *notifier = nullptr;
};

#endif
