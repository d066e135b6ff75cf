// Where the waveform's strokes, shaded spans and byte labels fall for one
// viewport over a line trace. A pure function of the two, so the view only
// paints what it is given and a test checks the layout without a widget.
// QtCore only.
#ifndef ZORVEL_TRACE_WAVEFORMLAYOUT_H
#define ZORVEL_TRACE_WAVEFORMLAYOUT_H

#include <QLine>
#include <QRect>
#include <QVector>

#include <cstdint>

class LineTrace;

// The plot's place in the widget and the span of time it shows.
struct WaveformViewport {
    QRect plot;
    int laneTop[3] = {};  // CLOCK, DATA_OUT, DATA_IN
    int laneHeight = 0;
    double startUs = 0;   // the time at plot.left()
    double usPerPixel = 1;

    double timeAt(int x) const { return startUs + (x - plot.left()) * usPerPixel; }
    // Off-plot times are pinned just outside the plot, so pixels never overflow.
    int xOf(double timeUs) const;
    // A lane's y for a level: high, low, or unknown (-1) between them.
    int yOf(int lane, int level) const;
};

struct WaveformLayout {
    enum SpanKind { FrameOut, FrameIn, WaitSpan };
    struct Span {
        int x0, x1;
        SpanKind kind;
        int value; // a wait's length in ms
    };
    struct Label {
        int x0, x1; // the first bit's falling edge to the last bit's rising edge
        bool transmit;
        std::uint8_t byte;
    };

    // Each lane's strokes, coalesced so that a pixel column gets one vertical
    // stroke however many edges fall in it; dashed where no level is known yet.
    QVector<QLine> lines[3];
    QVector<QLine> unknown;
    QVector<Span> spans;
    QVector<Label> labels;

    // Lays out what of `trace` falls in `viewport`, replacing what was there.
    // Only the events in view are walked, found by time; a frame begun before
    // the left edge is walked from its start, for its bytes.
    void collect(const LineTrace &trace, const WaveformViewport &viewport);
};

#endif
