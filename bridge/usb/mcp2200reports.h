// The MCP2200's HID reports: 16 bytes each way, no report number, byte 0 the
// command. Layout only, no I/O.
#ifndef ZORVEL_USB_MCP2200REPORTS_H
#define ZORVEL_USB_MCP2200REPORTS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace mcp2200 {

constexpr std::size_t ReportSize = 16;
using Report = std::array<std::uint8_t, ReportSize>;
// A report as HID writes it: the report number first, 0 on a device that
// numbers none (Windows refuses the write without it), then the 16 bytes.
using OutputReport = std::array<std::uint8_t, ReportSize + 1>;

constexpr unsigned PinCount = 8;

// Command 0x01 rewrites the chip's USB identity; it has no name here so that
// nothing can send it.
namespace Command {
constexpr std::uint8_t SetClearOutputs = 0x08;
constexpr std::uint8_t Configure = 0x10;
constexpr std::uint8_t ReadAll = 0x80; // the only command of ours that is answered
} // namespace Command

namespace Offset {
constexpr std::size_t Command = 0;
constexpr std::size_t Directions = 4; // bytes 4..9: the non-volatile configuration
constexpr std::size_t AltPins = 5;
constexpr std::size_t DefaultOutputs = 6;
constexpr std::size_t Options = 7;
constexpr std::size_t BaudHigh = 8;
constexpr std::size_t BaudLow = 9;
constexpr std::size_t Levels = 10;    // READ_ALL reply: live level of GP0..GP7
constexpr std::size_t SetMask = 11;   // SET_CLEAR_OUTPUTS: bit n drives GPn high
constexpr std::size_t ClearMask = 12; // SET_CLEAR_OUTPUTS: bit n drives GPn low
} // namespace Offset

// What the chip keeps in non-volatile memory, bytes 4..9 of CONFIGURE and of
// the READ_ALL reply.
struct ChipConfig {
    std::uint8_t directions = 0; // bit n = 1: GPn is an input
    std::uint8_t altPins = 0;
    std::uint8_t defaultOutputs = 0;
    std::uint8_t options = 0;
    std::uint8_t baudHigh = 0;
    std::uint8_t baudLow = 0;

    bool operator==(const ChipConfig &other) const;
    bool operator!=(const ChipConfig &other) const { return !(*this == other); }
};

struct ChipState {
    ChipConfig config;
    std::uint8_t levels = 0; // bit n: GPn reads high
};

// Pins in neither mask keep their level; a pin in both is the caller's error.
Report setClearOutputs(std::uint8_t high, std::uint8_t low);
Report readAllRequest();
Report configureRequest(const ChipConfig &config);

OutputReport numbered(const Report &report);

// The state a READ_ALL reply carries, or nothing when the report is not one.
std::optional<ChipState> parseReadAll(const Report &reply);

// The chip's UART runs from 300 Bd to 1 MBd.
constexpr unsigned long MinBaud = 300;
constexpr unsigned long MaxBaud = 1000000;

// The default baud divisor the chip stores: 12 MHz / (divisor + 1) is the
// rate. Nothing for a rate the UART does not take.
std::optional<std::uint16_t> baudDivisor(unsigned long baud);

} // namespace mcp2200

#endif
