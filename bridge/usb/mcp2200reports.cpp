#include "bridge/usb/mcp2200reports.h"

#include <algorithm>

namespace mcp2200 {

namespace {
constexpr unsigned long BaudClock = 12000000;
} // namespace

bool ChipConfig::operator==(const ChipConfig &other) const
{
    return directions == other.directions && altPins == other.altPins && defaultOutputs == other.defaultOutputs
        && options == other.options && baudHigh == other.baudHigh && baudLow == other.baudLow;
}

Report setClearOutputs(std::uint8_t high, std::uint8_t low)
{
    Report report{};
    report[Offset::Command] = Command::SetClearOutputs;
    report[Offset::SetMask] = high;
    report[Offset::ClearMask] = low;
    return report;
}

Report readAllRequest()
{
    Report report{};
    report[Offset::Command] = Command::ReadAll;
    return report;
}

Report configureRequest(const ChipConfig &config)
{
    Report report{};
    report[Offset::Command] = Command::Configure;
    report[Offset::Directions] = config.directions;
    report[Offset::AltPins] = config.altPins;
    report[Offset::DefaultOutputs] = config.defaultOutputs;
    report[Offset::Options] = config.options;
    report[Offset::BaudHigh] = config.baudHigh;
    report[Offset::BaudLow] = config.baudLow;
    return report;
}

OutputReport numbered(const Report &report)
{
    OutputReport out{};
    std::copy(report.begin(), report.end(), out.begin() + 1);
    return out;
}

std::optional<ChipState> parseReadAll(const Report &reply)
{
    if (reply[Offset::Command] != Command::ReadAll)
        return std::nullopt;
    ChipState state;
    state.config.directions = reply[Offset::Directions];
    state.config.altPins = reply[Offset::AltPins];
    state.config.defaultOutputs = reply[Offset::DefaultOutputs];
    state.config.options = reply[Offset::Options];
    state.config.baudHigh = reply[Offset::BaudHigh];
    state.config.baudLow = reply[Offset::BaudLow];
    state.levels = reply[Offset::Levels];
    return state;
}

std::optional<std::uint16_t> baudDivisor(unsigned long baud)
{
    if (baud < MinBaud || baud > MaxBaud)
        return std::nullopt;
    // At most 12 MHz / 300 Bd - 1 = 39999: it fits the 16 bits.
    return static_cast<std::uint16_t>(BaudClock / baud - 1);
}

} // namespace mcp2200
