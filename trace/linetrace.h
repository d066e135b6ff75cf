// A record of everything the link does on the line: each level it drives on
// CLOCK and DATA_OUT, each level it reads on DATA_IN, each frame's start and
// end, each wait, with a monotonic time in microseconds. A bounded ring, so a
// program that runs for days keeps only the last few minutes of traffic.
#ifndef ZORVEL_LINK_LINETRACE_H
#define ZORVEL_LINK_LINETRACE_H

#include <cstdint>
#include <functional>
#include <memory>

#include "protocol/linkengines.h"

// One event, 16 bytes: the full ring of a million events takes 16 MiB.
class LineEvent
{
public:
    enum class Kind : std::uint8_t { Clock, DataOut, DataIn, FrameStart, FrameEnd, Wait };
    static constexpr int MaxFrameBytes = 7; // the date reply, the longest frame

    std::int64_t timeUs() const { return std::int64_t(stamp_ >> 8); }
    Kind kind() const { return Kind(stamp_ & 0xFF); }
    bool isPin() const { return kind() <= Kind::DataIn; }

    // Clock, DataOut, DataIn: the level driven or read.
    bool level() const { return arg_[0] != 0; }
    // DataIn: how long after the falling edge (the event's time) the program read it.
    std::int64_t readDelayUs() const { return std::int64_t(word()); }
    // FrameStart, FrameEnd.
    LinkEngine engine() const { return LinkEngine(arg_[0] & 0x0F); }
    // FrameEnd: the bytes sent or received.
    int byteCount() const { return arg_[0] >> 4; }
    std::uint8_t byte(int index) const { return arg_[1 + index]; }
    // Wait: its length.
    int waitMs() const { return int(word()); }

private:
    friend class LineTrace;
    std::uint32_t word() const;
    void setWord(std::uint32_t value);
    void setTime(std::int64_t timeUs) { stamp_ = (std::uint64_t(timeUs) << 8) | (stamp_ & 0xFF); }

    // Time in microseconds above the low byte (56 bits: two thousand years),
    // the kind in it. Then the level or engine, and up to seven frame bytes.
    std::uint64_t stamp_;
    std::uint8_t arg_[8];
};

// Records on the thread of the link and is read on that thread too (the view
// and the writer run between ticks): recording takes no lock, allocates
// nothing and emits nothing, so it costs a pin call next to nothing.
//
// A DATA_IN read is filed at the falling CLOCK edge before it, where the
// detector put the level on the line, so the events read in time order as a
// logic analyser on the wire would show them.
class LineTrace
{
public:
    static constexpr int DefaultCapacity = 1 << 20;

    explicit LineTrace(int capacity = DefaultCapacity);
    ~LineTrace();
    LineTrace(const LineTrace &) = delete;
    LineTrace &operator=(const LineTrace &) = delete;

    // What the link reports, in the order it happens. Each call stamps the
    // event with the trace's own monotonic clock.
    void clock(bool level);       // SetPin (true) or ClearPin (false) of CLOCK
    void dataOut(bool level);     // SetPin or ClearPin of DATA_OUT
    void dataIn(bool level);      // ReadPin of DATA_IN, with the level read
    void frameStart(LinkEngine engine);
    void frameEnd(LinkEngine engine, const std::uint8_t *bytes, int count); // at most 7 bytes kept
    void wait(int ms);            // a pause of `ms` begins now

    // The events held, oldest first. Times rise with the index; only a read
    // shares its time, with the falling edge it is filed at.
    int size() const { return size_; }
    int capacity() const { return capacity_; }
    const LineEvent &at(int index) const { return ring_[slot(index)]; }
    // The first event at or after `timeUs`; size() when there is none.
    int lowerBound(std::int64_t timeUs) const;
    // Every event since construction, the dropped and cleared ones too: a
    // reader that saw the same number has nothing new to show.
    std::uint64_t recorded() const { return recorded_; }
    void clear();

    // The clock: by default a monotonic one that starts with the trace.
    // A replay or a test hands in its own, in microseconds.
    std::int64_t nowUs() const;
    void setClock(std::function<std::int64_t()> clock);

private:
    LineEvent &append(LineEvent::Kind kind);
    int slot(int index) const
    {
        const int s = head_ + index;
        return s >= capacity_ ? s - capacity_ : s;
    }

    std::unique_ptr<LineEvent[]> ring_;
    int capacity_ = 0;
    int head_ = 0; // slot of the oldest event
    int size_ = 0;
    std::uint64_t recorded_ = 0;
    std::int64_t lastUs_ = -1;
    std::int64_t originNs_ = 0;
    std::function<std::int64_t()> clock_;
};

#endif
