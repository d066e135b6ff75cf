// libSimpleIO-UM, simulated: the bridge's eight GPIO pins with a detector wired
// to CLOCK (pin 2), DATA_OUT (pin 3) and DATA_IN (pin 4). Single-threaded, as
// the program that loads it is; every pin call is timed on the steady clock.
#include "bridge/simulator/simcontrol.h"
#include "bridge/simulator/detector.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr unsigned PinCount = 8;
constexpr unsigned ClockPin = 2;
constexpr unsigned DataOutPin = 3;
constexpr unsigned DataInPin = 4;
// Pins 0 to 3 outputs, 4 to 7 inputs (a 1 bit marks an input).
constexpr unsigned char PowerOnDirections = 0xF0;

enum EntryPoint {
    EpInit,
    EpIsConnected,
    EpConfigureMCP2200,
    EpConfigureIO,
    EpSetPin,
    EpClearPin,
    EpReadPin,
    EpSetBaudRate,
    EntryPointCount
};

constexpr const char *EntryPointNames[EntryPointCount] = {
    "InitMCP2200", "IsConnected", "ConfigureMCP2200", "ConfigureIO",
    "SetPin",      "ClearPin",    "ReadPin",          "fnSetBaudRate",
};

struct Bridge {
    sim::DetectorProtocol protocol;
    sim::DetectorLine line{protocol};
    bool connected = false;
    unsigned char latches = 0xFF;
    unsigned char directions = PowerOnDirections;
    unsigned long baudRate = 9600;
    bool failing[EntryPointCount] = {};
    // The detector's view of the clock: the shortest time between two edges.
    std::uint64_t lastClockEdgeUs = 0;
    std::uint64_t shortestPhaseUs = 0;

    void powerOn()
    {
        protocol.reset();
        line.reset();
        latches = 0xFF;
        directions = PowerOnDirections;
        std::fill(std::begin(failing), std::end(failing), false);
        lastClockEdgeUs = 0;
        shortestPhaseUs = 0;
    }

    // A process that loads the library (the command line under test, a demo)
    // can be given a faulty detector, and a file that gets every frame the
    // detector receives, one line of hex each:
    //   ZORVEL_SIM_FAULT=silent,stuck-low,writes-ignored,bad-status,no-date
    //   ZORVEL_SIM_FRAMES=path
    Bridge()
    {
        if (const char *faults = std::getenv("ZORVEL_SIM_FAULT")) {
            const std::string list = std::string(",") + faults + ",";
            for (const char *name : {"silent", "stuck-low", "writes-ignored", "bad-status", "no-date"})
                setFault(name, list.find(std::string(",") + name + ",") != std::string::npos);
        }
        if (const char *path = std::getenv("ZORVEL_SIM_FRAMES"))
            frameLog = path;
    }

    void setFault(const std::string &name, bool on)
    {
        sim::Faults &faults = protocol.faults;
        bool *fault = name == "silent" ? &faults.silent
            : name == "stuck-low"      ? &faults.dataInStuckLow
            : name == "writes-ignored" ? &faults.writesIgnored
            : name == "bad-status"     ? &faults.badParamStatus
            : name == "no-date"        ? &faults.dateWithheld
                                       : nullptr;
        if (fault)
            *fault = on;
    }

    void logNewFrames()
    {
        if (frameLog.empty() || protocol.frames.size() == framesLogged)
            return;
        if (std::FILE *log = std::fopen(frameLog.c_str(), "ab")) {
            for (; framesLogged < protocol.frames.size(); ++framesLogged) {
                for (std::uint8_t byte : protocol.frames[framesLogged])
                    std::fprintf(log, "%02X", byte);
                std::fputc('\n', log);
            }
            std::fclose(log);
        }
    }

    std::string frameLog;
    std::size_t framesLogged = 0;

    void noteClockEdge(std::uint64_t now)
    {
        const std::uint64_t phase = now - lastClockEdgeUs;
        if (lastClockEdgeUs != 0 && (shortestPhaseUs == 0 || phase < shortestPhaseUs))
            shortestPhaseUs = phase;
        lastClockEdgeUs = now;
    }

    bool isOutput(unsigned pin) const { return !(directions & (1u << pin)); }
    bool latch(unsigned pin) const { return latches & (1u << pin); }

    // What the detector sees on one of its inputs: the latch while the pin is
    // an output, the pull-up's high otherwise.
    bool lineLevel(unsigned pin) const { return isOutput(pin) ? latch(pin) : true; }

    void driveLine()
    {
        const std::uint64_t now = nowUs();
        line.setDataOut(lineLevel(DataOutPin), now);
        line.setClock(lineLevel(ClockPin), now);
    }

    bool writePin(unsigned pin, bool level)
    {
        if (pin >= PinCount)
            return false;
        if (pin == ClockPin && isOutput(pin) && latch(pin) != level)
            noteClockEdge(nowUs());
        if (level)
            latches = (unsigned char)(latches | (1u << pin));
        else
            latches = (unsigned char)(latches & ~(1u << pin));
        if (pin == ClockPin && isOutput(pin)) {
            line.setClock(level, nowUs());
            logNewFrames();
        }
        else if (pin == DataOutPin && isOutput(pin))
            line.setDataOut(level, nowUs());
        return true;
    }

    bool readPin(unsigned pin) const
    {
        if (pin == DataInPin && !isOutput(pin))
            return line.dataIn();
        return lineLevel(pin);
    }

    void setDirections(unsigned char map)
    {
        directions = map;
        driveLine();
    }

    static std::uint64_t nowUs()
    {
        using namespace std::chrono;
        return std::uint64_t(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
    }
};

Bridge &bridge()
{
    static Bridge instance;
    return instance;
}

bool fails(EntryPoint ep)
{
    return bridge().failing[ep];
}

} // namespace

extern "C" {

SIMPLEIO_EXPORT void SIMPLEIO_CALL InitMCP2200(unsigned int vid, unsigned int pid)
{
    if (!fails(EpInit))
        bridge().connected = vid == SIMPLEIO_VID && pid == SIMPLEIO_PID;
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL IsConnected(void)
{
    return !fails(EpIsConnected) && bridge().connected;
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL ConfigureMCP2200(unsigned char ioMap, unsigned long baudRate,
                                                   unsigned int, unsigned int, bool, bool, bool)
{
    if (fails(EpConfigureMCP2200) || baudRate == 0)
        return false;
    bridge().baudRate = baudRate;
    bridge().setDirections(ioMap);
    return true;
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL ConfigureIO(unsigned char ioMap)
{
    if (fails(EpConfigureIO))
        return false;
    bridge().setDirections(ioMap);
    return true;
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL SetPin(unsigned int pin)
{
    return !fails(EpSetPin) && bridge().writePin(pin, true);
}

SIMPLEIO_EXPORT bool SIMPLEIO_CALL ClearPin(unsigned int pin)
{
    return !fails(EpClearPin) && bridge().writePin(pin, false);
}

#ifndef SIM_OMIT_READPIN
SIMPLEIO_EXPORT bool SIMPLEIO_CALL ReadPin(unsigned int pin, unsigned int *value)
{
    if (fails(EpReadPin) || pin >= PinCount || !value)
        return false;
    *value = bridge().readPin(pin) ? 1 : 0;
    return true;
}
#endif

SIMPLEIO_EXPORT bool SIMPLEIO_CALL fnSetBaudRate(unsigned long baudRate)
{
    if (fails(EpSetBaudRate) || baudRate == 0)
        return false;
    bridge().baudRate = baudRate;
    return true;
}

// A simulated detector is no adapter another program could reach: no lock.
SIMPLEIO_EXPORT const char *SIMPLEIO_CALL ZorvelBridgeAdapter(void)
{
    return "";
}

// ---- control interface -------------------------------------------------

SIMCONTROL_API void SimReset(void)
{
    bridge().powerOn();
}

SIMCONTROL_API void SimGetBlock(unsigned char out[5])
{
    std::copy(bridge().protocol.block.begin(), bridge().protocol.block.end(), out);
}

SIMCONTROL_API void SimSetBlock(const unsigned char in[5])
{
    std::copy(in, in + sim::ParamBytes, bridge().protocol.block.begin());
}

SIMCONTROL_API void SimGetDate(unsigned char out[3])
{
    std::copy(bridge().protocol.date.begin(), bridge().protocol.date.end(), out);
}

SIMCONTROL_API int SimFrameCount(void)
{
    return int(bridge().protocol.frames.size());
}

SIMCONTROL_API int SimFrame(int index, unsigned char *out, int max)
{
    const auto &frames = bridge().protocol.frames;
    if (index < 0 || std::size_t(index) >= frames.size())
        return -1;
    const auto &frame = frames[std::size_t(index)];
    if (out && max > 0)
        std::copy_n(frame.begin(), std::min<std::size_t>(frame.size(), std::size_t(max)), out);
    return int(frame.size());
}

SIMCONTROL_API void SimSetSilent(bool on)
{
    bridge().protocol.faults.silent = on;
}

SIMCONTROL_API void SimSetFault(const char *name, bool on)
{
    if (name)
        bridge().setFault(name, on);
}

SIMCONTROL_API void SimSetDataInStuckLow(bool on)
{
    bridge().protocol.faults.dataInStuckLow = on;
}

SIMCONTROL_API void SimSetHandshakeReply(unsigned char reply)
{
    bridge().protocol.faults.handshakeReply = reply;
}

SIMCONTROL_API void SimSetWritesIgnored(bool on)
{
    bridge().protocol.faults.writesIgnored = on;
}

SIMCONTROL_API void SimFlipNextReplyBit(int bit)
{
    bridge().protocol.faults.flipNextReplyBit = bit;
}

SIMCONTROL_API unsigned long SimShortestClockPhaseUs(void)
{
    const auto shortest = bridge().shortestPhaseUs;
    bridge().shortestPhaseUs = 0;
    return (unsigned long)shortest;
}

SIMCONTROL_API void SimFailEntryPoint(const char *name, bool fail)
{
    if (!name)
        return;
    for (int ep = 0; ep < EntryPointCount; ++ep) {
        if (std::strcmp(name, EntryPointNames[ep]) == 0)
            bridge().failing[ep] = fail;
    }
}

} // extern "C"
