#include "link/precisewake.h"

#include <windows.h>
#include <timeapi.h>

// Qt runs every Qt::PreciseTimer on a multimedia timer (timeSetEvent with a
// 1 ms resolution), so the ticks and waits are already woken on time while
// their timers run; there is nothing to add to the wake-up itself. What is
// left is the system's own timer: it ticks every 15.6 ms unless a process
// asks for more, and Windows 11 stops honouring that request for a process
// whose windows are hidden or minimised (a command, a window left minimised
// during a write). So the link holds 1 ms for as long as it lives, and opts
// out of that throttling, rather than leaning on the timers' inner workings.
PreciseWake::PreciseWake(QObject *parent) : QObject(parent)
{
    PROCESS_POWER_THROTTLING_STATE state{};
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    state.ControlMask = PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION;
    state.StateMask = 0; // 0 under the mask: always honour the resolution asked for
    // Refused before Windows 11, where there is no such throttling to avoid.
    SetProcessInformation(GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state);
    // 1 ms is the least period every Windows offers: this does not fail.
    timeBeginPeriod(1);
}

PreciseWake::~PreciseWake()
{
    timeEndPeriod(1);
}

void PreciseWake::armPeriodic(int) {}
void PreciseWake::armOnce(int) {}
void PreciseWake::disarm() {}
void PreciseWake::arm(int, int) {}
