#include "tests/bridge/usb/usbfigures.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int PinCalls = 200;

// Serves events until `done` holds or `timeoutMs` has passed.
bool runUntil(const std::function<bool()> &done, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(1);
    loop.exec();
    return done();
}

} // namespace

UsbFigures UsbFigures::measure(DetectorLink &link, DeviceConfig &block, const SimpleIoApi &api)
{
    UsbFigures out;
    QElapsedTimer clock;
    clock.start();
    const auto nowMs = [&] { return double(clock.nsecsElapsed()) / 1e6; };
    double started = -1, shaken = -1, read = -1, writeStart = -1, written = -1;
    QObject context;
    QObject::connect(&link, &DetectorLink::setButton, &context, [&](bool enabled) {
        if (!enabled && started < 0)
            started = nowMs();
    });
    QObject::connect(&link, &DetectorLink::signal_handshake_ok, &context, [&] {
        if (shaken < 0)
            shaken = nowMs();
    });
    QObject::connect(&link, &DetectorLink::signal_getConfig, &context, [&](char *) {
        if (read < 0)
            read = nowMs();
        else if (writeStart >= 0 && written < 0)
            written = nowMs();
    });
    // The write's outcome, in the words the window's box uses.
    QObject::connect(&link, &DetectorLink::writeConfirmed, &context, [&](bool same) {
        out.writeOutcome = same ? QStringLiteral("Конфигурация записана успешно")
                                : QStringLiteral("Ошибка при записи конфигурации");
    });

    if (!runUntil([&] { return read >= 0; }, 20000)) {
        out.failure = QStringLiteral("the handshake and first read did not finish");
        return out;
    }
    out.handshakeMs = shaken - started;
    out.readMs = read - shaken;
    // Back what was read (flag, angle, range_1..3 after the status byte).
    block = DeviceConfig{link.configReply[3], link.configReply[4], link.configReply[5], link.configReply[2],
                         link.configReply[1], 0};
    writeStart = nowMs();
    link.sendParamA6();
    if (!runUntil([&] { return written >= 0 && !out.writeOutcome.isEmpty(); }, 30000)) {
        out.failure = QStringLiteral("the write did not finish");
        return out;
    }
    out.writeMs = written - writeStart;

    // The line idles high: setting CLOCK again and reading DATA_IN leave it so.
    unsigned level = 0;
    for (int i = 0; i < PinCalls; ++i) {
        double before = nowMs();
        api.SetPin(2);
        out.setPinMs.push_back(nowMs() - before);
        before = nowMs();
        api.ReadPin(4, &level);
        out.readPinMs.push_back(nowMs() - before);
    }
    return out;
}

double UsbFigures::percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t rank = std::size_t(std::ceil(p * double(values.size())));
    return values[std::min(values.size() - 1, rank > 0 ? rank - 1 : 0)];
}

void UsbFigures::print(const double *nominal) const
{
    std::printf("%-10s %9s%s\n", "", "wall ms", nominal ? "  nominal ms    ratio" : "");
    const double wall[] = {handshakeMs, readMs, writeMs};
    const char *names[] = {"handshake", "read", "write"};
    for (int i = 0; i < 3; ++i) {
        if (nominal)
            std::printf("%-10s %9.1f %11.1f %8.3f\n", names[i], wall[i], nominal[i], wall[i] / nominal[i]);
        else
            std::printf("%-10s %9.1f\n", names[i], wall[i]);
    }
    std::printf("SetPin  over %zu calls: median %.2f ms, 99th percentile %.2f ms\n", setPinMs.size(),
                percentile(setPinMs, 0.5), percentile(setPinMs, 0.99));
    std::printf("ReadPin over %zu calls: median %.2f ms, 99th percentile %.2f ms\n", readPinMs.size(),
                percentile(readPinMs, 0.5), percentile(readPinMs, 0.99));
}
