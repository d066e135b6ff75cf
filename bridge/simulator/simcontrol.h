/* Control interface of the simulated bridge library, for tests and the
 * benchmark. Not one of the eight SimpleIO entry points: the program never
 * resolves these. Tests resolve them from the same loaded library the link
 * uses, so they see and steer the very detector the link talks to. */
#ifndef ZORVEL_SIM_SIMCONTROL_H
#define ZORVEL_SIM_SIMCONTROL_H

#include "bridge/simpleio.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef SIMPLEIO_IMPLEMENTATION
#define SIMCONTROL_API SIMPLEIO_EXPORT
#else
#define SIMCONTROL_API
#endif

/* Back to power-on: pins idle (all outputs high, directions 0xF0), detector
 * block and date at their defaults, frame log empty, no faults. */
typedef void (*SimResetFn)(void);
/* The detector's parameter block in frame order: flag, angle, range_1..3. */
typedef void (*SimGetBlockFn)(unsigned char out[5]);
typedef void (*SimSetBlockFn)(const unsigned char in[5]);
/* The detector's date: year % 100, month, day. */
typedef void (*SimGetDateFn)(unsigned char out[3]);
/* Complete command frames received, command byte first. SimFrame copies
 * frame `index` into `out` (at most `max` bytes) and returns its length, or -1. */
typedef int (*SimFrameCountFn)(void);
typedef int (*SimFrameFn)(int index, unsigned char *out, int max);
/* Faults. */
typedef void (*SimSetSilentFn)(bool on);
typedef void (*SimSetDataInStuckLowFn)(bool on);
typedef void (*SimSetHandshakeReplyFn)(unsigned char reply);
typedef void (*SimSetWritesIgnoredFn)(bool on);
/* Turns a fault on or off by its ZORVEL_SIM_FAULT name ("no-date", ...). */
typedef void (*SimSetFaultFn)(const char *name, bool on);
/* Inverts one bit of the next reply (0 = most significant bit of its first byte). */
typedef void (*SimFlipNextReplyBitFn)(int bit);
/* The shortest time between two CLOCK edges since the last call (0: fewer
 * than two edges), in microseconds; the count starts afresh. */
typedef unsigned long (*SimShortestClockPhaseUsFn)(void);
/* Makes the named entry point ("SetPin", "ReadPin", ...) report failure. */
typedef void (*SimFailEntryPointFn)(const char *name, bool fail);

#ifdef SIMPLEIO_IMPLEMENTATION
SIMCONTROL_API void SimReset(void);
SIMCONTROL_API void SimGetBlock(unsigned char out[5]);
SIMCONTROL_API void SimSetBlock(const unsigned char in[5]);
SIMCONTROL_API void SimGetDate(unsigned char out[3]);
SIMCONTROL_API int SimFrameCount(void);
SIMCONTROL_API int SimFrame(int index, unsigned char *out, int max);
SIMCONTROL_API void SimSetSilent(bool on);
SIMCONTROL_API void SimSetFault(const char *name, bool on);
SIMCONTROL_API void SimSetDataInStuckLow(bool on);
SIMCONTROL_API void SimSetHandshakeReply(unsigned char reply);
SIMCONTROL_API void SimSetWritesIgnored(bool on);
SIMCONTROL_API void SimFlipNextReplyBit(int bit);
SIMCONTROL_API void SimFailEntryPoint(const char *name, bool fail);
SIMCONTROL_API unsigned long SimShortestClockPhaseUs(void);
#endif

#ifdef __cplusplus
}
#endif

#endif
