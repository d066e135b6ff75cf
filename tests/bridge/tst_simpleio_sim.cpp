// The simulated bridge library's pins as the detector sees them, which the
// link's own tests never vary: CLOCK (pin 2) and DATA_OUT (pin 3) reach it
// only while they are outputs, and pin 4 reads DATA_IN only while it is an
// input (an output reads its own latch).
#include <QtTest>

#include "link/simpleioapi.h"
#include "tests/support/testsupport.h"

class TestSimpleIoSim : public QObject
{
    Q_OBJECT

    testsupport::Simulator sim;
    SimpleIoApi io;

private slots:
    void initTestCase()
    {
        void *library = nullptr;
        QString detail;
        QCOMPARE(BridgeLoader::load(&library, &detail), BridgeLoader::Result::Loaded);
        QVERIFY(resolveSimpleIo(library, &io).isEmpty() && sim.load());
    }

    void handshakeByDirections_data()
    {
        QTest::addColumn<int>("directions"); // bit n set: pin n an input
        QTest::addColumn<int>("reply");
        QTest::addColumn<int>("framesHeard");
        QTest::newRow("as the link sets them") << 0xF0 << 0x55 << 1;
        QTest::newRow("CLOCK an input") << 0xF4 << 0xFF << 0;
        QTest::newRow("DATA_OUT an input") << 0xF8 << 0xFF << 0;
        QTest::newRow("DATA_IN an output, latched low") << 0xE0 << 0x00 << 1;
    }

    void handshakeByDirections()
    {
        QFETCH(int, directions);
        sim.reset();
        QVERIFY(io.ConfigureIO(quint8(directions)) && io.ClearPin(4));
        // The transmit and receive engines' pin calls for 0xAA and its reply, without the ticks.
        for (int bit = 7; bit >= 0; --bit)
            io.ClearPin(2), (0xAA >> bit & 1) ? io.SetPin(3) : io.ClearPin(3), io.SetPin(2);
        io.SetPin(3);
        unsigned reply = 0, level = 0;
        for (int bit = 7; bit >= 0; --bit)
            io.ClearPin(2), io.SetPin(2), io.ReadPin(4, &level), reply |= level << bit;
        QTEST(int(reply), "reply");
        QTEST(sim.frameCount(), "framesHeard");
    }
};

QTEST_GUILESS_MAIN(TestSimpleIoSim)
#include "tst_simpleio_sim.moc"
