// Guards the line trace: what it records of real frames, its bound, its VCD dump as sigrok reads it, the view's following.
#include <QtTest>

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "link/linetrace.h"
#include "link/linetracevcd.h"
#include "link/waveformview.h"

namespace {

struct Frame {
    LinkEngine engine;
    QByteArray bytes; // sent, or the detector's reply
};
using Frames = QVector<Frame>;

// Makes the trace calls of the link's frames in the link's order (a tick's
// pin calls, the frame's end, the idle pins and the waits), on 2 ms ticks.
struct LinePlayer {
    explicit LinePlayer(LineTrace &trace) : trace(trace) { trace.setClock([this] { return nowUs; }); }

    void play(const Frames &frames)
    {
        for (const Frame &frame : frames)
            play(frame);
    }

    void play(const Frame &frame, int stopAfterBits = -1)
    {
        const EngineRow &row = engineRow(frame.engine);
        const bool console = frame.engine == LinkEngine::ConsoleTx;
        auto tick = [this] { nowUs += 2000; };
        auto pause = [this](int ms) {
            trace.wait(ms);
            nowUs += ms * 1000;
        };
        const int count = int(frame.bytes.size());
        trace.frameStart(frame.engine);
        for (int k = 0, bits = 0; k < count; ++k) {
            for (int bit = 7; bit >= 0; --bit) {
                if (bits++ == stopAfterBits)
                    return; // still on the line
                const bool level = bitOf(std::uint8_t(frame.bytes[k]), bit);
                tick();
                if (!row.transmit) { // fall; rise, then the read
                    trace.clock(false);
                    tick();
                    trace.clock(true);
                    trace.dataIn(level);
                    continue;
                }
                if (console) { // DATA_OUT first; the frame's end raises CLOCK at once
                    trace.dataOut(level);
                    trace.clock(false);
                    if (k == count - 1 && bit == 0)
                        break;
                } else {
                    trace.clock(false);
                    trace.dataOut(level);
                }
                tick();
                trace.clock(true);
            }
            if (row.pauseAfterByte)
                pause(160);
            if (row.idleBitAfterByte) {
                tick(); // the data tick after bit 0 drives nothing
                if (k < count - 1) {
                    tick();
                    trace.clock(true);
                }
            }
        }
        if (console)
            trace.clock(true);
        trace.frameEnd(frame.engine, reinterpret_cast<const std::uint8_t *>(frame.bytes.constData()), count);
        if (console)
            return;
        if (frame.engine == LinkEngine::HandshakeTx)
            trace.clock(true);
        trace.clock(true); // idle pins
        trace.dataOut(true);
        if (row.transmit && frame.engine != LinkEngine::HandshakeTx)
            trace.clock(true);
        if (row.transmit)
            pause(4);
    }

    LineTrace &trace;
    std::int64_t nowUs = 1000;
};

// A level change on one wire: 'C'LOCK, DATA_'O'UT, DATA_'I'N, 'F'RAME.
struct Change {
    char wire;
    char level;
};

// The changes of the trace's dump, in order.
QVector<Change> dumped(const LineTrace &trace)
{
    QBuffer dump;
    dump.open(QIODevice::WriteOnly);
    LineTraceVcd::write(trace, &dump);
    const QList<QByteArray> tokens = dump.data().simplified().split(' ');
    QHash<QByteArray, char> wires;
    QVector<Change> changes;
    bool body = false;
    for (int i = 0; i < tokens.size(); ++i) {
        const QByteArray &t = tokens[i];
        if (!body && t == "$var" && i + 4 < tokens.size())
            wires[tokens[i + 3]] = tokens[i + 4] == "DATA_OUT" ? 'O' : tokens[i + 4] == "DATA_IN" ? 'I' : tokens[i + 4][0];
        body = body || t == "$enddefinitions";
        if (body && !t.startsWith('#') && !t.startsWith('$'))
            changes.append({wires.value(t.mid(1), '?'), t[0]});
    }
    return changes;
}

// What a logic analyser on the wire samples at each rising CLOCK edge while
// FRAME is high: DATA_OUT and DATA_IN, eight bits to a byte.
struct Sampled {
    QVector<QByteArray> out, in;
    int risesOutsideFrames = 0;
    char frameAtEnd = '0';
};

Sampled sample(const QVector<Change> &changes)
{
    Sampled s;
    QHash<char, char> level{{'C', '1'}, {'O', '1'}, {'I', 'x'}, {'F', '0'}};
    int bits = 0, out = 0, in = 0;
    for (const Change &c : changes) {
        const bool rises = c.level == '1' && level[c.wire] == '0';
        level[c.wire] = c.level;
        if (rises && c.wire == 'F') {
            s.out.append(QByteArray());
            s.in.append(QByteArray());
            bits = 0;
        } else if (rises && c.wire == 'C' && level['F'] != '1') {
            ++s.risesOutsideFrames;
        } else if (rises && c.wire == 'C') {
            out = out << 1 | (level['O'] == '1');
            in = in << 1 | (level['I'] == '1');
            if (++bits % 8 == 0) {
                s.out.last() += char(out);
                s.in.last() += char(in);
            }
        }
    }
    s.frameAtEnd = level['F'];
    return s;
}

const Frames handshake{{LinkEngine::HandshakeTx, "\xAA"}, {LinkEngine::HandshakeRx, "\x55"}};
const Frames paramRead{{LinkEngine::ReadRequestTx, "\xA3"}, {LinkEngine::ParamRx, QByteArray("\x53\x0A\x19\x01\x02\x03", 6)}};
const Frames paramWrite{{LinkEngine::WriteTx, QByteArray("\xA6\x0A\x19\x00\x80\xFF", 6)}, {LinkEngine::CommitTx, "\xA9"}};
const Frames consoleFrame{{LinkEngine::ConsoleTx, "\xFF\xFF\xA3"}, {LinkEngine::ParamRx, "\x53\x0E\x05\x00\x00\x05"}};
const Frames dateRead{{LinkEngine::DateRequestTx, "\xA2"}, {LinkEngine::DateRx, QByteArray("\x18\x03\x05\x00\xFE\x7F\x01", 7)}};

} // namespace

Q_DECLARE_METATYPE(Frames)

class LineTraceTest : public QObject
{
    Q_OBJECT

private slots:
    void framesOnTheWire_data();
    void framesOnTheWire();
    void sigrokDecodesBothWays();
    void ringKeepsTheNewest_data();
    void ringKeepsTheNewest();
    void dumpHoldsWholeFramesAfterWrap_data();
    void dumpHoldsWholeFramesAfterWrap();
    void viewFollowsUntilZoomedOrPanned();
};

void LineTraceTest::framesOnTheWire_data()
{
    QTest::addColumn<Frames>("frames");
    QTest::newRow("handshake") << handshake;
    QTest::newRow("parameter read") << paramRead;
    QTest::newRow("parameter write") << paramWrite;
    QTest::newRow("console frame") << consoleFrame;
    QTest::newRow("date read") << dateRead;
}

void LineTraceTest::framesOnTheWire()
{
    QFETCH(Frames, frames);
    LineTrace trace;
    LinePlayer(trace).play(frames);

    // Each transmit frame's bits on DATA_OUT and each reply's bits on DATA_IN,
    // in order, where a logic analyser samples them: at the rising edges.
    const Sampled wire = sample(dumped(trace));
    QCOMPARE(wire.out.size(), frames.size());
    QCOMPARE(wire.risesOutsideFrames, 0);
    QVector<QByteArray> ends; // the engine, then the bytes of each frame's end
    for (int i = 0; i < trace.size(); ++i) {
        const LineEvent &e = trace.at(i);
        QByteArray end(1, char(e.engine()));
        for (int b = 0; e.kind() == LineEvent::Kind::FrameEnd && b < e.byteCount(); ++b)
            end += char(e.byte(b));
        if (e.kind() == LineEvent::Kind::FrameEnd)
            ends.append(end);
    }
    QCOMPARE(ends.size(), frames.size());
    for (int f = 0; f < frames.size(); ++f) {
        QCOMPARE(engineRow(frames[f].engine).transmit ? wire.out[f] : wire.in[f], frames[f].bytes);
        QCOMPARE(ends[f], char(frames[f].engine) + frames[f].bytes);
    }
}

void LineTraceTest::sigrokDecodesBothWays()
{
    const QString sigrok = QStandardPaths::findExecutable(QStringLiteral("sigrok-cli"));
    if (sigrok.isEmpty())
        QSKIP("sigrok-cli is not installed (scripts/common.sh installs it)");
    LineTrace trace;
    const Frames frames = handshake + paramRead + paramWrite + consoleFrame + dateRead;
    LinePlayer(trace).play(frames);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line.vcd"));
    QString error;
    QVERIFY2(LineTraceVcd::save(trace, path, &error), qPrintable(error));

    // The decoder knows nothing of frames: each frame's bits are words, and
    // DATA_OUT rests high while a reply comes in.
    QByteArray mosi, miso;
    for (const Frame &frame : frames) {
        const bool transmit = engineRow(frame.engine).transmit;
        mosi += transmit ? frame.bytes : QByteArray(frame.bytes.size(), '\xFF');
        miso += transmit ? QByteArray(frame.bytes.size(), '?') : frame.bytes;
    }
    auto decode = [&](const char *annotation) {
        QProcess run;
        run.start(sigrok, {QStringLiteral("-I"), QStringLiteral("vcd"), QStringLiteral("-i"), path, QStringLiteral("-P"),
                           QStringLiteral("spi:clk=CLOCK:mosi=DATA_OUT:miso=DATA_IN:cpol=1:cpha=1:bitorder=msb-first:"
                                          "wordsize=8"),
                           QStringLiteral("-A"), QLatin1String("spi=") + QLatin1String(annotation)});
        run.waitForFinished(60000);
        QByteArray words;
        for (const QByteArray &line : run.readAllStandardOutput().split('\n'))
            words += line.isEmpty() ? "" : QByteArray(1, char(line.split(' ').last().toInt(nullptr, 16)));
        return words;
    };
    QCOMPARE(decode("mosi-data").toHex(' '), mosi.toHex(' '));
    QByteArray replies = decode("miso-data");
    for (int i = 0; i < std::min(replies.size(), miso.size()); ++i)
        replies[i] = miso[i] == '?' ? '?' : replies[i]; // DATA_IN says nothing while the PC sends
    QCOMPARE(replies.toHex(' '), miso.toHex(' '));
}

void LineTraceTest::ringKeepsTheNewest_data()
{
    QTest::addColumn<int>("events");
    QTest::newRow("half full") << 50;
    QTest::newRow("just full") << 100;
    QTest::newRow("three and a half times round") << 350;
}

void LineTraceTest::ringKeepsTheNewest()
{
    QFETCH(int, events);
    LineTrace trace(100);
    std::int64_t now = 0;
    trace.setClock([&] { return now; });
    for (; now < 10 * events; now += 10)
        trace.dataOut(true);
    const int held = std::min(events, 100);
    QCOMPARE(trace.size(), held);
    QCOMPARE(trace.recorded(), std::uint64_t(events));
    const int oldest = events - held;
    for (int i = 0; i < held; ++i)
        QCOMPARE(trace.at(i).timeUs(), 10 * (oldest + i));
    // Found by time across the seam of the ring.
    for (int i : {0, held / 3, held - 1})
        QCOMPARE(trace.lowerBound(10 * (oldest + i) - 5), i);
    QCOMPARE(trace.lowerBound(10 * events), held);
}

void LineTraceTest::dumpHoldsWholeFramesAfterWrap_data()
{
    // Four handshakes (30 events out, 28 back) and five bits of a fifth make
    // 248 events; the ring's bound decides where the oldest kept one falls.
    QTest::addColumn<int>("capacity");
    QTest::newRow("oldest inside a request") << 180;
    QTest::newRow("oldest inside a reply") << 200;
    QTest::newRow("oldest between frames, after a dropped end") << 221;
}

void LineTraceTest::dumpHoldsWholeFramesAfterWrap()
{
    QFETCH(int, capacity);
    LineTrace trace(capacity);
    LinePlayer player(trace);
    for (int i = 0; i < 4; ++i)
        player.play(handshake);
    player.play(handshake[0], 5);

    const Sampled wire = sample(dumped(trace));
    QCOMPARE(wire.risesOutsideFrames, 0);
    QCOMPARE(wire.frameAtEnd, '0');
    QVERIFY(wire.out.size() >= 2);
    for (int f = 0; f < wire.out.size(); ++f) {
        const bool request = wire.out[f] == "\xAA";
        const bool reply = wire.out[f] == "\xFF" && wire.in[f] == "\x55";
        QVERIFY2(request || reply, qPrintable(wire.out[f].toHex() + '/' + wire.in[f].toHex()));
    }
}

void LineTraceTest::viewFollowsUntilZoomedOrPanned()
{
    LineTrace trace;
    LinePlayer player(trace);
    player.play(paramRead); // its reply ends in a 160 ms wait: the newest bit is well before the newest event
    WaveformView view;
    view.resize(800, 300);
    view.setTrace(&trace);
    QSignalSpy following(&view, &WaveformView::followingChanged);
    auto newestBitShown = [&] {
        std::int64_t fallUs = 0;
        for (int i = 0; i < trace.size(); ++i) {
            if (trace.at(i).kind() == LineEvent::Kind::Clock && !trace.at(i).level())
                fallUs = trace.at(i).timeUs();
        }
        return view.timeAt(view.width() / 2) < fallUs && fallUs < view.timeAt(view.width() - 1);
    };
    QVERIFY(newestBitShown());

    // The wheel zooms in around the pointer and ends the following.
    const QPoint pointer(300, 150);
    const double underPointerUs = view.timeAt(pointer.x());
    const double usPerPixel = view.usPerPixel();
    QWheelEvent wheel(pointer, view.mapToGlobal(pointer), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    QVERIFY(view.usPerPixel() < usPerPixel);
    QVERIFY(qAbs(view.timeAt(pointer.x()) - underPointerUs) <= view.usPerPixel());
    QCOMPARE(following.count(), 1);

    // New frames do not move the view; a drag does, by as much as the pointer.
    const double startUs = view.startUs();
    player.play(paramRead);
    view.refresh();
    QCOMPARE(view.startUs(), startUs);
    QVERIFY(!newestBitShown());
    QTest::mousePress(&view, Qt::LeftButton, {}, pointer);
    QTest::mouseMove(&view, pointer + QPoint(100, 0));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, pointer + QPoint(100, 0));
    QVERIFY(qAbs(view.startUs() - (startUs - 100 * view.usPerPixel())) < 1);

    QTest::keyClick(&view, Qt::Key_End);
    QCOMPARE(following.count(), 2);
    QVERIFY(newestBitShown());
}

QTEST_MAIN(LineTraceTest)
#include "tst_linetrace.moc"
