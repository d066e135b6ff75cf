// Timing of the link's transactions against the simulated detector.
//
// Runs handshakes, reads, writes and date reads on real 2 ms timers and prints,
// per transaction, wall time against its nominal time, the tick period's
// median and 99th percentile, the shortest clock phase the simulated detector
// saw, and the process's CPU time against wall time. Targets: wall within 3 %
// of nominal, tick p99 under 2.5 ms, no clock phase under 1 ms, CPU under 5 %.
//
// Run from build/: ./zorvel-bench [rounds] [--trace]   (--trace: with the
// line trace recording, as in the window)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "bridge/simulator/simcontrol.h"
#include "link/detectorlink.h"
#include "trace/linetrace.h"

namespace {

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Transaction {
    const char *name;
    const char *slot;
    double nominalMs;
    int longGaps; // reply bytes whose 160 ms pause is followed by another tick of their frame
};

// The simulated detector's own count of the shortest clock phase, when the
// bridge beside the bench is the simulator.
SimShortestClockPhaseUsFn shortestPhase()
{
#ifdef _WIN32
    // The module the link loaded, found by its name.
    HMODULE module = GetModuleHandleW(L"SimpleIO-UM.dll");
    return module ? reinterpret_cast<SimShortestClockPhaseUsFn>(reinterpret_cast<void *>(GetProcAddress(module, "SimShortestClockPhaseUs"))) : nullptr;
#else
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("libSimpleIO-UM.so"));
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    return handle ? reinterpret_cast<SimShortestClockPhaseUsFn>(dlsym(handle, "SimShortestClockPhaseUs")) : nullptr;
#endif
}

// Tick times, taken as each tick starts (the line timer's event, before its
// slot runs): consecutive ticks are one period, unless the engine waited
// between them (the wait timer's event came in between).
class TickClock : public QObject
{
public:
    TickClock() { clock.start(); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Timer)
            return false;
        if (watched == waitTimer) {
            waitedMs = waitTimer->interval();
            return false;
        }
        const double now = clock.nsecsElapsed() / 1e6;
        if (waitedMs == LinkTiming::BytePauseMs)
            ++longGaps; // a reply byte's pause, and its frame went on
        else if (!waitedMs && lastTick >= 0)
            periods.push_back(now - lastTick);
        waitedMs = 0;
        lastTick = now;
        return false;
    }
    void startRound()
    {
        lastTick = -1;
        waitedMs = 0;
    }

    QElapsedTimer clock;
    QTimer *waitTimer = nullptr;
    double lastTick = -1;
    int waitedMs = 0;
    std::vector<double> periods;
    int longGaps = 0;
};

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const bool traced = app.arguments().contains(QStringLiteral("--trace"));

    DeviceConfig block{3, 7, 11, 25, 0x00, 0};
    DetectorLink link(&block);
    link.loadBridge();
    link.configurePort(0xF0);
    link.firstConnect = false;
    LineTrace trace;
    if (traced)
        link.setTrace(&trace);
    const SimShortestClockPhaseUsFn phaseUs = shortestPhase();

    TickClock ticks;
    ticks.waitTimer = link.findChild<QTimer *>(QStringLiteral("lineWait"));
    QTimer *lineTimer = link.findChild<QTimer *>(QStringLiteral("lineTicks"));
    if (!lineTimer || !ticks.waitTimer) {
        std::printf("the link has no timers named lineTicks and lineWait\n");
        return 1;
    }
    lineTimer->installEventFilter(&ticks);
    ticks.waitTimer->installEventFilter(&ticks);
    QElapsedTimer &clock = ticks.clock;
    std::vector<double> &periods = ticks.periods;
    int &longGaps = ticks.longGaps;

    // Sleeps in a local loop until the transaction ends: no polling, so the
    // bench itself costs the process no CPU while it waits.
    // The end is taken when the signal comes: a write's result box opens after it.
    QEventLoop waiter;
    double endMs = 0;
    QObject::connect(&link, &DetectorLink::setButton, &waiter, [&](bool free) {
        if (free) {
            endMs = clock.nsecsElapsed() / 1e6;
            waiter.quit();
        }
    });
    QObject::connect(&link, &DetectorLink::signal_getConfig, &waiter, [&] {
        endMs = clock.nsecsElapsed() / 1e6;
        waiter.quit();
    });
    auto waitDone = [&](int timeoutMs) {
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &waiter, [&] { waiter.exit(1); });
        limit.start(timeoutMs);
        return waiter.exec() == 0;
    };
    QMetaObject::invokeMethod(&link, "sendParamAA");
    waitDone(3000); // a first handshake to settle the line

    const std::vector<Transaction> transactions{
        {"handshake", "sendParamAA", nominalMs(LinkTransaction::Handshake), 0},
        {"read", "sendParamA3", nominalMs(LinkTransaction::Read), 5}, // the last byte's wait ends the frame
        // Until the read-back is delivered; the result box comes after.
        {"write", "sendParamA6", nominalMs(LinkTransaction::Write), 5},
        {"date read", "sendParamA2", nominalMs(LinkTransaction::DateGet), 6},
    };

    std::printf("%-10s %6s %10s %10s %8s %9s %9s %10s %7s\n", "transaction", "runs", "nominal", "wall", "off",
                "tick p50", "tick p99", "min phase", "cpu");
    bool allMet = true;
    for (const Transaction &t : transactions) {
        double wall = 0;
        double cpu = 0;
        periods.clear();
        longGaps = 0;
        unsigned long minPhaseUs = 0;
        for (int i = 0; i < rounds; ++i) {
            block.range_1 = char(i % 16); // each write carries something new
            ticks.startRound();
            const double cpu0 = cpuMs();
            const double startMs = clock.nsecsElapsed() / 1e6;
            if (phaseUs)
                phaseUs(); // counts afresh from here
            QMetaObject::invokeMethod(&link, t.slot);
            if (!waitDone(10000)) {
                std::printf("%s: no end within 10 s\n", t.name);
                return 1;
            }
            wall += endMs - startMs;
            cpu += cpuMs() - cpu0;
            const unsigned long phase = phaseUs ? phaseUs() : 0;
            if (phase && (!minPhaseUs || phase < minPhaseUs))
                minPhaseUs = phase;
            // Let the write's result box and the line's idle settle.
            QEventLoop gap;
            QTimer::singleShot(50, &gap, &QEventLoop::quit);
            gap.exec();
        }
        wall /= rounds;
        cpu /= rounds;
        const double off = 100.0 * (wall - t.nominalMs) / t.nominalMs;
        const double p50 = percentile(periods, 0.5);
        const double p99 = percentile(periods, 0.99);
        const double cpuShare = 100.0 * cpu / wall;
        const bool met = std::abs(off) <= 3.0 && p99 < 2.5 && cpuShare < 5.0 && longGaps == t.longGaps * rounds
            && (!phaseUs || minPhaseUs >= 1000);
        allMet = allMet && met;
        std::printf("%-11s %6d %8.1fms %8.1fms %+7.2f%% %7.3fms %7.3fms %8.3fms %6.2f%% %s\n", t.name, rounds,
                    t.nominalMs, wall, off, p50, p99, minPhaseUs / 1e3, cpuShare, met ? "" : "  <- misses a target");
    }
    if (traced)
        std::printf("line trace recording: %llu events\n", static_cast<unsigned long long>(trace.recorded()));
    std::printf("targets: wall within 3 %% of nominal, tick p99 < 2.5 ms, min phase >= 1 ms, cpu < 5 %% of wall: %s\n",
                allMet ? "met" : "NOT met");
    return 0;
}
