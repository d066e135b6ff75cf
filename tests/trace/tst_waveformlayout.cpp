// Guards the waveform's layout without a widget: each byte's label over its
// bits, a frame begun left of the view still labelled, one stroke a pixel
// column, dashed lanes until a level is known, waits with their length.
#include <QtTest>

#include "trace/linetrace.h"
#include "trace/waveformlayout.h"

namespace {

// A transmit frame as the link records it, 2 ms a tick from `nowUs`: each
// bit's falling edge, its data, the rising edge a tick later, and an idle
// tick after each byte.
void transmit(LineTrace &trace, std::int64_t &nowUs, std::uint8_t byte)
{
    trace.frameStart(LinkEngine::ReadRequestTx);
    for (int bit = 7; bit >= 0; --bit) {
        nowUs += 2000;
        trace.clock(false);
        trace.dataOut(bitOf(byte, bit));
        nowUs += 2000;
        trace.clock(true);
    }
    nowUs += 2000;
    trace.frameEnd(LinkEngine::ReadRequestTx, &byte, 1);
}

// Three lanes of 90 px at 20, 110 and 200 on a plot 1000 px wide.
WaveformViewport viewport(double startUs, double usPerPixel)
{
    return WaveformViewport{QRect(0, 0, 1000, 300), {20, 110, 200}, 90, startUs, usPerPixel};
}

} // namespace

class WaveformLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        nowUs = 0;
        trace = std::make_unique<LineTrace>(4096);
        trace->setClock([this] { return nowUs; });
    }

    void byteLabelledOverItsBits_data()
    {
        QTest::addColumn<double>("startUs");
        QTest::addColumn<int>("x0");
        QTest::addColumn<int>("x1");
        // First fall at 2 ms, the eighth bit's rise at 32 ms; 100 us a pixel.
        QTest::newRow("whole frame in view") << 0.0 << 20 << 320;
        QTest::newRow("frame begun left of the view") << 10000.0 << -2 << 220;
    }
    void byteLabelledOverItsBits()
    {
        QFETCH(double, startUs);
        transmit(*trace, nowUs, 0xA3);
        WaveformLayout layout;
        layout.collect(*trace, viewport(startUs, 100));
        QCOMPARE(layout.labels.size(), 1);
        QCOMPARE(layout.labels[0].byte, std::uint8_t(0xA3));
        QVERIFY(layout.labels[0].transmit);
        QTEST(layout.labels[0].x0, "x0");
        QTEST(layout.labels[0].x1, "x1");
        QCOMPARE(layout.spans.size(), 1);
        QCOMPARE(layout.spans[0].kind, WaveformLayout::FrameOut);
    }

    void oneStrokeAPixelColumn()
    {
        // Zoomed out to 100 ms a pixel, ten frames' edges share a few columns.
        for (int i = 0; i < 10; ++i)
            transmit(*trace, nowUs, 0x55);
        WaveformLayout layout;
        layout.collect(*trace, viewport(0, 100000));
        QSet<int> columns;
        int strokes = 0;
        for (const QLine &line : qAsConst(layout.lines[0])) {
            if (line.x1() == line.x2()) {
                ++strokes;
                columns.insert(line.x1());
            }
        }
        QVERIFY(strokes > 0);
        QCOMPARE(strokes, columns.size());
        QVERIFY(layout.labels.isEmpty()); // 32 ms of bits in a third of a pixel
    }

    void unknownUntilALevelIsSeen()
    {
        nowUs = 50000;
        trace->dataIn(true);
        nowUs = 60000;
        trace->wait(160);
        nowUs = 300000;
        WaveformLayout layout;
        layout.collect(*trace, viewport(0, 1000));
        // DATA_IN dashed up to 50 ms, then high; CLOCK and DATA_OUT dashed throughout.
        QCOMPARE(layout.unknown.size(), 3);
        QVERIFY(layout.lines[0].isEmpty() && layout.lines[1].isEmpty());
        QCOMPARE(layout.lines[2].size(), 1); // high from 50 px to now, at 300 px
        QCOMPARE(layout.lines[2][0], QLine(50, 218, 300, 218));
        QCOMPARE(layout.spans.size(), 1);
        QCOMPARE(layout.spans[0].kind, WaveformLayout::WaitSpan);
        QCOMPARE(layout.spans[0].value, 160);
        QCOMPARE(layout.spans[0].x0, 60);
        QCOMPARE(layout.spans[0].x1, 220);

        // From 100 ms on, DATA_IN's level is the one set before the view.
        layout.collect(*trace, viewport(100000, 1000));
        QCOMPARE(layout.unknown.size(), 2);
        QCOMPARE(layout.lines[2], QVector<QLine>{QLine(-2, 218, 200, 218)});
    }

private:
    std::int64_t nowUs = 0;
    std::unique_ptr<LineTrace> trace;
};

QTEST_GUILESS_MAIN(WaveformLayoutTest)
#include "tst_waveformlayout.moc"
