#include "tests/usb/emulatedchip.h"

#include <algorithm>
#include <thread>

using namespace mcp2200;

namespace usbemu {

namespace {
enum Pin : unsigned { ClockPin = 2, DataOutPin = 3, DataInPin = 4 };
// The command table: codes, and the offsets of the bytes a command uses.
enum Code : std::uint8_t { SetClearOutputs = 0x08, Configure = 0x10, ReadAll = 0x80 };
enum ReportByte : std::size_t { Memory0 = 4, LevelsByte = 10, SetByte = 11, ClearByte = 12 };
constexpr std::size_t DirectionsByte = 0, DefaultOutputsByte = 2; // in Memory
} // namespace

bool EmulatedChip::open(unsigned, unsigned, std::string *why)
{
    ++openAttempts;
    handleValid_ = plugged_;
    queue_.clear(); // a new handle has no reports waiting
    if (!plugged_)
        *why = "No emulated MCP2200 is plugged in.";
    return plugged_;
}

bool EmulatedChip::write(const OutputReport &numbered)
{
    // The adapter numbers no reports: HID expects 0 before the 16 bytes.
    if (!handleValid_ || numbered[0] != 0)
        return false;
    // Full-speed HID moves one report per frame.
    std::this_thread::sleep_for(perReport);
    Report report;
    std::copy(numbered.begin() + 1, numbered.end(), report.begin());
    written.push_back(report);
    if (Clock::now() < resetEnds_)
        return true;
    const std::uint8_t inputs = stored_[DirectionsByte];
    if (report[0] == SetClearOutputs && !outputsStuck)
        latches_ = std::uint8_t((latches_ | report[SetByte]) & ~report[ClearByte]);
    if (report[0] == Configure) {
        if (!memoryStuck)
            std::copy_n(report.begin() + Memory0, stored_.size(), stored_.begin());
        resetEnds_ = Clock::now() + resetTime;
        latches_ = stored_[DefaultOutputsByte];
    }
    if (report[0] == ReadAll && !mute) {
        Queued reply{Clock::now() + readAllReply, {ReadAll}};
        std::copy(stored_.begin(), stored_.end(), reply.report.begin() + Memory0);
        // Outputs read their latch, inputs float high but for DATA_IN, which the detector drives.
        const bool dataInLow = (inputs >> DataInPin & 1) && !line_.dataIn();
        reply.report[LevelsByte] = std::uint8_t(((latches_ & ~inputs) | inputs) & ~(dataInLow << DataInPin));
        // Replies leave the chip in the order of their requests.
        reply.due = std::max(reply.due, queue_.empty() ? reply.due : queue_.back().due);
        queue_.push_back(reply);
    }
    feedDetector();
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
    report->fill(0);
    std::copy_n(queue_.front().report.begin(), replyLength, report->begin());
    queue_.pop_front();
    return replyLength;
}

void EmulatedChip::reset(const Memory &stored)
{
    stored_ = stored;
    openAttempts = 0;
    perReport = readAllReply = resetTime = std::chrono::microseconds(0);
    mute = memoryStuck = outputsStuck = false;
    replyLength = int(ReportSize);
    resetEnds_ = {};
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
