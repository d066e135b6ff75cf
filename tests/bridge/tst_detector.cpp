// The simulated detector: its command decoder, and its line front end driven
// edge by edge with made-up times, in the order the PC's engines drive it.
// Every expected byte is worked by hand from the command table.
#include <QtTest>

#include <functional>

#include "bridge/simulator/detector.h"

using FaultSetup = std::function<void(sim::Faults &)>;
Q_DECLARE_METATYPE(FaultSetup)

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray fromVector(const std::vector<std::uint8_t> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
}

QByteArrayList framesOf(const sim::DetectorProtocol &detector)
{
    QByteArrayList all;
    for (const auto &frame : detector.frames)
        all << fromVector(frame);
    return all;
}

const FaultSetup NoFaults = [](sim::Faults &) {};

// What the PC does to the pins, tick by tick (2 ms). Steps of a script:
// "tx AA.." a transmit engine's frame, "raw 0000A3" the console's raw frame
// and its 4 ms spin, "rx N" a receive of N bytes with 160 ms after each,
// "cut AA 5" the first 5 bits of a byte and then nothing, "wait MS".
class Pc
{
public:
    explicit Pc(sim::DetectorLine &line) : line_(line) {}

    QByteArray run(const QStringList &script)
    {
        QByteArray received;
        for (const QString &step : script) {
            const QStringList word = step.split(QLatin1Char(' '));
            const QByteArray bytes = QByteArray::fromHex(word.value(1).toLatin1());
            if (word[0] == QLatin1String("tx"))
                transmit(bytes);
            else if (word[0] == QLatin1String("raw"))
                consoleFrame(bytes);
            else if (word[0] == QLatin1String("rx"))
                received += receive(word[1].toInt());
            else if (word[0] == QLatin1String("cut"))
                for (int bit = 7; bit > 7 - word[2].toInt(); --bit)
                    sendBit(bytes[0] >> bit & 1);
            else if (word[0] == QLatin1String("wait"))
                now_ += 1000 * word[1].toULongLong();
        }
        return received;
    }

private:
    void tick() { now_ += 2000; }
    void clock(bool level) { line_.setClock(level, now_); }
    void data(bool level) { line_.setDataOut(level, now_); }

    // Tick A lowers CLOCK and then sets DATA_OUT; tick B raises CLOCK.
    void sendBit(bool bit)
    {
        tick();
        clock(false);
        data(bit);
        tick();
        clock(true);
    }

    // After each byte but the last, a tick that drives nothing and a rise of
    // the already-high clock; then the tick that ends the frame, the idle
    // calls and the 4 ms settle.
    void transmit(const QByteArray &frame)
    {
        for (int i = 0; i < frame.size(); ++i) {
            if (i > 0) {
                tick();
                tick();
                clock(true);
            }
            for (int bit = 7; bit >= 0; --bit)
                sendBit(frame[i] >> bit & 1);
        }
        tick();
        idle();
        now_ += 4000;
    }

    // DATA_OUT first, then the falling edge; no idle bit between bytes; the
    // last bit's rise comes in the tick that ends the frame.
    void consoleFrame(const QByteArray &frame)
    {
        for (int i = 0; i < frame.size(); ++i) {
            for (int bit = 7; bit >= 0; --bit) {
                tick();
                data(frame[i] >> bit & 1);
                clock(false);
                if (i < frame.size() - 1 || bit > 0)
                    tick();
                clock(true);
            }
        }
        now_ += 4000;
    }

    QByteArray receive(int count)
    {
        QByteArray bytes(count, 0);
        for (int i = 0; i < count; ++i) {
            for (int bit = 7; bit >= 0; --bit) {
                tick();
                clock(false);
                tick();
                clock(true);
                if (line_.dataIn())
                    bytes[i] = char(bytes[i] | (1 << bit));
            }
            now_ += 160000;
        }
        idle();
        return bytes;
    }

    void idle()
    {
        clock(true);
        data(true);
        clock(true);
    }

    sim::DetectorLine &line_;
    std::uint64_t now_ = 5000000;
};

} // namespace

class TestDetector : public QObject
{
    Q_OBJECT

private slots:
    void decoder_data();
    void decoder();
    void line_data();
    void line();
};

void TestDetector::decoder_data()
{
    QTest::addColumn<FaultSetup>("faults");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("replies"); // all replies, back to back
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QByteArrayList>("frames");

    const QByteArray factory = hex("0019070806"); // flag 0, 25°, ranges 7, 8, 6
    QTest::newRow("handshake") << NoFaults << hex("aa") << hex("55") << factory << QByteArrayList{hex("aa")};
    QTest::newRow("read") << NoFaults << hex("a3") << hex("530019070806") << factory << QByteArrayList{hex("a3")};
    QTest::newRow("write, commit, read")
        << NoFaults << hex("a6012d0f0003a9a3") << hex("53012d0f0003") << hex("012d0f0003")
        << QByteArrayList{hex("a6012d0f0003"), hex("a9"), hex("a3")};
    QTest::newRow("data bytes that spell commands")
        << NoFaults << hex("a6aaa3a9a6a1a9a3") << hex("53aaa3a9a6a1") << hex("aaa3a9a6a1")
        << QByteArrayList{hex("a6aaa3a9a6a1"), hex("a9"), hex("a3")};
    QTest::newRow("write never committed")
        << NoFaults << hex("a6012d0f0003a3") << hex("530019070806") << factory
        << QByteArrayList{hex("a6012d0f0003"), hex("a3")};
    QTest::newRow("commit with nothing held") << NoFaults << hex("a9a3") << hex("530019070806") << factory
                                              << QByteArrayList{hex("a9"), hex("a3")};
    QTest::newRow("writes ignored")
        << FaultSetup([](sim::Faults &f) { f.writesIgnored = true; }) << hex("a6012d0f0003a9") << QByteArray()
        << factory << QByteArrayList{hex("a6012d0f0003"), hex("a9")};
    QTest::newRow("date set and read") << NoFaults << hex("a1aaa3a2a2") << hex("aaa3a2 03010000") << factory
                                       << QByteArrayList{hex("a1aaa3a2"), hex("a2")};
    QTest::newRow("date at power-on") << NoFaults << hex("a2") << hex("180305 03010000") << factory
                                      << QByteArrayList{hex("a2")};
    QTest::newRow("unknown bytes") << NoFaults << hex("00ff5553a0abaa") << hex("55") << factory
                                   << QByteArrayList{hex("aa")};
    QTest::newRow("silent, but obeys")
        << FaultSetup([](sim::Faults &f) { f.silent = true; }) << hex("aaa3a6012d0f0003a9") << QByteArray()
        << hex("012d0f0003") << QByteArrayList{hex("aa"), hex("a3"), hex("a6012d0f0003"), hex("a9")};
    QTest::newRow("handshake answered 0x54")
        << FaultSetup([](sim::Faults &f) { f.handshakeReply = 0x54; }) << hex("aa") << hex("54") << factory
        << QByteArrayList{hex("aa")};
    QTest::newRow("first bit flipped once")
        << FaultSetup([](sim::Faults &f) { f.flipNextReplyBit = 0; }) << hex("aaaa") << hex("d555") << factory
        << QByteArrayList{hex("aa"), hex("aa")};
    QTest::newRow("last bit of a read flipped")
        << FaultSetup([](sim::Faults &f) { f.flipNextReplyBit = 47; }) << hex("a3") << hex("530019070807")
        << factory << QByteArrayList{hex("a3")};
}

void TestDetector::decoder()
{
    QFETCH(FaultSetup, faults);
    QFETCH(QByteArray, input);
    sim::DetectorProtocol detector;
    faults(detector.faults);
    QByteArray replies;
    for (const char byte : input)
        replies += fromVector(detector.onByte(std::uint8_t(byte)));
    QTEST(replies, "replies");
    QTEST(fromVector(std::vector<std::uint8_t>(detector.block.begin(), detector.block.end())), "block");
    QTEST(framesOf(detector), "frames");
}

void TestDetector::line_data()
{
    QTest::addColumn<FaultSetup>("faults");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArrayList>("frames");

    const QByteArray factoryReply = hex("530019070806");
    QTest::newRow("handshake") << NoFaults << QStringList{"tx aa", "rx 1"} << hex("55") << QByteArrayList{hex("aa")};
    QTest::newRow("read, 160 ms between reply bytes")
        << NoFaults << QStringList{"tx a3", "rx 6"} << factoryReply << QByteArrayList{hex("a3")};
    QTest::newRow("write with idle bits, commit, read back")
        << NoFaults << QStringList{"tx a6012d0f0003", "tx a9", "wait 500", "tx a3", "rx 6"} << hex("53012d0f0003")
        << QByteArrayList{hex("a6012d0f0003"), hex("a9"), hex("a3")};
    QTest::newRow("date set and read") << NoFaults << QStringList{"tx a1180c1f", "tx a2", "rx 7"}
                                       << hex("180c1f03010000") << QByteArrayList{hex("a1180c1f"), hex("a2")};
    QTest::newRow("console raw frame, request last")
        << NoFaults << QStringList{"raw 0000a3", "rx 6"} << factoryReply << QByteArrayList{hex("a3")};
    QTest::newRow("byte abandoned mid-way, then a handshake")
        << NoFaults << QStringList{"cut aa 5", "wait 40", "tx aa", "rx 1"} << hex("55") << QByteArrayList{hex("aa")};
    QTest::newRow("write abandoned after two bytes, then a read")
        << NoFaults << QStringList{"tx a601", "wait 100", "tx a3", "rx 6"} << factoryReply
        << QByteArrayList{hex("a3")};
    QTest::newRow("reply nobody clocks, then a handshake")
        << NoFaults << QStringList{"tx a3", "wait 500", "tx aa", "rx 1"} << hex("55")
        << QByteArrayList{hex("a3"), hex("aa")};
    QTest::newRow("receive without request") << NoFaults << QStringList{"rx 6", "tx aa", "rx 1"}
                                             << hex("ffffffffffff55") << QByteArrayList{hex("aa")};
    QTest::newRow("DATA_IN stuck low") << FaultSetup([](sim::Faults &f) { f.dataInStuckLow = true; })
                                       << QStringList{"tx aa", "rx 1"} << hex("00") << QByteArrayList{hex("aa")};
    QTest::newRow("silent") << FaultSetup([](sim::Faults &f) { f.silent = true; }) << QStringList{"tx aa", "rx 1"}
                            << hex("ff") << QByteArrayList{hex("aa")};
}

void TestDetector::line()
{
    QFETCH(FaultSetup, faults);
    QFETCH(QStringList, script);
    sim::DetectorProtocol detector;
    faults(detector.faults);
    sim::DetectorLine line(detector);
    Pc pc(line);
    QTEST(pc.run(script), "received");
    QTEST(framesOf(detector), "frames");
    QVERIFY(!line.talking());
    QCOMPARE(line.dataIn(), !detector.faults.dataInStuckLow);
}

QTEST_GUILESS_MAIN(TestDetector)
#include "tst_detector.moc"
