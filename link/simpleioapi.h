// The bridge library's eight entry points, resolved at run time. An entry point
// the library lacks stays null and is never called: its wrapper reports failure
// as a failed pin call would.
#ifndef ZORVEL_LINK_SIMPLEIOAPI_H
#define ZORVEL_LINK_SIMPLEIOAPI_H

#include <QString>
#include <QStringList>

#include "bridge/simpleio.h"

struct SimpleIoApi {
    InitMCP2200Fn initMCP2200 = nullptr;
    IsConnectedFn isConnected = nullptr;
    ConfigureIOFn configureIO = nullptr;
    SetPinFn setPin = nullptr;
    ClearPinFn clearPin = nullptr;
    ReadPinFn readPin = nullptr;
    fnSetBaudRateFn setBaudRate = nullptr;
    ConfigureMCP2200Fn configureMCP2200 = nullptr;

    void InitMCP2200(unsigned int vid, unsigned int pid) const;
    bool IsConnected() const;
    bool ConfigureIO(unsigned char ioMap) const;
    bool SetPin(unsigned int pin) const;
    bool ClearPin(unsigned int pin) const;
    bool ReadPin(unsigned int pin, unsigned int *value) const;
    bool fnSetBaudRate(unsigned long baudRate) const;
    bool ConfigureMCP2200(unsigned char ioMap, unsigned long baudRate) const;
};

// Loading the bridge library; one implementation per platform.
namespace BridgeLoader {
enum class Result { Loaded, NotFound, Failed };

// Loads the library (never unloaded). On Windows the vendor's "SimpleIO-UM.dll";
// elsewhere libSimpleIO-UM.so / .dylib, first from the executable's own folder,
// then through the system's library search. In demo mode the simulated
// detector instead, named SimpleIO-UM-demo.
Result load(void **handle, QString *detail);

// Demo mode: the whole process talks to the simulated detector. Set it once,
// at start, before any link loads its library.
void setDemo(bool demo);
bool demo();
// This file instead, demo or not, and nothing else tried: the window over a
// bridge of one's choosing, for the screenshots and the tests. Empty, the
// default: the search above. Set before a link loads its library.
void setLibrary(const QString &path);
QString library();
void *resolve(void *handle, const char *name);
} // namespace BridgeLoader

// Resolves the eight entry points in their documented order. Returns the names
// the library lacks.
QStringList resolveSimpleIo(void *handle, SimpleIoApi *api);

#endif
