// Wakes the event loop just after a 2 ms tick or a wait falls due.
//
// The toolkit's own timers on Unix round every wait up to a whole
// millisecond, so a 2 ms tick comes up to a millisecond late and the next one
// early (a plain 2 ms timer measured p50 2.13 ms, p99 2.7 ms). The ticks keep
// coming from their QTimers; this only makes the loop wake when they are due,
// from a kernel timer with sub-millisecond precision (p99 2.08 ms). Where the
// platform has no such timer it does nothing.
#ifndef ZORVEL_LINK_PRECISEWAKE_H
#define ZORVEL_LINK_PRECISEWAKE_H

#include <QObject>

class PreciseWake : public QObject
{
public:
    explicit PreciseWake(QObject *parent = nullptr);
    ~PreciseWake() override;

    // Call right after starting the timer it is to follow.
    void armPeriodic(int periodMs);
    void armOnce(int delayMs);
    void disarm();

private:
    void arm(int delayMs, int periodMs);
    int fd_ = -1;
};

#endif
