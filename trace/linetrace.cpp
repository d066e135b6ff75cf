#include "trace/linetrace.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {
// A read follows its falling edge by one rising edge (fall, rise, read), so
// the edge is the second event back; a few more allow for a DATA_OUT call.
constexpr int FallLookback = 4;

std::int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

static_assert(sizeof(LineEvent) == 16, "a million events should take 16 MiB");
static_assert(int(LinkEngine::ConsoleTx) < 16, "the engine shares a byte with the byte count");

std::uint32_t LineEvent::word() const
{
    std::uint32_t value;
    std::memcpy(&value, arg_ + 4, sizeof value);
    return value;
}

void LineEvent::setWord(std::uint32_t value)
{
    std::memcpy(arg_ + 4, &value, sizeof value);
}

LineTrace::LineTrace(int capacity)
    // Left uninitialised: the pages are taken only as the ring fills.
    : ring_(new LineEvent[std::size_t(std::max(capacity, 1))]), capacity_(std::max(capacity, 1)),
      originNs_(steadyNs())
{
}

LineTrace::~LineTrace() = default;

std::int64_t LineTrace::nowUs() const
{
    return clock_ ? clock_() : (steadyNs() - originNs_) / 1000;
}

void LineTrace::setClock(std::function<std::int64_t()> clock)
{
    clock_ = std::move(clock);
}

LineEvent &LineTrace::append(LineEvent::Kind kind)
{
    int s;
    if (size_ < capacity_) {
        s = slot(size_);
        ++size_;
    } else {
        s = head_; // the oldest event gives way
        head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
    }
    ++recorded_;
    // Each event a microsecond after the one before at least, whatever the
    // clock says: readers search by time, and the rising edge that closes the
    // console's frame, made right after its falling edge, must not share the
    // falling edge's microsecond and vanish from a dump.
    lastUs_ = std::max(lastUs_ + 1, nowUs());
    LineEvent &event = ring_[s];
    event.stamp_ = (std::uint64_t(lastUs_) << 8) | std::uint8_t(kind);
    std::memset(event.arg_, 0, sizeof event.arg_);
    return event;
}

void LineTrace::clock(bool level)
{
    append(LineEvent::Kind::Clock).arg_[0] = level;
}

void LineTrace::dataOut(bool level)
{
    append(LineEvent::Kind::DataOut).arg_[0] = level;
}

void LineTrace::dataIn(bool level)
{
    LineEvent read = append(LineEvent::Kind::DataIn);
    read.arg_[0] = level;
    const int last = size_ - 1;
    int fall = -1;
    for (int i = last - 1; i >= std::max(0, last - FallLookback); --i) {
        const LineEvent &e = at(i);
        if (e.kind() == LineEvent::Kind::Clock && !e.level()) {
            fall = i;
            break;
        }
        if (e.kind() != LineEvent::Kind::Clock && e.kind() != LineEvent::Kind::DataOut)
            break; // another read, a frame's edge or a wait: no fall belongs to this read
    }
    if (fall < 0) {
        ring_[slot(last)] = read;
        return;
    }
    // Filed just after its falling edge, at that edge's time.
    for (int i = last; i > fall + 1; --i)
        ring_[slot(i)] = ring_[slot(i - 1)];
    const std::int64_t edgeUs = at(fall).timeUs();
    read.setWord(std::uint32_t(std::min<std::int64_t>(read.timeUs() - edgeUs, UINT32_MAX)));
    read.setTime(edgeUs);
    ring_[slot(fall + 1)] = read;
}

void LineTrace::frameStart(LinkEngine engine)
{
    append(LineEvent::Kind::FrameStart).arg_[0] = std::uint8_t(engine);
}

void LineTrace::frameEnd(LinkEngine engine, const std::uint8_t *bytes, int count)
{
    count = std::clamp(count, 0, LineEvent::MaxFrameBytes);
    LineEvent &event = append(LineEvent::Kind::FrameEnd);
    event.arg_[0] = std::uint8_t(std::uint8_t(engine) | count << 4);
    if (count > 0)
        std::memcpy(event.arg_ + 1, bytes, std::size_t(count));
}

void LineTrace::wait(int ms)
{
    append(LineEvent::Kind::Wait).setWord(std::uint32_t(std::max(ms, 0)));
}

int LineTrace::lowerBound(std::int64_t timeUs) const
{
    int low = 0;
    int high = size_;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (at(mid).timeUs() < timeUs)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

void LineTrace::clear()
{
    head_ = 0;
    size_ = 0;
}
