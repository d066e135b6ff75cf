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

#include <algorithm>
#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bridge/simulator/detector.h"
#include "bridge/usb/transport.h"

namespace usbemu {

class EmulatedChip final : public mcp2200::Transport
{
    using Clock = std::chrono::steady_clock;
    enum Pin : unsigned { ClockPin = 2, DataOutPin = 3, DataInPin = 4 };
    enum Code : std::uint8_t { SetClearOutputs = 0x08, Configure = 0x10, ReadAll = 0x80 };
    // Offsets in a report, and in `stored`, which holds its bytes 4..9.
    enum Byte : std::size_t { StoredByte = 4, LevelsByte = 10, SetByte = 11, ClearByte = 12 };
    enum StoredByte : std::size_t { Directions = 0, Defaults = 2 };

public:
    // A chip plugged in, not yet opened, of good habits, and holding bytes
    // 4..9 (directions, alternate pins, default outputs, options, baud divisor
    // high and low) as it leaves the factory, unless told otherwise: every pin
    // an input, 9600 Bd (12 MHz / 9600 - 1 = 0x04E1).
    explicit EmulatedChip(sim::DetectorProtocol &detector,
                          std::array<std::uint8_t, 6> memory = {0xFF, 0, 0, 0, 0x04, 0xE1})
        : stored(memory), line_(detector)
    {
        plug(true);
    }

    std::array<std::uint8_t, 6> stored;
    std::uint8_t latches = 0;             // the output levels, bit n for GPn
    std::vector<mcp2200::Report> written; // every report taken, dropped in a reset or not
    int openAttempts = 0;
    // Every write blocks for `perReport`; a READ_ALL reply arrives
    // `readAllReply` after its request, behind any reply still on its way;
    // for `resetTime` after a CONFIGURE the chip drops every report.
    std::chrono::microseconds perReport{0}, readAllReply{0}, resetTime{0};
    bool mute = false;    // on the bus, but READ_ALL goes unanswered
    int replyLength = 16; // bytes of each reply that arrive
    std::uint8_t echo = ReadAll; // byte 0 of each reply
    bool broken = false;  // CONFIGURE stores nothing, SET_CLEAR_OUTPUTS drives nothing
    // From this moment on the chip is mute, or off the bus.
    std::optional<Clock::time_point> muteAt, unplugAt;

    bool open(unsigned, unsigned, std::string *why) override
    {
        ++openAttempts;
        handleValid_ = plugged_;
        replies_.clear(); // a new handle has no reports waiting
        *why = plugged_ ? "" : "No emulated MCP2200 is plugged in.";
        return plugged_;
    }

    void close() override { handleValid_ = false; }

    bool write(const mcp2200::OutputReport &numbered) override
    {
        keepAppointments();
        // The adapter numbers no reports: HID expects 0 before the 16 bytes.
        if (!handleValid_ || numbered[0] != 0)
            return false;
        // Full-speed HID moves one report per frame.
        std::this_thread::sleep_for(perReport);
        mcp2200::Report report;
        std::copy(numbered.begin() + 1, numbered.end(), report.begin());
        written.push_back(report);
        const Clock::time_point now = Clock::now();
        const std::uint8_t inputs = stored[Directions];
        if (now < resetEnds_)
            return true;
        if (report[0] == SetClearOutputs && !broken)
            latches = std::uint8_t((latches | report[SetByte]) & ~report[ClearByte]);
        if (report[0] == Configure) {
            if (!broken)
                std::copy_n(report.begin() + StoredByte, stored.size(), stored.begin());
            resetEnds_ = now + resetTime;
            latches = stored[Defaults];
        }
        if (report[0] == ReadAll && !mute) {
            mcp2200::Report reply{echo};
            std::copy(stored.begin(), stored.end(), reply.begin() + StoredByte);
            // Outputs read their latch, inputs float high but for DATA_IN, which the detector drives.
            const bool dataInLow = (inputs >> DataInPin & 1) && !line_.dataIn();
            reply[LevelsByte] = std::uint8_t(((latches & ~inputs) | inputs) & ~(dataInLow << DataInPin));
            replies_.emplace_back(std::max(now + readAllReply, replies_.empty() ? now : replies_.back().first), reply);
        }
        feedDetector();
        return true;
    }

    int read(mcp2200::Report *report, int timeoutMs) override
    {
        keepAppointments();
        if (!handleValid_)
            return -1;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        if (replies_.empty() || replies_.front().first > deadline) {
            std::this_thread::sleep_until(deadline);
            return 0;
        }
        std::this_thread::sleep_until(replies_.front().first);
        report->fill(0);
        std::copy_n(replies_.front().second.begin(), replyLength, report->begin());
        replies_.pop_front();
        return replyLength;
    }

    // Unplugged, every handle fails and nothing opens; plugged in again, the
    // chip powers up with its default outputs and has to be opened anew.
    bool plugged() const { return plugged_; }
    void plug(bool in)
    {
        plugged_ = in;
        handleValid_ = false;
        latches = stored[Defaults];
        replies_.clear();
        feedDetector();
    }

    std::string identity(unsigned, unsigned) override { return plugged_ ? "emulated" : ""; }

private:
    void keepAppointments()
    {
        const Clock::time_point now = Clock::now();
        if (muteAt && now >= *muteAt)
            mute = true, muteAt.reset();
        if (unplugAt && now >= *unplugAt)
            plug(false), unplugAt.reset();
    }

    void feedDetector()
    {
        // The detector's inputs are pulled up: a pin not driving them reads high.
        const unsigned driven = plugged_ ? latches | stored[Directions] : 0xFF;
        const auto now = std::uint64_t(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count());
        // Data settles before a clock edge that comes in the same report.
        line_.setDataOut(driven >> DataOutPin & 1, now);
        line_.setClock(driven >> ClockPin & 1, now);
    }

    sim::DetectorLine line_;
    bool plugged_ = true;
    bool handleValid_ = false;
    Clock::time_point resetEnds_;
    std::deque<std::pair<Clock::time_point, mcp2200::Report>> replies_; // due, in the order of their requests
};

} // namespace usbemu

#endif
