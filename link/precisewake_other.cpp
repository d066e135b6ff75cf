#include "link/precisewake.h"

// No kernel timer to lean on: the toolkit's timers alone set the pace.
PreciseWake::PreciseWake(QObject *parent) : QObject(parent) {}
PreciseWake::~PreciseWake() = default;
void PreciseWake::armPeriodic(int) {}
void PreciseWake::armOnce(int) {}
void PreciseWake::disarm() {}
void PreciseWake::arm(int, int) {}
