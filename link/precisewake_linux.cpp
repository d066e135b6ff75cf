#include "link/precisewake.h"

#include <QSocketNotifier>

#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>

namespace {
// The kernel timer fires this long after the QTimer it follows falls due: the
// toolkit dispatches a timer only once it is due, never early.
constexpr long MarginNs = 30000;
constexpr long NsPerMs = 1000000;
constexpr long NsPerSecond = 1000000000;
} // namespace

PreciseWake::PreciseWake(QObject *parent) : QObject(parent)
{
    fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ < 0)
        return;
    auto *notifier = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        std::uint64_t expirations = 0;
        (void)!read(fd_, &expirations, sizeof expirations);
    });
}

PreciseWake::~PreciseWake()
{
    if (fd_ >= 0)
        close(fd_);
}

void PreciseWake::arm(int delayMs, int periodMs)
{
    if (fd_ < 0)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long ns = now.tv_nsec + delayMs * NsPerMs + MarginNs;
    itimerspec schedule{};
    schedule.it_value.tv_sec = now.tv_sec + ns / NsPerSecond;
    schedule.it_value.tv_nsec = ns % NsPerSecond;
    schedule.it_interval.tv_sec = periodMs / 1000;
    schedule.it_interval.tv_nsec = (periodMs % 1000) * NsPerMs;
    timerfd_settime(fd_, TFD_TIMER_ABSTIME, &schedule, nullptr);
}

void PreciseWake::armPeriodic(int periodMs)
{
    arm(periodMs, periodMs);
}

void PreciseWake::armOnce(int delayMs)
{
    arm(delayMs, 0);
}

void PreciseWake::disarm()
{
    if (fd_ < 0)
        return;
    const itimerspec off{};
    timerfd_settime(fd_, 0, &off, nullptr);
}
