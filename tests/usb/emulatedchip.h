// An MCP2200 in software behind the USB driver's transport: output latches,
// directions, the stored configuration, READ_ALL replies, CONFIGURE with its
// reset of the outputs, a delay per report, unplugging and stale reports. Its
// GP2 (CLOCK) and GP3 (DATA_OUT) drive the simulated detector's line, and GP4
// reads the detector's DATA_IN, so the detector follows the real pin edges.
#ifndef ZORVEL_TESTS_USB_EMULATEDCHIP_H
#define ZORVEL_TESTS_USB_EMULATEDCHIP_H

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "bridge/simulator/detector.h"
#include "bridge/usb/transport.h"

namespace usbemu {

class EmulatedChip final : public mcp2200::Transport
{
public:
    using Clock = std::chrono::steady_clock;

    // A chip as it leaves the factory: every pin an input, outputs low, 9600 Bd.
    static mcp2200::ChipConfig factoryConfig();

    explicit EmulatedChip(sim::DetectorProtocol &detector);

    bool open(unsigned vid, unsigned pid, std::string *why) override;
    void close() override;
    bool write(const mcp2200::Report &report) override;
    mcp2200::ReadResult read(mcp2200::Report *report, int timeoutMs) override;

    // A new chip with this configuration in non-volatile memory, plugged in
    // and not yet opened, no delays, an empty log, the detector's line idle.
    void reset(const mcp2200::ChipConfig &stored);
    // Unplugged, every handle fails and nothing can be opened; plugged in
    // again, the chip powers up and has to be opened anew.
    void plug(bool in);
    // Every write blocks for `perReport`; a READ_ALL reply arrives
    // `readAllReply` after its request, behind any reply still on its way.
    void setDelays(std::chrono::microseconds perReport, std::chrono::microseconds readAllReply);
    // A report already waiting in the host's queue.
    void injectReport(const mcp2200::Report &report);

    const std::vector<mcp2200::Report> &written() const { return written_; }
    void clearWritten() { written_.clear(); }
    const mcp2200::ChipConfig &stored() const { return stored_; }
    std::uint8_t latches() const { return latches_; }
    int openAttempts() const { return openAttempts_; }
    sim::DetectorLine &line() { return line_; }

private:
    // Outputs at their stored default levels, nothing queued.
    void powerUp();
    std::uint8_t levels() const;
    void feedDetector();
    std::uint64_t nowUs() const;

    sim::DetectorLine line_;
    Clock::time_point epoch_ = Clock::now();
    mcp2200::ChipConfig stored_;
    std::uint8_t latches_ = 0;
    bool plugged_ = true;
    bool handleValid_ = false;
    int openAttempts_ = 0;
    std::chrono::microseconds perReport_{0};
    std::chrono::microseconds readAllReply_{0};

    struct Queued {
        Clock::time_point due;
        mcp2200::Report report;
    };
    std::deque<Queued> queue_;
    std::vector<mcp2200::Report> written_;
    // The levels the detector last saw on CLOCK and DATA_OUT.
    bool clockSeen_ = true;
    bool dataSeen_ = true;
};

} // namespace usbemu

#endif
