// Guards the line trace: what it records of a real link's frames, its bound, its dump starting and ending between frames.
#include <QtTest>

#include <QBuffer>

#include "trace/linetrace.h"
#include "trace/linetracevcd.h"
#include "tests/link/linkfixture.h"

namespace {

// What a logic analyser reading the trace's dump samples at each rising
// CLOCK edge while FRAME is high: DATA_OUT and DATA_IN, eight bits to a byte.
struct Sampled {
    QVector<QByteArray> out, in;
    int risesOutsideFrames = 0;
    char frameAtEnd = '0';
};

Sampled sample(const LineTrace &trace)
{
    QBuffer dump;
    dump.open(QIODevice::WriteOnly);
    LineTraceVcd::write(trace, &dump);
    const QList<QByteArray> tokens = dump.data().simplified().split(' ');
    // Each wire by the initial of its name: 'C'LOCK, DATA_'O'UT, DATA_'I'N, 'F'RAME.
    QHash<QByteArray, char> wires;
    QHash<char, char> level{{'C', '1'}, {'O', '1'}, {'I', 'x'}, {'F', '0'}};
    Sampled s;
    int bits = 0, out = 0, in = 0;
    bool body = false;
    for (int i = 0; i < tokens.size(); ++i) {
        const QByteArray &t = tokens[i];
        if (!body && t == "$var" && i + 4 < tokens.size())
            wires[tokens[i + 3]] = tokens[i + 4] == "DATA_OUT" ? 'O' : tokens[i + 4] == "DATA_IN" ? 'I' : tokens[i + 4][0];
        body = body || t == "$enddefinitions";
        if (!body || t.startsWith('#') || t.startsWith('$'))
            continue;
        const char wire = wires.value(t.mid(1), '?');
        const bool rises = t[0] == '1' && level[wire] == '0';
        level[wire] = t[0];
        if (rises && wire == 'F') {
            s.out.append(QByteArray());
            s.in.append(QByteArray());
            bits = 0;
        } else if (rises && wire == 'C' && level['F'] != '1') {
            ++s.risesOutsideFrames;
        } else if (rises && wire == 'C') {
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

} // namespace

class LineTraceTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(sim.load()); }
    void init()
    {
        sim.reset();
        rig.start();
    }
    void cleanup() { rig.link.reset(); }
    void framesOnTheWire()
    {
        LineTrace trace;
        rig.link->setTrace(&trace);
        QVERIFY(rig.run("sendParamAA"));
        QVERIFY(rig.run("sendParamA3"));

        // Each request's bits on DATA_OUT and each reply's bits on DATA_IN, in
        // order, where a logic analyser samples them: at the rising edges.
        const Sampled wire = sample(trace);
        QCOMPARE(wire.risesOutsideFrames, 0);
        QCOMPARE(wire.out, (QVector<QByteArray>{"\xAA", "\xFF", "\xA3", QByteArray(6, '\xFF')}));
        QCOMPARE(wire.in.value(1), QByteArray("\x55"));
        QCOMPARE(wire.in.value(3), QByteArray("\x53\x00\x19\x07\x08\x06", 6));
        // Each frame's end names its engine and bytes; each byte of the reply is followed by its pause (".").
        QByteArray ends;
        for (int i = 0; i < trace.size(); ++i) {
            const LineEvent &e = trace.at(i);
            ends += e.kind() == LineEvent::Kind::Wait && e.waitMs() == 160 ? "." : "";
            for (int b = -1; e.kind() == LineEvent::Kind::FrameEnd && b < e.byteCount(); ++b)
                ends += b < 0 ? ' ' + QByteArray::number(int(e.engine())) + ':' : QByteArray(1, char(e.byte(b))).toHex();
        }
        QCOMPARE(ends, " 1:aa 2:55 3:a3...... 4:530019070806");
        // DATA_IN is read after the rising edge that follows the fall it is filed at.
        std::int64_t readUs = -1;
        for (int i = 0; i < trace.size(); ++i) {
            const LineEvent &e = trace.at(i);
            if (e.kind() == LineEvent::Kind::DataIn)
                readUs = e.timeUs() + e.readDelayUs();
            if (e.kind() == LineEvent::Kind::Clock && e.level() && readUs >= 0) {
                QVERIFY(readUs >= e.timeUs());
                readUs = -1;
            }
        }

        // Idling the pins drives DATA_OUT only once CLOCK has been driven.
        trace.clear();
        sim.failEntryPoint("SetPin", true);
        rig.link->idlePins();
        sim.failEntryPoint("SetPin", false);
        QCOMPARE(trace.size(), 1);
    }
    void ringKeepsTheNewest_data()
    {
        QTest::addColumn<int>("events");
        QTest::newRow("half full") << 50;
        QTest::newRow("three and a half times round") << 350;
    }
    void ringKeepsTheNewest()
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
        // Found by time, an event at the very time included, across the seam of the ring.
        for (int i : {0, held / 3, held - 1})
            QCOMPARE(trace.lowerBound(10 * (oldest + i)), i);
        QCOMPARE(trace.lowerBound(10 * events), held);
    }
    void dumpHoldsWholeFramesAfterWrap_data()
    {
        // A handshake leaves about sixty events; the ring's bound decides where
        // the oldest kept one falls among four of them.
        QTest::addColumn<int>("capacity");
        for (int capacity : {150, 170, 190, 210})
            QTest::newRow(qPrintable(QString::number(capacity))) << capacity;
    }
    void dumpHoldsWholeFramesAfterWrap()
    {
        QFETCH(int, capacity);
        LineTrace trace(capacity);
        rig.link->setTrace(&trace);
        for (int i = 0; i < 4; ++i)
            QVERIFY(rig.run("sendParamAA"));
        // A fifth handshake still on the line when the dump is made.
        QMetaObject::invokeMethod(rig.link.get(), "sendParamAA");
        QVERIFY(testsupport::waitUntil([&] { return rig.ticks() >= 4 * 33 + 10; }, 2000));

        const Sampled wire = sample(trace);
        QCOMPARE(wire.risesOutsideFrames, 0);
        QCOMPARE(wire.frameAtEnd, '0');
        QVERIFY(wire.out.size() >= 2);
        for (int f = 0; f < wire.out.size(); ++f) {
            const bool request = wire.out[f] == "\xAA";
            const bool reply = wire.out[f] == "\xFF" && wire.in[f] == "\x55";
            QVERIFY2(request || reply, qPrintable(wire.out[f].toHex() + '/' + wire.in[f].toHex()));
        }
        QVERIFY(rig.waitFree(5));
    }

private:
    testsupport::Simulator sim;
    LinkRig rig;
};

QTEST_GUILESS_MAIN(LineTraceTest)
#include "tst_linetrace.moc"
