// The simulated detector: its command decoder fed whole bytes, and its line front end driven edge by edge.
#include <QtTest>

#include "bridge/simulator/detector.h"

namespace {

const char Factory[] = "0019070806"; // flag 0, 25°, ranges 7, 8, 6

template <class Bytes> QByteArray bytesOf(const Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
}

void row(const char *name, std::initializer_list<const char *> cells)
{
    QTestData &data = QTest::newRow(name);
    for (const char *cell : cells)
        data << QByteArray(cell);
}

// Steps, ';' between them. A fault first: "silent". "in A6.." hands bytes
// straight to the decoder, its replies are what is received. At the pins, 2 ms
// a tick: "tx A6.." a transmit engine's frame, "rx N" a receive of N bytes
// with 160 ms after each, "wait MS".
QByteArray run(sim::DetectorProtocol &detector, sim::DetectorLine &line, const QByteArray &script)
{
    std::uint64_t now = 5000000;
    const auto clock = [&](bool level) { line.setClock(level, now); };
    const auto data = [&](bool level) { line.setDataOut(level, now); };
    const auto idle = [&] { clock(true), data(true), clock(true); };
    QByteArray received;
    for (const QByteArray &step : script.split(';')) {
        const QList<QByteArray> word = step.trimmed().split(' ');
        const QByteArray bytes = QByteArray::fromHex(step.mid(step.indexOf(' ') + 1));
        const bool tx = word[0] == "tx", rx = word[0] == "rx";
        detector.faults.silent |= word[0] == "silent";
        for (int i = 0; word[0] == "in" && i < bytes.size(); ++i)
            received += bytesOf(detector.onByte(std::uint8_t(bytes[i])));

        for (int i = 0; tx && i < bytes.size() * 8; ++i) {
            // The idle bit between bytes drives nothing but a rise of the high clock.
            if (i > 0 && i % 8 == 0)
                now += 4000, clock(true);
            now += 2000, clock(false), data(bytes[i / 8] >> (7 - i % 8) & 1), now += 2000, clock(true);
        }
        if (tx)
            now += 2000, idle();
        now += tx ? 4000 : word[0] == "wait" ? 1000 * word[1].toInt() : 0;
        for (int i = 0; rx && i < word[1].toInt() * 8; ++i) {
            if (i % 8 == 0)
                received += '\0';
            now += 2000, clock(false), now += 2000, clock(true);
            received.back() = char(received.back() | line.dataIn() << (7 - i % 8));
            now += i % 8 == 7 ? 160000 : 0;
        }
        if (rx)
            idle();
    }
    return received.toHex();
}

} // namespace

class TestDetector : public QObject
{
    Q_OBJECT

    void columns()
    {
        for (const char *name : {"script", "received", "block", "frames"})
            QTest::addColumn<QByteArray>(name);
    }

    void exchange()
    {
        QFETCH(QByteArray, script);
        QFETCH(QByteArray, received);
        sim::DetectorProtocol detector;
        sim::DetectorLine line(detector);
        QCOMPARE(run(detector, line, script), QByteArray::fromHex(received).toHex());
        QTEST(bytesOf(detector.block).toHex(), "block");
        QByteArrayList frames;
        for (const auto &frame : detector.frames)
            frames << bytesOf(frame).toHex();
        QTEST(frames.join(' '), "frames");
        QVERIFY(!line.talking() && line.dataIn());
    }

private slots:
    void decoder_data()
    {
        columns();
        row("data bytes that spell commands", {"in a6aaa3a9a6a1 a9 a3", "53aaa3a9a6a1", "aaa3a9a6a1",
                                               "a6aaa3a9a6a1 a9 a3"});
        row("date of bytes that spell commands", {"in a1aaa3a2 a2", "aaa3a2 03010000", Factory, "a1aaa3a2 a2"});
        row("commit with nothing held", {"in a9 a3", "530019070806", Factory, "a9 a3"});
        row("unknown bytes", {"in 00ff5553a0ab aa", "55", Factory, "aa"});
        row("silent, but obeys", {"silent; in aa a3 a6012d0f0003 a9", "", "012d0f0003", "aa a3 a6012d0f0003 a9"});
    }
    void decoder() { exchange(); }

    void line_data()
    {
        // A whole write, and a byte abandoned mid-way, are the link's tests on this detector.
        columns();
        row("write abandoned after two bytes, then a read", {"tx a601; wait 200; tx a3; rx 6", "530019070806",
                                                             Factory, "a3"});
        row("reply nobody clocks, then a handshake", {"tx a3; wait 500; tx aa; rx 1", "55", Factory, "a3 aa"});
    }
    void line() { exchange(); }
};

QTEST_GUILESS_MAIN(TestDetector)
#include "tst_detector.moc"
