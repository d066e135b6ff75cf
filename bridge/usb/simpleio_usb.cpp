// The eight SimpleIO entry points over one driver and whichever transport the
// library was linked with.
#include "bridge/simpleio.h"
#include "bridge/usb/mcp2200driver.h"

#include <algorithm>
#include <mutex>

namespace {

// The vendor's library serves one adapter per process; so does this one.
struct Bridge {
    std::unique_ptr<mcp2200::Transport> transport = mcp2200::createTransport();
    mcp2200::Driver driver{*transport};
    std::mutex mutex; // a call from another thread must not split a READ_ALL round trip
    std::string status; // the text ZorvelBridgeStatus last handed out
    std::string adapter; // the name ZorvelBridgeAdapter last handed out
};

Bridge &bridge()
{
    static Bridge one;
    return one;
}

template<typename Call>
auto withDriver(Call call)
{
    std::lock_guard<std::mutex> lock(bridge().mutex);
    return call(bridge().driver);
}

} // namespace

extern "C" {

SIMPLEIO_EXPORT void SIMPLEIO_CALL InitMCP2200(unsigned int vid, unsigned int pid)
{
    withDriver([=](mcp2200::Driver &driver) { driver.init(vid, pid); });
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL IsConnected(void)
{
    return withDriver([](mcp2200::Driver &driver) { return driver.isConnected(); });
}

// The LED modes and the flow-control, USB-load and suspend options are left
// as the chip holds them: only the directions and the default baud rate are
// this program's to change.
SIMPLEIO_EXPORT bool SIMPLEIO_CALL ConfigureMCP2200(unsigned char ioMap, unsigned long baudRate, unsigned int,
                                                   unsigned int, bool, bool, bool)
{
    return withDriver([=](mcp2200::Driver &driver) { return driver.configureMCP2200(ioMap, baudRate); });
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL ConfigureIO(unsigned char ioMap)
{
    return withDriver([=](mcp2200::Driver &driver) { return driver.configureIO(ioMap); });
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL SetPin(unsigned int pin)
{
    return withDriver([=](mcp2200::Driver &driver) { return driver.setPin(pin); });
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL ClearPin(unsigned int pin)
{
    return withDriver([=](mcp2200::Driver &driver) { return driver.clearPin(pin); });
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL ReadPin(unsigned int pin, unsigned int *value)
{
    return withDriver([=](mcp2200::Driver &driver) { return driver.readPin(pin, value); });
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL fnSetBaudRate(unsigned long baudRate)
{
    return withDriver([=](mcp2200::Driver &driver) { return driver.setBaudRate(baudRate); });
}

// The text stays valid until the next call of this function.
SIMPLEIO_EXPORT const char *SIMPLEIO_CALL ZorvelBridgeStatus(void)
{
    return withDriver([](mcp2200::Driver &driver) {
        bridge().status = driver.takeStatus();
        return bridge().status.empty() ? nullptr : bridge().status.c_str();
    });
}

// Valid until the next call, like the status.
SIMPLEIO_EXPORT const char *SIMPLEIO_CALL ZorvelBridgeAdapter(void)
{
    return withDriver([](mcp2200::Driver &driver) {
        bridge().adapter = driver.identity();
        return bridge().adapter.empty() ? nullptr : bridge().adapter.c_str();
    });
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL ZorvelBridgeSettings(unsigned char out[6])
{
    return withDriver([=](mcp2200::Driver &driver) {
        const std::optional<mcp2200::ChipConfig> config = driver.settings();
        // Laid out as CONFIGURE carries them.
        if (config)
            std::copy_n(mcp2200::configureRequest(*config).begin() + mcp2200::Offset::Directions, 6, out);
        return config.has_value();
    });
}

} // extern "C"
