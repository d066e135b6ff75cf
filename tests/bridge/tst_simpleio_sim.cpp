// The simulated bridge library as the program sees it: loaded from beside the
// test, its pins driven through the eight entry points, the detector behind
// them steered and inspected through the control interface.
#include <QtTest>

#include <dlfcn.h>
#include <functional>

#include "tests/support/testsupport.h"

using Call = std::function<bool()>;
Q_DECLARE_METATYPE(Call)

class TestSimpleIoSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void exchangeThroughPins_data();
    void exchangeThroughPins();
    void writesReachTheDetector();
    void failingEntryPoint_data();
    void failingEntryPoint();
    void libraryWithoutReadPin();

private:
    QByteArray exchange(const QByteArray &frame, int replyBytes);
    bool pin3High();

    testsupport::Simulator sim;
    void *library = nullptr;
    InitMCP2200Fn initMCP2200 = nullptr;
    IsConnectedFn isConnected = nullptr;
    ConfigureMCP2200Fn configureMCP2200 = nullptr;
    ConfigureIOFn configureIO = nullptr;
    SetPinFn setPin = nullptr;
    ClearPinFn clearPin = nullptr;
    ReadPinFn readPin = nullptr;
    fnSetBaudRateFn setBaudRate = nullptr;
};

static void *openBeside(const char *relative)
{
    const QString path = QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(relative);
    return dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
}

template <typename Fn> static void take(void *library, Fn &fn, const char *name)
{
    fn = reinterpret_cast<Fn>(dlsym(library, name));
    QVERIFY2(fn, name);
}

void TestSimpleIoSim::initTestCase()
{
    QVERIFY(sim.load());
    library = openBeside("libSimpleIO-UM.so");
    QVERIFY(library);
    take(library, initMCP2200, "InitMCP2200");
    take(library, isConnected, "IsConnected");
    take(library, configureMCP2200, "ConfigureMCP2200");
    take(library, configureIO, "ConfigureIO");
    take(library, setPin, "SetPin");
    take(library, clearPin, "ClearPin");
    take(library, readPin, "ReadPin");
    take(library, setBaudRate, "fnSetBaudRate");
}

void TestSimpleIoSim::init()
{
    sim.reset();
    initMCP2200(SIMPLEIO_VID, SIMPLEIO_PID);
}

// The PC's transmit and receive engines, without the ticks between calls.
QByteArray TestSimpleIoSim::exchange(const QByteArray &frame, int replyBytes)
{
    for (int i = 0; i < frame.size(); ++i) {
        if (i > 0)
            setPin(2); // the idle bit period: no edge
        for (int bit = 7; bit >= 0; --bit) {
            clearPin(2);
            (frame[i] >> bit & 1) ? setPin(3) : clearPin(3);
            setPin(2);
        }
    }
    setPin(2);
    setPin(3);
    setPin(2);
    QByteArray reply(replyBytes, 0);
    for (int i = 0; i < replyBytes; ++i) {
        for (int bit = 7; bit >= 0; --bit) {
            clearPin(2);
            setPin(2);
            unsigned value = 0;
            readPin(4, &value);
            if (value)
                reply[i] = char(reply[i] | (1 << bit));
        }
    }
    setPin(2);
    setPin(3);
    return reply;
}

bool TestSimpleIoSim::pin3High()
{
    unsigned value = 7;
    return readPin(3, &value) && value != 0;
}

void TestSimpleIoSim::exchangeThroughPins_data()
{
    QTest::addColumn<int>("ioMap");
    QTest::addColumn<bool>("viaConfigureMCP2200");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("framesHeard");

    const QByteArray aa = QByteArray::fromHex("aa");
    QTest::newRow("handshake") << 0xF0 << false << aa << QByteArray::fromHex("55") << 1;
    QTest::newRow("read of a block set from outside")
        << 0xF0 << false << QByteArray::fromHex("a3") << QByteArray::fromHex("53010a0f0005") << 1;
    QTest::newRow("directions by ConfigureMCP2200") << 0xF0 << true << aa << QByteArray::fromHex("55") << 1;
    QTest::newRow("CLOCK an input") << 0xF4 << false << aa << QByteArray::fromHex("ff") << 0;
    QTest::newRow("DATA_OUT an input") << 0xF8 << true << aa << QByteArray::fromHex("ff") << 0;
    QTest::newRow("DATA_IN an output") << 0xE0 << false << aa << QByteArray::fromHex("ff") << 1;
}

void TestSimpleIoSim::exchangeThroughPins()
{
    QFETCH(int, ioMap);
    QFETCH(bool, viaConfigureMCP2200);
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, reply);
    const unsigned char block[5] = {0x01, 0x0A, 0x0F, 0x00, 0x05};
    sim.setBlock(block);
    QVERIFY(configureIO(0xFF));
    QVERIFY(viaConfigureMCP2200 ? configureMCP2200(quint8(ioMap), 6000000, 0, 0, false, false, false)
                                : configureIO(quint8(ioMap)));
    QCOMPARE(exchange(frame, reply.size()).toHex(), reply.toHex());
    QTEST(sim.frameCount(), "framesHeard");
}

void TestSimpleIoSim::writesReachTheDetector()
{
    exchange(QByteArray::fromHex("a6012d0f0003"), 0);
    exchange(QByteArray::fromHex("a9"), 0);
    exchange(QByteArray::fromHex("a1180c1f"), 0);
    QCOMPARE(sim.block().toHex(), QByteArray("012d0f0003"));
    unsigned char date[3] = {};
    sim.getDate(date);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(date), 3).toHex(), QByteArray("180c1f"));
    const QVector<QByteArray> expected{QByteArray::fromHex("a6012d0f0003"), QByteArray::fromHex("a9"),
                                       QByteArray::fromHex("a1180c1f")};
    QCOMPARE(sim.frames(), expected);
    unsigned char firstTwo[2] = {};
    QCOMPARE(sim.frame(0, firstTwo, 2), 6);
    QCOMPARE(sim.frame(3, firstTwo, 2), -1);
}

void TestSimpleIoSim::failingEntryPoint_data()
{
    QTest::addColumn<bool>("pin3StartsHigh");
    QTest::addColumn<Call>("call"); // would change pin 3, unless it fails

    QTest::newRow("SetPin") << false << Call([this] { return setPin(3); });
    QTest::newRow("ClearPin") << true << Call([this] { return clearPin(3); });
    QTest::newRow("ConfigureIO") << false << Call([this] { return configureIO(0xF8); });
    QTest::newRow("ConfigureMCP2200")
        << false << Call([this] { return configureMCP2200(0xF8, 6000000, 0, 0, false, false, false); });
    QTest::newRow("ReadPin") << true << Call([this] {
        unsigned value = 42;
        return readPin(4, &value) || value != 42; // false only when failed and untouched
    });
    QTest::newRow("IsConnected") << true << Call([this] { return isConnected(); });
    QTest::newRow("fnSetBaudRate") << true << Call([this] { return setBaudRate(9600); });
}

void TestSimpleIoSim::failingEntryPoint()
{
    QFETCH(bool, pin3StartsHigh);
    QFETCH(Call, call);
    pin3StartsHigh ? setPin(3) : clearPin(3);
    sim.failEntryPoint(QTest::currentDataTag(), true);
    QVERIFY(!call());
    sim.failEntryPoint(QTest::currentDataTag(), false);
    QCOMPARE(pin3High(), pin3StartsHigh);
    QVERIFY(call());
}

void TestSimpleIoSim::libraryWithoutReadPin()
{
    void *partial = openBeside("missing-entry/libSimpleIO-UM.so");
    QVERIFY(partial);
    QVERIFY(partial != library);
    QVERIFY(dlsym(partial, "SetPin"));
    QVERIFY(!dlsym(partial, "ReadPin"));
}

QTEST_GUILESS_MAIN(TestSimpleIoSim)
#include "tst_simpleio_sim.moc"
