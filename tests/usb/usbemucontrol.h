/* Control interface of the USB bridge library built over the emulated chip
 * (tests/usb), for the link test and the benchmark. The program never
 * resolves these; they steer the chip and detector that the very library the
 * link loaded talks to. */
#ifndef ZORVEL_TESTS_USB_USBEMUCONTROL_H
#define ZORVEL_TESTS_USB_USBEMUCONTROL_H

#include "bridge/simpleio.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A factory-fresh chip (all pins inputs, 9600 Bd), plugged in, no delays; the
 * detector at power-on. Call it before the library is initialised: a handle
 * opened earlier is dead afterwards, as for a new chip. */
typedef void (*UsbEmuResetFn)(void);
/* Every report written blocks for reportUs; a READ_ALL reply comes readAllUs
 * after its request. */
typedef void (*UsbEmuSetDelaysFn)(unsigned reportUs, unsigned readAllUs);
/* The detector's parameter block in frame order: flag, angle, range_1..3. */
typedef void (*UsbEmuGetBlockFn)(unsigned char out[5]);
typedef void (*UsbEmuSetBlockFn)(const unsigned char in[5]);
/* Bytes 4..9 the chip holds in non-volatile memory. */
typedef void (*UsbEmuGetConfigFn)(unsigned char out[6]);
/* The output latches, bit n for GPn. */
typedef unsigned char (*UsbEmuLatchesFn)(void);
/* Reports written since the reset: SET_CLEAR_OUTPUTS, CONFIGURE, READ_ALL. */
typedef void (*UsbEmuReportCountsFn)(unsigned long counts[3]);

#ifdef SIMPLEIO_IMPLEMENTATION
SIMPLEIO_EXPORT void UsbEmuReset(void);
SIMPLEIO_EXPORT void UsbEmuSetDelays(unsigned reportUs, unsigned readAllUs);
SIMPLEIO_EXPORT void UsbEmuGetBlock(unsigned char out[5]);
SIMPLEIO_EXPORT void UsbEmuSetBlock(const unsigned char in[5]);
SIMPLEIO_EXPORT void UsbEmuGetConfig(unsigned char out[6]);
SIMPLEIO_EXPORT unsigned char UsbEmuLatches(void);
SIMPLEIO_EXPORT void UsbEmuReportCounts(unsigned long counts[3]);
#endif

#ifdef __cplusplus
}
#endif

#endif
