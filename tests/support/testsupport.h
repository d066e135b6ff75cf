// Shared helpers of the tests: waiting without starving the link's 2 ms timers,
// and steering the simulated detector. Qt Core only; the widget tests' own
// helpers are in modalanswerer.h.
#ifndef ZORVEL_TESTS_TESTSUPPORT_H
#define ZORVEL_TESTS_TESTSUPPORT_H

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

#include "bridge/simulator/simcontrol.h"

namespace testsupport {

// Serves events until `done` holds or the time is up; returns `done()`.
// Runs a local event loop, so 2 ms timers keep their pace.
bool waitUntil(const std::function<bool()> &done, int timeoutMs);

// Serves events for `ms` milliseconds.
void serveEvents(int ms);

// Whether this Windows program runs under Wine (its ntdll says so), for the
// few checks that hold on Windows but not under Wine's stand-ins.
bool underWine();

// The control interface of the simulated bridge, resolved from the library the
// link loaded (beside the test executable).
struct Simulator {
    bool load(); // false, with a test failure message, when it is not there

    SimResetFn reset = nullptr;
    SimGetBlockFn getBlock = nullptr;
    SimSetBlockFn setBlock = nullptr;
    SimGetDateFn getDate = nullptr;
    SimFrameCountFn frameCount = nullptr;
    SimFrameFn frame = nullptr;
    SimSetSilentFn setSilent = nullptr;
    SimSetHandshakeReplyFn setHandshakeReply = nullptr;
    SimSetWritesIgnoredFn setWritesIgnored = nullptr;
    SimFlipNextReplyBitFn flipNextReplyBit = nullptr;
    SimFailEntryPointFn failEntryPoint = nullptr;
    SimSetFaultFn setFault = nullptr;
    SimShortestClockPhaseUsFn shortestClockPhaseUs = nullptr;

    QByteArray block() const;              // flag, angle, range_1..3
    QVector<QByteArray> frames() const;    // every complete command frame received
};

} // namespace testsupport

#endif
