// What the eight entry points do to an MCP2200, over any transport: pin
// reports, round-trip reads that no late reply can answer, read-modify-write
// configuration through the chip's reset, and finding the adapter again after
// it was unplugged or stopped answering.
#ifndef ZORVEL_USB_MCP2200DRIVER_H
#define ZORVEL_USB_MCP2200DRIVER_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
    // Three reads in a row without an answer are 150 ms of silence, thirty
    // times a slow round trip: the chip has stopped answering.
    static constexpr int SilentReadsLost = 3;
    // CONFIGURE resets the chip, which drops what it is sent meanwhile; other
    // tools wait this long before they read it back.
    static constexpr std::chrono::milliseconds ResetSettle{20};

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

    // What the user should know, in plain words: what was found wrong since
    // the last call (each finding is said once), then why the adapter cannot
    // be reached while it cannot. Empty when all is well.
    std::string takeStatus();
    // Which adapter init() would open (see Transport::identity).
    std::string identity() { return transport_.identity(vid_, pid_); }

private:
    bool ensureOpen();
    bool tryOpen();
    // `retryAtOnce`: the adapter is still on the bus, so the next call opens it
    // again instead of waiting ReopenInterval.
    void lose(const std::string &why, bool retryAtOnce);
    void say(const std::string &finding);
    bool send(const Report &report);
    bool drive(unsigned pin, bool high);
    bool restoreOutputs();
    std::optional<ChipState> readAll();
    std::optional<ChipState> afterReset();
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
    // READ_ALL requests that timed out, whose replies may still come.
    int unanswered_ = 0;
    // Reads in a row that got no reply at all.
    int silentReads_ = 0;
    std::string status_;
    // Why the last pin call failed when the adapter is still held: a read that
    // got no reply, not yet the silence that gives the adapter up.
    std::string noReply_;
    std::string findings_;
    std::vector<std::string> said_;
};

} // namespace mcp2200

#endif
