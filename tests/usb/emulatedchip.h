// An MCP2200 in software behind the USB driver's transport, with the real
// chip's habits: CONFIGURE stores bytes 4..9 and resets the chip, which drops
// every report for a while and then drives its outputs at the stored
// defaults; READ_ALL replies come late, short or never; the adapter is
// unplugged and plugged in again. GP2 (CLOCK) and GP3 (DATA_OUT) drive the
// simulated detector's line and GP4 reads its DATA_IN, so the detector
// follows the real pin edges. Offsets and codes come from the chip's command
// table, not from the driver.
#ifndef ZORVEL_TESTS_USB_EMULATEDCHIP_H
#define ZORVEL_TESTS_USB_EMULATEDCHIP_H

#include <chrono>
#include <deque>
#include <vector>

#include "bridge/simulator/detector.h"
#include "bridge/usb/transport.h"

namespace usbemu {

class EmulatedChip final : public mcp2200::Transport
{
public:
    using Clock = std::chrono::steady_clock;
    // Bytes 4..9 of CONFIGURE and of the READ_ALL reply: directions, alternate
    // pins, default outputs, options, baud divisor high and low.
    using Memory = std::array<std::uint8_t, 6>;

    explicit EmulatedChip(sim::DetectorProtocol &detector) : line_(detector) { reset(); }

    bool open(unsigned vid, unsigned pid, std::string *why) override;
    void close() override { handleValid_ = false; }
    bool write(const mcp2200::OutputReport &report) override;
    int read(mcp2200::Report *report, int timeoutMs) override;

    // A new chip holding `stored`, plugged in and not yet opened, behaving
    // well, nothing written, the detector's line idle. By default as it leaves
    // the factory: every pin an input, 9600 Bd (12 MHz / 9600 - 1 = 0x04E1).
    void reset(const Memory &stored = {0xFF, 0, 0, 0, 0x04, 0xE1});
    // Unplugged, every handle fails and nothing opens; plugged in again, the
    // chip powers up with its default outputs and has to be opened anew.
    void plug(bool in);
    const Memory &stored() const { return stored_; }
    std::uint8_t outputs() const { return latches_; }

    std::vector<mcp2200::Report> written; // every report taken, dropped in a reset or not
    int openAttempts = 0;
    // Every write blocks for `perReport`; a READ_ALL reply arrives
    // `readAllReply` after its request, behind any reply still on its way.
    std::chrono::microseconds perReport{0};
    std::chrono::microseconds readAllReply{0};
    // For this long after a CONFIGURE the resetting chip drops every report.
    std::chrono::microseconds resetTime{0};
    bool mute = false;            // on the bus, but READ_ALL goes unanswered
    int replyLength = 16;         // bytes of each reply that arrive
    bool memoryStuck = false;     // CONFIGURE resets the chip but stores nothing
    bool outputsStuck = false;    // SET_CLEAR_OUTPUTS changes nothing

private:
    void feedDetector();

    sim::DetectorLine line_;
    Memory stored_{};
    std::uint8_t latches_ = 0;
    bool plugged_ = true;
    bool handleValid_ = false;
    Clock::time_point resetEnds_;
    struct Queued {
        Clock::time_point due;
        mcp2200::Report report;
    };
    std::deque<Queued> queue_;
};

} // namespace usbemu

#endif
