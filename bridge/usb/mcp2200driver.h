// What the eight entry points do to an MCP2200, over any transport: pin
// reports, round-trip reads and read-modify-write configuration, and finding
// the adapter again after it was unplugged.
#ifndef ZORVEL_USB_MCP2200DRIVER_H
#define ZORVEL_USB_MCP2200DRIVER_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "bridge/usb/transport.h"

namespace mcp2200 {

class Driver
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // The link calls a pin function every 2 ms, and looking for the adapter on
    // the bus takes far longer than that: a missing adapter is looked for at
    // most this often, and pin calls fail at once in between.
    static constexpr std::chrono::milliseconds ReopenInterval{500};
    // A READ_ALL round trip takes 2 to 4 ms with spikes of 5 ms; a reply ten
    // times later than that is not coming.
    static constexpr int ReplyTimeoutMs = 50;

    explicit Driver(Transport &transport, Clock clock = &std::chrono::steady_clock::now);

    void init(unsigned vid, unsigned pid);
    bool isConnected();
    bool setPin(unsigned pin);
    bool clearPin(unsigned pin);
    bool readPin(unsigned pin, unsigned *value);
    bool configureIO(std::uint8_t directions);
    bool configureMCP2200(std::uint8_t directions, unsigned long baud);
    bool setBaudRate(unsigned long baud);
    // Bytes 4..9 as the chip keeps them, read afresh.
    std::optional<ChipConfig> settings();

    // Why the adapter cannot be reached, or empty while it can.
    const std::string &status() const { return status_; }

private:
    bool ensureOpen();
    bool tryOpen();
    void lose();
    bool send(const Report &report);
    bool drive(unsigned pin, bool high);
    bool restoreOutputs();
    std::optional<ChipState> readAll();
    bool reconfigure(const std::function<void(ChipConfig &)> &change);

    Transport &transport_;
    Clock clock_;
    unsigned vid_;
    unsigned pid_;
    bool open_ = false;
    std::optional<std::chrono::steady_clock::time_point> lastAttempt_;
    // The output levels the caller has asked for, bit n for GPn. CONFIGURE and
    // a power cycle reset the chip's outputs; these bring them back.
    std::uint8_t high_ = 0;
    std::uint8_t low_ = 0;
    std::string status_;
};

} // namespace mcp2200

#endif
