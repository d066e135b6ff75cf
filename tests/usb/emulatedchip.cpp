#include "tests/usb/emulatedchip.h"

#include <algorithm>
#include <thread>

using namespace mcp2200;

namespace usbemu {

namespace {
enum Pin : unsigned { ClockPin = 2, DataOutPin = 3, DataInPin = 4 };
constexpr std::size_t DirectionsByte = 0, DefaultOutputsByte = 2; // in Memory
} // namespace

bool EmulatedChip::open(unsigned, unsigned, std::string *why)
{
    ++openAttempts;
    handleValid_ = plugged_;
    if (!plugged_)
        *why = "No emulated MCP2200 is plugged in.";
    return plugged_;
}

bool EmulatedChip::write(const OutputReport &numbered)
{
    // The adapter numbers no reports: HID expects 0 before the 16 bytes.
    if (!handleValid_ || numbered[0] != 0)
        return false;
    Report report;
    std::copy(numbered.begin() + 1, numbered.end(), report.begin());
    // Full-speed HID moves one report per frame.
    std::this_thread::sleep_for(perReport);
    written.push_back(report);
    const std::uint8_t inputs = stored_[DirectionsByte];
    switch (report[Offset::Command]) {
    case Command::SetClearOutputs:
        latches_ = std::uint8_t((latches_ | report[Offset::SetMask]) & ~report[Offset::ClearMask]);
        feedDetector();
        break;
    case Command::Configure:
        std::copy_n(report.begin() + Offset::Directions, stored_.size(), stored_.begin());
        // The chip resets after writing its memory, which clears the outputs.
        latches_ = 0;
        feedDetector();
        break;
    case Command::ReadAll: {
        Queued reply{Clock::now() + readAllReply, {Command::ReadAll}};
        std::copy(stored_.begin(), stored_.end(), reply.report.begin() + Offset::Directions);
        // Outputs read their latch, inputs float high but for DATA_IN, which the detector drives.
        const bool dataInLow = (inputs >> DataInPin & 1) && !line_.dataIn();
        reply.report[Offset::Levels] = std::uint8_t(((latches_ & ~inputs) | inputs) & ~(dataInLow << DataInPin));
        // Replies leave the chip in the order of their requests.
        if (!queue_.empty())
            reply.due = std::max(reply.due, queue_.back().due);
        queue_.push_back(reply);
        break;
    }
    }
    return true;
}

int EmulatedChip::read(Report *report, int timeoutMs)
{
    if (!handleValid_)
        return -1;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (queue_.empty() || queue_.front().due > deadline) {
        std::this_thread::sleep_until(deadline);
        return 0;
    }
    std::this_thread::sleep_until(queue_.front().due);
    *report = queue_.front().report;
    queue_.pop_front();
    return int(ReportSize);
}

void EmulatedChip::reset(const Memory &stored)
{
    stored_ = stored;
    openAttempts = 0;
    perReport = readAllReply = std::chrono::microseconds(0);
    written.clear();
    line_.reset();
    plug(true);
}

void EmulatedChip::plug(bool in)
{
    plugged_ = in;
    handleValid_ = false;
    latches_ = stored_[DefaultOutputsByte];
    queue_.clear();
    feedDetector();
}

void EmulatedChip::feedDetector()
{
    // The detector's inputs are pulled up: a pin not driving them reads high.
    const unsigned driven = plugged_ ? latches_ | stored_[DirectionsByte] : 0xFF;
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch());
    // Data settles before a clock edge that comes in the same report.
    line_.setDataOut(driven >> DataOutPin & 1, std::uint64_t(now.count()));
    line_.setClock(driven >> ClockPin & 1, std::uint64_t(now.count()));
}

} // namespace usbemu
