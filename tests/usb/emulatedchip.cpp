#include "tests/usb/emulatedchip.h"

#include <algorithm>
#include <thread>

#include "bridge/simpleio.h"

using namespace mcp2200;

namespace usbemu {

namespace {
constexpr unsigned ClockPin = 2;
constexpr unsigned DataOutPin = 3;
constexpr unsigned DataInPin = 4;

bool bit(std::uint8_t byte, unsigned n)
{
    return (byte >> n) & 1u;
}
} // namespace

ChipConfig EmulatedChip::factoryConfig()
{
    ChipConfig config;
    config.directions = 0xFF;
    config.baudHigh = 0x04; // 12 MHz / 9600 - 1 = 1249 = 0x04E1
    config.baudLow = 0xE1;
    return config;
}

EmulatedChip::EmulatedChip(sim::DetectorProtocol &detector) : line_(detector)
{
    reset(factoryConfig());
}

bool EmulatedChip::open(unsigned vid, unsigned pid, std::string *why)
{
    ++openAttempts_;
    handleValid_ = plugged_ && vid == SIMPLEIO_VID && pid == SIMPLEIO_PID;
    if (!handleValid_)
        *why = "No emulated MCP2200 is plugged in.";
    return handleValid_;
}

void EmulatedChip::close()
{
    handleValid_ = false;
}

bool EmulatedChip::write(const Report &report)
{
    if (!handleValid_)
        return false;
    // Full-speed HID moves one report per frame.
    std::this_thread::sleep_for(perReport_);
    written_.push_back(report);
    switch (report[Offset::Command]) {
    case Command::SetClearOutputs:
        latches_ = std::uint8_t((latches_ | report[Offset::SetMask]) & ~report[Offset::ClearMask]);
        feedDetector();
        break;
    case Command::Configure:
        stored_.directions = report[Offset::Directions];
        stored_.altPins = report[Offset::AltPins];
        stored_.defaultOutputs = report[Offset::DefaultOutputs];
        stored_.options = report[Offset::Options];
        stored_.baudHigh = report[Offset::BaudHigh];
        stored_.baudLow = report[Offset::BaudLow];
        // The chip resets after writing its memory, which clears the outputs.
        latches_ = 0;
        feedDetector();
        break;
    case Command::ReadAll: {
        Report reply = configureRequest(stored_);
        reply[Offset::Command] = Command::ReadAll;
        reply[Offset::Levels] = levels();
        // Replies leave the chip in the order of their requests.
        Clock::time_point due = Clock::now() + readAllReply_;
        if (!queue_.empty())
            due = std::max(due, queue_.back().due);
        queue_.push_back({due, reply});
        break;
    }
    default:
        break;
    }
    return true;
}

ReadResult EmulatedChip::read(Report *report, int timeoutMs)
{
    if (!handleValid_)
        return ReadResult::Failed;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (queue_.empty() || queue_.front().due > deadline) {
        std::this_thread::sleep_until(deadline);
        return ReadResult::TimedOut;
    }
    std::this_thread::sleep_until(queue_.front().due);
    *report = queue_.front().report;
    queue_.pop_front();
    return ReadResult::Received;
}

void EmulatedChip::reset(const ChipConfig &stored)
{
    stored_ = stored;
    plugged_ = true;
    handleValid_ = false;
    openAttempts_ = 0;
    perReport_ = readAllReply_ = std::chrono::microseconds(0);
    written_.clear();
    line_.reset();
    clockSeen_ = dataSeen_ = true;
    powerUp();
}

void EmulatedChip::powerUp()
{
    latches_ = stored_.defaultOutputs;
    queue_.clear();
    feedDetector();
}

void EmulatedChip::plug(bool in)
{
    if (in == plugged_)
        return;
    plugged_ = in;
    handleValid_ = false;
    queue_.clear();
    if (in)
        powerUp();
    else
        feedDetector();
}

void EmulatedChip::setDelays(std::chrono::microseconds perReport, std::chrono::microseconds readAllReply)
{
    perReport_ = perReport;
    readAllReply_ = readAllReply;
}

void EmulatedChip::injectReport(const Report &report)
{
    queue_.push_back({Clock::now(), report});
}

std::uint8_t EmulatedChip::levels() const
{
    std::uint8_t levels = 0;
    for (unsigned pin = 0; pin < PinCount; ++pin) {
        bool high = true; // an input nothing drives floats up
        if (!bit(stored_.directions, pin))
            high = bit(latches_, pin);
        else if (pin == DataInPin)
            high = line_.dataIn();
        levels |= std::uint8_t(high << pin);
    }
    return levels;
}

void EmulatedChip::feedDetector()
{
    // The detector's inputs are pulled up: a pin not driving them reads high.
    const std::uint8_t driven = plugged_ ? std::uint8_t(latches_ | stored_.directions) : 0xFF;
    const bool clock = bit(driven, ClockPin);
    const bool data = bit(driven, DataOutPin);
    const std::uint64_t now = nowUs();
    // Data settles before a clock edge that comes in the same report.
    if (data != dataSeen_)
        line_.setDataOut(data, now);
    if (clock != clockSeen_)
        line_.setClock(clock, now);
    clockSeen_ = clock;
    dataSeen_ = data;
}

std::uint64_t EmulatedChip::nowUs() const
{
    return std::uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - epoch_).count());
}

} // namespace usbemu
