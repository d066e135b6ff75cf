#include "ui/waveformview.h"

#include "trace/linetrace.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {
using Kind = LineEvent::Kind;

// A frame is at most 7 bytes of three events a bit.
constexpr int FrameLookBack = 512;
constexpr double MinUsPerPixel = 0.05;
constexpr double MaxUsPerPixel = 1e6; // some twenty minutes across the plot
constexpr int FollowMarginPx = 24;
constexpr double WheelStep = 0.8; // one notch zooms in by a fifth

const char *const LaneNames[3] = {"CLOCK", "DATA_OUT", "DATA_IN"};

QColor laneColour(int lane)
{
    static const QColor colours[3] = {QColor(0x30, 0x30, 0x30), QColor(0x1f, 0x5f, 0xbf), QColor(0x1d, 0x8a, 0x3a)};
    return colours[lane];
}
} // namespace

WaveformView::WaveformView(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::OpenHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 180);
    layOut();
}

QSize WaveformView::sizeHint() const
{
    return {1000, 320};
}

void WaveformView::setTrace(const LineTrace *trace)
{
    trace_ = trace;
    seen_ = 0;
    update();
}

void WaveformView::refresh()
{
    if (trace_ && trace_->recorded() != seen_) {
        seen_ = trace_->recorded();
        update();
    }
}

double WaveformView::startUs() const
{
    if (!following_ || !trace_ || trace_->size() == 0)
        return startUs_;
    // The newest bit at the right: its falling edge and the tick after it. A
    // reply ends in a 160 ms wait and the line then idles for seconds; the
    // newest event would show those and nothing else.
    const int newest = trace_->size() - 1;
    double endUs = double(trace_->at(newest).timeUs());
    for (int i = newest; i >= std::max(0, newest - FrameLookBack); --i) {
        const LineEvent &e = trace_->at(i);
        if (e.kind() == Kind::Clock && !e.level()) {
            endUs = double(e.timeUs() + 2 * LinkTiming::TickMs * 1000);
            break;
        }
    }
    return endUs - (plot_.width() - FollowMarginPx) * usPerPixel_;
}

double WaveformView::timeAt(int x) const
{
    return startUs() + (x - plot_.left()) * usPerPixel_;
}

int WaveformView::xOf(double timeUs) const
{
    return viewport().xOf(timeUs);
}

void WaveformView::showSpan(double startUs, double endUs)
{
    stopFollowing();
    usPerPixel_ = std::clamp((endUs - startUs) / std::max(1, plot_.width()), MinUsPerPixel, MaxUsPerPixel);
    startUs_ = startUs;
    update();
}

void WaveformView::follow()
{
    if (following_)
        return;
    following_ = true;
    emit followingChanged(true);
    update();
}

void WaveformView::stopFollowing()
{
    if (!following_)
        return;
    startUs_ = startUs(); // stay where the newest frame put the view
    following_ = false;
    emit followingChanged(false);
}

void WaveformView::layOut()
{
    const QFontMetrics fm(font());
    const int names = fm.horizontalAdvance(QStringLiteral("DATA_OUT")) + 16;
    const int axis = fm.height() + 10;
    bytesTop_ = 4;
    const int lanesTop = bytesTop_ + fm.height() + 8;
    laneHeight_ = std::max(24, (height() - lanesTop - axis) / 3);
    for (int lane = 0; lane < 3; ++lane)
        laneTop_[lane] = lanesTop + lane * laneHeight_;
    plot_ = QRect(names, bytesTop_, std::max(1, width() - names - 8), lanesTop + 3 * laneHeight_ - bytesTop_);
}

void WaveformView::resizeEvent(QResizeEvent *event)
{
    const double start = startUs(); // a resize keeps the left edge where it is
    QWidget::resizeEvent(event);
    layOut();
    if (!following_)
        startUs_ = start;
}

void WaveformView::zoomAround(int x, double factor)
{
    const double anchorUs = timeAt(x);
    stopFollowing();
    usPerPixel_ = std::clamp(usPerPixel_ * factor, MinUsPerPixel, MaxUsPerPixel);
    startUs_ = anchorUs - (x - plot_.left()) * usPerPixel_;
    update();
}

void WaveformView::wheelEvent(QWheelEvent *event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    zoomAround(int(event->position().x()), std::pow(WheelStep, notches));
    event->accept();
}

void WaveformView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    dragX_ = int(event->position().x());
    dragStartUs_ = startUs();
    setCursor(Qt::ClosedHandCursor);
}

void WaveformView::mouseMoveEvent(QMouseEvent *event)
{
    const int dx = int(event->position().x()) - dragX_;
    if (!dragging_ || dx == 0)
        return;
    stopFollowing();
    startUs_ = dragStartUs_ - dx * usPerPixel_;
    update();
}

void WaveformView::mouseReleaseEvent(QMouseEvent *)
{
    dragging_ = false;
    setCursor(Qt::OpenHandCursor);
}

void WaveformView::keyPressEvent(QKeyEvent *event)
{
    const int centre = plot_.center().x();
    switch (event->key()) {
    case Qt::Key_End:
    case Qt::Key_F:
        follow();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomAround(centre, WheelStep);
        break;
    case Qt::Key_Minus:
        zoomAround(centre, 1 / WheelStep);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

WaveformViewport WaveformView::viewport() const
{
    WaveformViewport view;
    view.plot = plot_;
    std::copy(std::begin(laneTop_), std::end(laneTop_), view.laneTop);
    view.laneHeight = laneHeight_;
    view.startUs = startUs();
    view.usPerPixel = usPerPixel_;
    return view;
}

void WaveformView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());

    painter.setPen(palette().text().color());
    for (int lane = 0; lane < 3; ++lane) {
        const QRect name(4, laneTop_[lane], plot_.left() - 8, laneHeight_);
        painter.drawText(name, Qt::AlignVCenter | Qt::AlignLeft, QLatin1String(LaneNames[lane]));
    }

    const bool empty = !trace_ || trace_->size() == 0;
    if (!empty) {
        seen_ = trace_->recorded();
        layout_.collect(*trace_, viewport());
    }

    painter.save();
    painter.setClipRect(plot_);
    drawSpans(painter);
    drawAxis(painter);
    drawLanes(painter);
    drawWaits(painter);
    drawLabels(painter);
    painter.restore();

    if (empty) {
        painter.setPen(palette().placeholderText().color());
        painter.drawText(plot_, Qt::AlignCenter, tr("На линии пока ничего не записано"));
    }
}

void WaveformView::drawSpans(QPainter &painter)
{
    const int lanesBottom = laneTop_[2] + laneHeight_;
    const QColor frameShades[2] = {QColor(0xe8, 0xf0, 0xfc), QColor(0xe6, 0xf5, 0xea)};
    // Frames first: a reply's waits lie inside it.
    for (const WaveformLayout::Span &span : qAsConst(layout_.spans)) {
        if (span.kind != WaveformLayout::WaitSpan)
            painter.fillRect(QRect(span.x0, bytesTop_, std::max(1, span.x1 - span.x0), lanesBottom - bytesTop_),
                             frameShades[span.kind]);
    }
    for (const WaveformLayout::Span &span : qAsConst(layout_.spans)) {
        if (span.kind == WaveformLayout::WaitSpan) {
            const QRect band(span.x0, laneTop_[0], std::max(1, span.x1 - span.x0), lanesBottom - laneTop_[0]);
            painter.fillRect(band, QColor(0xf4, 0xf4, 0xf4));
            painter.fillRect(band, QBrush(QColor(0xd0, 0xd0, 0xd0), Qt::BDiagPattern));
        }
    }
}

void WaveformView::drawLanes(QPainter &painter)
{
    painter.setPen(palette().mid().color());
    for (int lane = 1; lane < 3; ++lane)
        painter.drawLine(plot_.left(), laneTop_[lane], plot_.right(), laneTop_[lane]);
    for (int lane = 0; lane < 3; ++lane) {
        painter.setPen(QPen(laneColour(lane), 1));
        painter.drawLines(layout_.lines[lane]);
    }
    painter.setPen(QPen(palette().mid().color(), 1, Qt::DashLine));
    painter.drawLines(layout_.unknown);
}

void WaveformView::drawWaits(QPainter &painter)
{
    // A wait is a break in the line: a slanted gap across the lanes and its length.
    const QFontMetrics fm(font());
    const int lanesBottom = laneTop_[2] + laneHeight_;
    for (const WaveformLayout::Span &span : qAsConst(layout_.spans)) {
        if (span.kind != WaveformLayout::WaitSpan || span.x1 - span.x0 < 8)
            continue;
        const int cx = (span.x0 + span.x1) / 2;
        const QPoint gap[4] = {{cx - 6, lanesBottom}, {cx - 1, laneTop_[0]}, {cx + 5, laneTop_[0]}, {cx, lanesBottom}};
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().base());
        painter.drawPolygon(gap, 4);
        painter.setPen(palette().text().color());
        painter.drawLine(gap[0], gap[1]);
        painter.drawLine(gap[2], gap[3]);
        const QString length = tr("%1 мс").arg(span.value);
        const int w = fm.horizontalAdvance(length);
        if (span.x1 - span.x0 >= w + 4)
            painter.drawText(QRect(cx - w / 2 - 2, bytesTop_, w + 4, fm.height()), Qt::AlignCenter, length);
    }
}

void WaveformView::drawLabels(QPainter &painter)
{
    // Each byte over its bits: a bracket, and the hex when it fits.
    const QFontMetrics fm(font());
    const int bracketY = laneTop_[0] - 3;
    for (const WaveformLayout::Label &label : qAsConst(layout_.labels)) {
        painter.setPen(laneColour(label.transmit ? 1 : 2));
        painter.drawLine(label.x0, bracketY, label.x1, bracketY);
        painter.drawLine(label.x0, bracketY, label.x0, bracketY + 3);
        painter.drawLine(label.x1, bracketY, label.x1, bracketY + 3);
        const QString hex = QStringLiteral("%1").arg(label.byte, 2, 16, QLatin1Char('0')).toUpper();
        const int w = fm.horizontalAdvance(hex);
        if (label.x1 - label.x0 >= w + 2)
            painter.drawText(QRect((label.x0 + label.x1 - w) / 2 - 1, bytesTop_, w + 2, bracketY - bytesTop_),
                             Qt::AlignCenter, hex);
    }
}

void WaveformView::drawAxis(QPainter &painter)
{
    // Steps of 1, 2 or 5 times a power of ten, some ninety pixels apart.
    const double minimum = 90 * usPerPixel_;
    double step = std::pow(10.0, std::floor(std::log10(minimum)));
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (step * factor >= minimum) {
            step *= factor;
            break;
        }
    }
    const int decimals = std::clamp(3 - int(std::floor(std::log10(step))), 0, 3);
    const QFontMetrics fm(font());
    const int lanesBottom = laneTop_[2] + laneHeight_;

    painter.setClipping(false);
    painter.setPen(palette().text().color());
    painter.drawLine(plot_.left(), lanesBottom, plot_.right(), lanesBottom);
    painter.drawText(QRect(4, lanesBottom + 2, plot_.left() - 8, fm.height() + 6), Qt::AlignLeft | Qt::AlignVCenter,
                     tr("мс"));
    const double t0 = startUs();
    for (double t = std::ceil(t0 / step) * step; t <= timeAt(plot_.right()); t += step) {
        const int x = xOf(t);
        painter.setPen(QColor(0xe4, 0xe4, 0xe4));
        painter.drawLine(x, laneTop_[0], x, lanesBottom);
        painter.setPen(palette().text().color());
        painter.drawLine(x, lanesBottom, x, lanesBottom + 4);
        const QString text = QString::number(t / 1000.0, 'f', decimals);
        const int w = fm.horizontalAdvance(text);
        painter.drawText(QRect(x - w / 2 - 2, lanesBottom + 5, w + 4, fm.height()), Qt::AlignCenter, text);
    }
    painter.setClipRect(plot_);
}
