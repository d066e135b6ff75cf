// The line trace drawn as a logic analyser draws it: CLOCK, DATA_OUT and
// DATA_IN as read, each frame's bytes in hex over their bits, each wait as a
// break with its length, a time axis in milliseconds. It follows the newest
// bit on the line until the user zooms (wheel, around the pointer; + and -)
// or pans (drag); End, F or follow() bring it back.
#ifndef ZORVEL_LINK_WAVEFORMVIEW_H
#define ZORVEL_LINK_WAVEFORMVIEW_H

#include <QRect>
#include <QWidget>

#include <cstdint>

#include "trace/waveformlayout.h"

class LineTrace;

class WaveformView : public QWidget
{
    Q_OBJECT

public:
    explicit WaveformView(QWidget *parent = nullptr);

    void setTrace(const LineTrace *trace);
    bool isFollowing() const { return following_; }

    // The time at the left edge of the plot, and the scale.
    double startUs() const;
    double usPerPixel() const { return usPerPixel_; }
    // The time at a point of the widget, and back.
    double timeAt(int x) const;
    int xOf(double timeUs) const;

    QSize sizeHint() const override;

    // Shows [startUs, endUs] across the plot, and stops following.
    void showSpan(double startUs, double endUs);

public slots:
    void follow();
    void stopFollowing();
    // Repaints when the trace holds something new since the last look.
    void refresh();

signals:
    void followingChanged(bool following);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void layOut();
    void zoomAround(int x, double factor);
    WaveformViewport viewport() const;
    void drawSpans(QPainter &painter);
    void drawLanes(QPainter &painter);
    void drawWaits(QPainter &painter);
    void drawLabels(QPainter &painter);
    void drawAxis(QPainter &painter);

    const LineTrace *trace_ = nullptr;
    std::uint64_t seen_ = 0;
    bool following_ = true;
    double startUs_ = 0;
    double usPerPixel_ = 100; // 100 ms across a thousand pixels: a handshake and its reply
    bool dragging_ = false;
    int dragX_ = 0;
    double dragStartUs_ = 0;

    // Layout: the names' column, the bytes' row, three lanes, the axis.
    QRect plot_;
    int bytesTop_ = 0;
    int laneTop_[3] = {};
    int laneHeight_ = 0;

    // Laid out for one paint, kept to spare the allocations.
    WaveformLayout layout_;
};

#endif
