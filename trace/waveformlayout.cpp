#include "trace/waveformlayout.h"

#include "trace/linetrace.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
using Kind = LineEvent::Kind;

// Events searched back from the left edge for the levels there: the reads of
// one reply lie within a few hundred events, idle pins within a frame's.
constexpr int LevelLookBack = 1 << 16;
// A frame is at most 7 bytes of three events a bit.
constexpr int FrameLookBack = 512;
constexpr int MaxBits = LineEvent::MaxFrameBytes * 8;
// A byte's label needs this many pixels between its first and last edge.
constexpr int MinLabelPx = 4;

// One lane's line as it is gathered.
struct Lane {
    int level = -1; // not known yet
    int segmentX = 0;
    int edgeX = INT_MIN;
};

// One pass over the events in view.
class Collector
{
public:
    Collector(const LineTrace &trace, const WaveformViewport &view, WaveformLayout &out)
        : trace_(trace), view_(view), out_(out), left_(view.plot.left() - 2)
    {
        for (Lane &lane : lanes_)
            lane.segmentX = left_;
    }

    void levelsBefore(int from);
    void walk(int from, int to);
    void finish(int to);

private:
    int xAt(double timeUs) const
    {
        const double x = view_.plot.left() + (timeUs - view_.startUs) / view_.usPerPixel;
        return int(std::floor(std::clamp(x, double(left_), double(view_.plot.right() + 2))));
    }
    void pin(const LineEvent &e, int x);
    void frameEnd(const LineEvent &e, int x);
    void addSpan(int x0, int x1, WaveformLayout::SpanKind kind, int value);

    const LineTrace &trace_;
    const WaveformViewport &view_;
    WaveformLayout &out_;
    const int left_;
    Lane lanes_[3];
    bool inFrame_ = false;
    bool frameTransmits_ = false;
    int frameX_ = 0;
    int bits_ = 0;
    int fallX_ = 0;
    int falls_[MaxBits] = {};
    int rises_[MaxBits] = {};
};

void Collector::levelsBefore(int from)
{
    int known = 0;
    for (int i = from - 1; i >= std::max(0, from - LevelLookBack) && known < 3; --i) {
        const LineEvent &e = trace_.at(i);
        Lane &lane = lanes_[std::min(int(e.kind()), 2)];
        if (e.isPin() && lane.level < 0) {
            lane.level = e.level();
            ++known;
        }
    }
}

void Collector::addSpan(int x0, int x1, WaveformLayout::SpanKind kind, int value)
{
    // Narrow neighbours of a kind merge: zoomed out, thousands of frames
    // share a few hundred columns.
    if (!out_.spans.isEmpty()) {
        WaveformLayout::Span &last = out_.spans.last();
        if (last.kind == kind && x1 - x0 < 3 && last.x1 - last.x0 < 3 && x0 <= last.x1 + 1) {
            last.x1 = std::max(last.x1, x1);
            return;
        }
    }
    out_.spans.append({x0, x1, kind, value});
}

void Collector::pin(const LineEvent &e, int x)
{
    const int p = int(e.kind());
    Lane &lane = lanes_[p];
    const int level = e.level();
    if (lane.level == level)
        return;
    if (p == 0 && inFrame_) {
        if (level == 0) {
            fallX_ = x;
        } else if (lane.level == 0 && bits_ < MaxBits) {
            falls_[bits_] = fallX_;
            rises_[bits_] = x;
            ++bits_;
        }
    }
    if (lane.level < 0) {
        out_.unknown.append(QLine(lane.segmentX, view_.yOf(p, -1), x, view_.yOf(p, -1)));
    } else {
        if (x > lane.segmentX)
            out_.lines[p].append(QLine(lane.segmentX, view_.yOf(p, lane.level), x, view_.yOf(p, lane.level)));
        if (x != lane.edgeX)
            out_.lines[p].append(QLine(x, view_.yOf(p, 1), x, view_.yOf(p, 0)));
    }
    lane.segmentX = x;
    lane.edgeX = x;
    lane.level = level;
}

void Collector::frameEnd(const LineEvent &e, int x)
{
    if (!inFrame_)
        return;
    inFrame_ = false;
    addSpan(frameX_, x, frameTransmits_ ? WaveformLayout::FrameOut : WaveformLayout::FrameIn, 0);
    // Byte k spans its first bit's falling edge to its last bit's rising edge.
    for (int k = 0; k < e.byteCount() && 8 * k + 7 < bits_; ++k) {
        if (rises_[8 * k + 7] - falls_[8 * k] >= MinLabelPx)
            out_.labels.append({falls_[8 * k], rises_[8 * k + 7], frameTransmits_, e.byte(k)});
    }
}

void Collector::walk(int from, int to)
{
    for (int i = from; i < to; ++i) {
        const LineEvent &e = trace_.at(i);
        const int x = xAt(double(e.timeUs()));
        switch (e.kind()) {
        case Kind::Clock:
        case Kind::DataOut:
        case Kind::DataIn:
            pin(e, x);
            break;
        case Kind::FrameStart:
            inFrame_ = true;
            frameTransmits_ = engineRow(e.engine()).transmit;
            frameX_ = x;
            bits_ = 0;
            break;
        case Kind::FrameEnd:
            frameEnd(e, x);
            break;
        case Kind::Wait:
            addSpan(x, xAt(e.timeUs() + e.waitMs() * 1000.0), WaveformLayout::WaitSpan, e.waitMs());
            break;
        }
    }
}

void Collector::finish(int to)
{
    // The levels hold to the right edge, or to now when the trace ends in view.
    int endX = view_.plot.right() + 2;
    if (to >= trace_.size())
        endX = xAt(double(std::max(trace_.at(trace_.size() - 1).timeUs(), trace_.nowUs())));
    if (inFrame_)
        addSpan(frameX_, endX, frameTransmits_ ? WaveformLayout::FrameOut : WaveformLayout::FrameIn, 0);
    for (int p = 0; p < 3; ++p) {
        const Lane &lane = lanes_[p];
        if (endX > lane.segmentX)
            (lane.level < 0 ? out_.unknown : out_.lines[p])
                .append(QLine(lane.segmentX, view_.yOf(p, lane.level), endX, view_.yOf(p, lane.level)));
    }
}

} // namespace

int WaveformViewport::xOf(double timeUs) const
{
    const double x = plot.left() + (timeUs - startUs) / usPerPixel;
    return int(std::floor(std::clamp(x, double(plot.left() - 2), double(plot.right() + 2))));
}

int WaveformViewport::yOf(int lane, int level) const
{
    const int top = laneTop[lane] + laneHeight / 5;
    const int bottom = laneTop[lane] + laneHeight - laneHeight / 5;
    return level > 0 ? top : level == 0 ? bottom : (top + bottom) / 2;
}

void WaveformLayout::collect(const LineTrace &trace, const WaveformViewport &viewport)
{
    for (auto &lane : lines)
        lane.clear();
    unknown.clear();
    spans.clear();
    labels.clear();
    if (trace.size() == 0)
        return;

    const int first = trace.lowerBound(std::int64_t(std::floor(viewport.startUs)));
    const int last = trace.lowerBound(std::int64_t(std::ceil(viewport.timeAt(viewport.plot.right() + 1))));
    int from = first;
    for (int i = first - 1; i >= std::max(0, first - FrameLookBack); --i) {
        const Kind kind = trace.at(i).kind();
        if (kind == Kind::FrameEnd)
            break;
        if (kind == Kind::FrameStart) {
            from = i;
            break;
        }
    }
    const int to = std::min(trace.size(), last + 1);
    Collector collector(trace, viewport, *this);
    collector.levelsBefore(from);
    collector.walk(from, to);
    collector.finish(to);
}
