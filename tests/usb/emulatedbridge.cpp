// The transport of the USB bridge library's emulated variant: one emulated
// chip wired to one simulated detector, and the control functions of
// usbemucontrol.h that steer them.
#include "tests/usb/emulatedchip.h"
#include "tests/usb/usbemucontrol.h"

#include <algorithm>

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
public:
    bool open(unsigned vid, unsigned pid, std::string *why) override { return chip().open(vid, pid, why); }
    void close() override { chip().close(); }
    bool write(const Report &report) override { return chip().write(report); }
    ReadResult read(Report *report, int timeoutMs) override { return chip().read(report, timeoutMs); }

private:
    static usbemu::EmulatedChip &chip() { return emulation().chip; }
};

} // namespace

std::unique_ptr<Transport> mcp2200::createTransport()
{
    return std::make_unique<ChipPort>();
}

extern "C" {

void UsbEmuReset(void)
{
    emulation().detector.reset();
    emulation().chip.reset(usbemu::EmulatedChip::factoryConfig());
}

void UsbEmuSetDelays(unsigned reportUs, unsigned readAllUs)
{
    emulation().chip.setDelays(std::chrono::microseconds(reportUs), std::chrono::microseconds(readAllUs));
}

void UsbEmuGetBlock(unsigned char out[5])
{
    std::copy(emulation().detector.block.begin(), emulation().detector.block.end(), out);
}

void UsbEmuSetBlock(const unsigned char in[5])
{
    std::copy(in, in + sim::ParamBytes, emulation().detector.block.begin());
}

void UsbEmuGetConfig(unsigned char out[6])
{
    const Report asReport = configureRequest(emulation().chip.stored());
    std::copy(asReport.begin() + Offset::Directions, asReport.begin() + Offset::BaudLow + 1, out);
}

unsigned char UsbEmuLatches(void)
{
    return emulation().chip.latches();
}

void UsbEmuReportCounts(unsigned long counts[3])
{
    counts[0] = counts[1] = counts[2] = 0;
    for (const Report &report : emulation().chip.written()) {
        switch (report[Offset::Command]) {
        case Command::SetClearOutputs:
            ++counts[0];
            break;
        case Command::Configure:
            ++counts[1];
            break;
        case Command::ReadAll:
            ++counts[2];
            break;
        }
    }
}

} // extern "C"
