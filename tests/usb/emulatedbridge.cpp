// The transport of the USB bridge library's emulated variant: one emulated
// chip wired to one simulated detector, and the control functions of
// usbemucontrol.h that steer them.
#include "tests/usb/emulatedchip.h"
#include "tests/usb/usbemucontrol.h"

#include <algorithm>

#include "bridge/simpleio.h"

using namespace mcp2200;

namespace {

struct Emulation {
    sim::DetectorProtocol detector;
    usbemu::EmulatedChip chip{detector};
};

Emulation &emulation()
{
    static Emulation one;
    return one;
}

// The driver owns its transport; the chip must outlive it and stay reachable
// by the control functions, so the driver gets this stand-in.
class ChipPort final : public Transport
{
    static usbemu::EmulatedChip &chip() { return emulation().chip; }

public:
    bool open(unsigned vid, unsigned pid, std::string *why) override { return chip().open(vid, pid, why); }
    void close() override { chip().close(); }
    bool write(const OutputReport &report) override { return chip().write(report); }
    int read(Report *report, int timeoutMs) override { return chip().read(report, timeoutMs); }
};

} // namespace

std::unique_ptr<Transport> mcp2200::createTransport()
{
    return std::make_unique<ChipPort>();
}

extern "C" {

SIMPLEIO_EXPORT void UsbEmuReset(void)
{
    emulation().detector.reset();
    emulation().chip.reset();
}

SIMPLEIO_EXPORT void UsbEmuSetDelays(unsigned reportUs, unsigned readAllUs, unsigned resetUs)
{
    emulation().chip.perReport = std::chrono::microseconds(reportUs);
    emulation().chip.readAllReply = std::chrono::microseconds(readAllUs);
    emulation().chip.resetTime = std::chrono::microseconds(resetUs);
}

SIMPLEIO_EXPORT void UsbEmuGetBlock(unsigned char out[5])
{
    std::copy(emulation().detector.block.begin(), emulation().detector.block.end(), out);
}

} // extern "C"
