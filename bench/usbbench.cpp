// Timing of the link's handshake, read and write, and of single pin calls,
// through the USB bridge library over the emulated MCP2200, at the pace of a
// full-speed HID bus: every report takes 1 ms and a READ_ALL round trip 2 ms.
// Prints wall time against nominal, the period of the 2 ms tick as the link's
// progress signal shows it, and SetPin and ReadPin times, as tst_adapter does
// for a real adapter. Not a test: run it by hand, from beside the emulated
// library (build/tests/usb/zorvel-usbbench).
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <vector>

#include "link/detectorlink.h"
#include "tests/bridge/usb/usbfigures.h"
#include "link/simpleioapi.h"
#include "tests/bridge/usb/usbemucontrol.h"

namespace {

constexpr unsigned ReportUs = 1000;
constexpr unsigned ReadAllReplyUs = 1000; // after its own 1 ms request: 2 ms a round trip
constexpr unsigned ResetUs = 20000;       // CONFIGURE's reset, as long as other tools wait it out


struct Tick {
    double atMs;
    int step; // bitIndex before the tick
    int byte; // byteIndex before the tick
};

// Tick periods from the progress reports of the 0xA6 frame and of 6-byte
// receptions: consecutive reports of one byte, or of the next byte after a
// transmitted byte's idle tick (step -1). A reception's next byte comes after
// its 160 ms wait, and the first report of a frame after the previous frame.
std::vector<double> tickPeriods(const std::vector<Tick> &ticks)
{
    std::vector<double> periods;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        const Tick &a = ticks[i - 1];
        const Tick &b = ticks[i];
        if (b.byte == a.byte || (b.byte == a.byte + 1 && a.step == -1))
            periods.push_back(b.atMs - a.atMs);
    }
    return periods;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);

    // The library the link is about to load from beside this executable.
    void *handle = nullptr;
    QString detail;
    BridgeLoader::load(&handle, &detail);
    auto reset = reinterpret_cast<UsbEmuResetFn>(BridgeLoader::resolve(handle, "UsbEmuReset"));
    auto setDelays = reinterpret_cast<UsbEmuSetDelaysFn>(BridgeLoader::resolve(handle, "UsbEmuSetDelays"));
    SimpleIoApi api;
    if (!reset || !setDelays || !resolveSimpleIo(handle, &api).isEmpty()) {
        std::fprintf(stderr, "no emulated USB bridge beside the benchmark (%s)\n", qPrintable(detail));
        return 1;
    }
    reset();
    setDelays(ReportUs, ReadAllReplyUs, ResetUs);

    DeviceConfig block{};
    DetectorLink link(&block);
    link.startUp();
    QElapsedTimer clock;
    clock.start();
    std::vector<Tick> ticks;
    QObject::connect(&link, &DetectorLink::action, [&](int total, int step, int byte) {
        if (total == 5)
            ticks.push_back({double(clock.nsecsElapsed()) / 1e6, step, byte});
    });
    const UsbFigures figures = UsbFigures::measure(link, block, api);
    if (!figures.failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(figures.failure));
        return 1;
    }

    std::printf("USB bridge over the emulated MCP2200: %u us per report, %u us per READ_ALL round trip\n",
                ReportUs, ReportUs + ReadAllReplyUs);
    const double nominal[] = {nominalMs(LinkTransaction::Handshake), nominalMs(LinkTransaction::Read),
                              nominalMs(LinkTransaction::Write)};
    figures.print(nominal);
    const std::vector<double> periods = tickPeriods(ticks);
    std::printf("tick period over %zu ticks: median %.2f ms, 99th percentile %.2f ms (nominal %.0f ms)\n",
                periods.size(), UsbFigures::percentile(periods, 0.5), UsbFigures::percentile(periods, 0.99), double(LinkTiming::TickMs));
    return 0;
}
