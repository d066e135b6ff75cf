// The transport of the USB bridge library's emulated variant: one emulated
// chip wired to one simulated detector, and the control functions of
// usbemucontrol.h that steer them.
#include "tests/bridge/usb/emulatedchip.h"
#include "tests/bridge/usb/usbemucontrol.h"

#include "bridge/simpleio.h"

#include <unistd.h>

using namespace mcp2200;

namespace {

sim::DetectorProtocol detector;
std::unique_ptr<usbemu::EmulatedChip> chip = std::make_unique<usbemu::EmulatedChip>(detector);

// The driver owns its transport, while the control functions replace the chip
// under it: the driver gets this stand-in.
class ChipPort final : public Transport
{
    bool open(unsigned vid, unsigned pid, std::string *why) override { return chip->open(vid, pid, why); }
    void close() override { chip->close(); }
    bool write(const OutputReport &report) override { return chip->write(report); }
    int read(Report *report, int timeoutMs) override { return chip->read(report, timeoutMs); }
    // Each test process has a chip of its own, and a lock of its own.
    std::string identity(unsigned vid, unsigned pid) override
    {
        const std::string name = chip->identity(vid, pid);
        return name.empty() ? name : name + "-" + std::to_string(getpid());
    }
};

} // namespace

std::unique_ptr<Transport> mcp2200::createTransport()
{
    return std::make_unique<ChipPort>();
}

extern "C" {

SIMPLEIO_EXPORT void UsbEmuReset(void)
{
    detector.reset();
    chip = std::make_unique<usbemu::EmulatedChip>(detector);
}

SIMPLEIO_EXPORT void UsbEmuSetDelays(unsigned reportUs, unsigned readAllUs, unsigned resetUs)
{
    chip->perReport = std::chrono::microseconds(reportUs);
    chip->readAllReply = std::chrono::microseconds(readAllUs);
    chip->resetTime = std::chrono::microseconds(resetUs);
}

SIMPLEIO_EXPORT void UsbEmuCut(unsigned afterMs, int how)
{
    const auto at = std::chrono::steady_clock::now() + std::chrono::milliseconds(afterMs);
    if (how == UsbEmuMute)
        chip->muteAt = at;
    else if (how == UsbEmuUnplug)
        chip->unplugAt = at;
    else if (!chip->plugged())
        chip->plug(true);
    else
        chip->mute = false;
}

SIMPLEIO_EXPORT int UsbEmuReports(void)
{
    return int(chip->written.size());
}

} // extern "C"
