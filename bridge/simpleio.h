/* The eight C entry points of the MCP2200 bridge library ("SimpleIO").
 *
 * The program never links against a bridge library: it loads one at run time
 * and resolves these names. Every bridge library of ours (the simulated
 * detector, the USB HID driver) exports exactly these, with the signatures the
 * vendor publishes, so the vendor's own Windows DLL can be called through the
 * same declarations.
 */
#ifndef ZORVEL_BRIDGE_SIMPLEIO_H
#define ZORVEL_BRIDGE_SIMPLEIO_H

#if defined(_WIN32) && !defined(_WIN64)
#define SIMPLEIO_CALL __stdcall
#else
#define SIMPLEIO_CALL
#endif

#if defined(_WIN32)
#define SIMPLEIO_EXPORT __declspec(dllexport)
#else
#define SIMPLEIO_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#include <cstdbool>
extern "C" {
#else
#include <stdbool.h>
#endif

/* Vendor and product id of the MCP2200. */
#define SIMPLEIO_VID 0x04D8u
#define SIMPLEIO_PID 0x00DFu

typedef void(SIMPLEIO_CALL *InitMCP2200Fn)(unsigned int vid, unsigned int pid);
typedef bool(SIMPLEIO_CALL *IsConnectedFn)(void);
typedef bool(SIMPLEIO_CALL *ConfigureMCP2200Fn)(unsigned char ioMap, unsigned long baudRate,
                                                unsigned int rxLedMode, unsigned int txLedMode,
                                                bool flow, bool uload, bool sspnd);
typedef bool(SIMPLEIO_CALL *ConfigureIOFn)(unsigned char ioMap);
typedef bool(SIMPLEIO_CALL *SetPinFn)(unsigned int pin);
typedef bool(SIMPLEIO_CALL *ClearPinFn)(unsigned int pin);
typedef bool(SIMPLEIO_CALL *ReadPinFn)(unsigned int pin, unsigned int *value);
typedef bool(SIMPLEIO_CALL *fnSetBaudRateFn)(unsigned long baudRate);

/* Optional, not one of the eight: a bridge library may export this to say in
 * plain words what it found wrong since it was last asked (each finding once),
 * then why it cannot reach the adapter while it cannot (UTF-8, or null when
 * all is well). The program logs it when present. */
typedef const char *(SIMPLEIO_CALL *BridgeStatusFn)(void);
#define SIMPLEIO_STATUS_SYMBOL "ZorvelBridgeStatus"

/* Optional too: which adapter the library drives, in a few words fit for a
 * file name (a serial number, a bus path), so that two programs never drive
 * one adapter at once: each holds a lock named after it. Null when the library
 * cannot tell (the lock is named after the USB ids alone); empty when it
 * drives nothing another program could reach (the simulated detector), which
 * needs no lock. It may look for the adapter, but sends it nothing. */
typedef const char *(SIMPLEIO_CALL *BridgeAdapterFn)(void);
#define SIMPLEIO_ADAPTER_SYMBOL "ZorvelBridgeAdapter"

/* Optional too: the six configuration bytes the adapter keeps (directions,
 * alternate pins, default outputs, options, baud divisor high and low), for a
 * report from the bench; false when they cannot be read. */
typedef bool(SIMPLEIO_CALL *BridgeSettingsFn)(unsigned char out[6]);
#define SIMPLEIO_SETTINGS_SYMBOL "ZorvelBridgeSettings"

/* Declarations for the bridge libraries that implement them. */
#ifdef SIMPLEIO_IMPLEMENTATION
SIMPLEIO_EXPORT void SIMPLEIO_CALL InitMCP2200(unsigned int vid, unsigned int pid);
SIMPLEIO_EXPORT bool SIMPLEIO_CALL IsConnected(void);
SIMPLEIO_EXPORT bool SIMPLEIO_CALL ConfigureMCP2200(unsigned char ioMap, unsigned long baudRate,
                                                   unsigned int rxLedMode, unsigned int txLedMode,
                                                   bool flow, bool uload, bool sspnd);
SIMPLEIO_EXPORT bool SIMPLEIO_CALL ConfigureIO(unsigned char ioMap);
SIMPLEIO_EXPORT bool SIMPLEIO_CALL SetPin(unsigned int pin);
SIMPLEIO_EXPORT bool SIMPLEIO_CALL ClearPin(unsigned int pin);
SIMPLEIO_EXPORT bool SIMPLEIO_CALL ReadPin(unsigned int pin, unsigned int *value);
SIMPLEIO_EXPORT bool SIMPLEIO_CALL fnSetBaudRate(unsigned long baudRate);
#endif

#ifdef __cplusplus
}
#endif

#endif
