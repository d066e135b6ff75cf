// Control interface of the USB bridge library built over the emulated chip
// (tests/bridge/usb), for the link test and the benchmark. The program never resolves
// these; they steer the chip and detector that the very library the link
// loaded talks to.
#ifndef ZORVEL_TESTS_USB_USBEMUCONTROL_H
#define ZORVEL_TESTS_USB_USBEMUCONTROL_H

// A factory-fresh chip (all pins inputs, 9600 Bd), plugged in, no delays; the
// detector at power-on. Call it before the library is initialised: a handle
// opened earlier is dead afterwards, as for a new chip.
typedef void (*UsbEmuResetFn)(void);
// Every report written blocks for reportUs; a READ_ALL reply comes readAllUs
// after its request; after CONFIGURE the chip drops every report for resetUs.
typedef void (*UsbEmuSetDelaysFn)(unsigned reportUs, unsigned readAllUs, unsigned resetUs);

// `afterMs` from now the chip stops answering READ_ALL (UsbEmuMute) or leaves
// the bus (UsbEmuUnplug); UsbEmuBack at once plugs it in again, answering.
enum { UsbEmuBack, UsbEmuMute, UsbEmuUnplug };
typedef void (*UsbEmuCutFn)(unsigned afterMs, int how);
// Reports written to the chip so far.
typedef int (*UsbEmuReportsFn)(void);

#endif
