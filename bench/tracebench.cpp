// Cost of the line trace: a recording call, the waveform view painting a
// full ring offscreen, and the VCD dump of a full ring.
//
// The ring is filled with the traffic of a busy link: a handshake every ten
// seconds and, between them, parameter reads back to back, on 2 ms ticks.
// Target: a paint of the full ring, at any zoom, well within a second.
//
// Run from build/: ./zorvel-tracebench [folder for a picture of each paint]
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "trace/linetrace.h"
#include "trace/linetracevcd.h"
#include "ui/waveformview.h"

namespace {

// The link's calls for one frame, on a clock the bench moves.
void play(LineTrace &trace, std::int64_t &nowUs, LinkEngine engine, const std::vector<std::uint8_t> &bytes)
{
    const EngineRow &row = engineRow(engine);
    auto tick = [&] { nowUs += 2000; };
    trace.frameStart(engine);
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool level = bitOf(bytes[k], bit);
            tick();
            trace.clock(false);
            if (row.transmit) {
                trace.dataOut(level);
                tick();
                trace.clock(true);
            } else {
                tick();
                trace.clock(true);
                trace.dataIn(level);
            }
        }
        if (row.pauseAfterByte) {
            trace.wait(160);
            nowUs += 160000;
        }
        if (row.transmit) {
            tick();
            if (k + 1 < bytes.size()) {
                tick();
                trace.clock(true);
            }
        }
    }
    trace.frameEnd(engine, bytes.data(), int(bytes.size()));
    trace.clock(true);
    trace.dataOut(true);
    if (row.transmit) {
        trace.wait(4);
        nowUs += 4000;
    }
}

double medianMs(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // One recording call on the trace's own clock, as the link makes it.
    {
        LineTrace trace;
        constexpr int calls = 4 * LineTrace::DefaultCapacity;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < calls; ++i)
            trace.clock(i & 1);
        std::printf("recording: %.1f ns a call (%d calls, ring of %d)\n", double(clock.nsecsElapsed()) / calls, calls,
                    trace.capacity());
    }

    LineTrace trace;
    std::int64_t nowUs = 0;
    trace.setClock([&] { return nowUs; });
    std::int64_t nextHandshakeUs = 0;
    while (trace.recorded() < std::uint64_t(trace.capacity()) + 1000) {
        if (nowUs >= nextHandshakeUs) {
            play(trace, nowUs, LinkEngine::HandshakeTx, {0xAA});
            play(trace, nowUs, LinkEngine::HandshakeRx, {0x55});
            nextHandshakeUs += 10000000;
        }
        play(trace, nowUs, LinkEngine::ReadRequestTx, {0xA3});
        play(trace, nowUs, LinkEngine::ParamRx, {0x53, 0x0E, 0x19, 0x03, 0x05, 0x07});
        nowUs += 50000;
    }
    const double firstUs = double(trace.at(0).timeUs());
    const double lastUs = double(trace.at(trace.size() - 1).timeUs());
    std::printf("ring: %d events over %.1f s of traffic\n", trace.size(), (lastUs - firstUs) / 1e6);

    WaveformView view;
    view.resize(1200, 360);
    view.setTrace(&trace);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    struct Zoom {
        const char *name;
        double startUs, endUs; // both 0: following the newest frame
    };
    const Zoom zooms[] = {
        {"newest frame, 100 us/px", 0, 0},
        {"one read, 1.3 s", lastUs - 1.3e6, lastUs},
        {"one minute", lastUs - 60e6, lastUs},
        {"the whole ring", firstUs, lastUs},
    };
    for (const Zoom &zoom : zooms) {
        if (zoom.endUs > 0)
            view.showSpan(zoom.startUs, zoom.endUs);
        else
            view.follow();
        std::vector<double> times;
        for (int i = 0; i < 15; ++i) {
            QElapsedTimer clock;
            clock.start();
            view.render(&image);
            times.push_back(clock.nsecsElapsed() / 1e6);
        }
        std::printf("paint %-24s %7.2f ms (median of 15, %dx%d)\n", zoom.name, medianMs(times), view.width(),
                    view.height());
        if (argc > 1)
            image.save(QStringLiteral("%1/trace-%2.png").arg(QString::fromLocal8Bit(argv[1])).arg(&zoom - zooms));
    }

    QBuffer dump;
    dump.open(QIODevice::WriteOnly);
    QElapsedTimer clock;
    clock.start();
    LineTraceVcd::write(trace, &dump);
    std::printf("VCD of the full ring: %.0f ms, %.1f MB\n", clock.nsecsElapsed() / 1e6, dump.size() / 1e6);
    return 0;
}
