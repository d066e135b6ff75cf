// The USB driver against the emulated MCP2200: the reports each entry point
// sends, configuration by read-modify-write, reads that must not be answered
// from late reports, unplugging, and the words for a failed open.
#include <QtTest>

#include <functional>
#include <memory>

#include "bridge/simpleio.h"
#include "bridge/usb/diagnosis.h"
#include "bridge/usb/mcp2200driver.h"
#include "tests/usb/emulatedchip.h"

using namespace std::chrono_literals;
using mcp2200::Driver;
using Call = std::function<bool(Driver &)>;
Q_DECLARE_METATYPE(Call)
// A row's call on the driver; ReadPin reads into `value`.
#define CALL(expression) Call([](Driver &d) { [[maybe_unused]] unsigned value = 0; return d.expression; })

namespace {

// Reports written out by hand from the adapter's command table, without the
// zeros that end them.
QStringList reports(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *text : texts)
        out << QByteArray::fromHex(text).leftJustified(mcp2200::ReportSize, '\0').toHex(' ');
    return out;
}

const char ReadAll[] = "80";
// The fixture's outputs (GP2, GP3 high, GP0 low) set again after a CONFIGURE.
const char Restore[] = "08000000 00000000 0000000c 01";

} // namespace

class UsbDriverTest : public QObject
{
    Q_OBJECT

    sim::DetectorProtocol detector;
    usbemu::EmulatedChip chip{detector};
    std::chrono::steady_clock::time_point now;
    std::unique_ptr<Driver> driver;

    QStringList written() const
    {
        QStringList out;
        for (const mcp2200::Report &report : chip.written)
            out << QByteArray(reinterpret_cast<const char *>(report.data()), int(report.size())).toHex(' ');
        return out;
    }

private slots:
    void init()
    {
        // Distinct values in every stored byte, so that a configure that loses one shows.
        detector.reset();
        chip.reset({0xFF, 0x0C, 0x02, 0x20, 0x04, 0xE1});
        now = std::chrono::steady_clock::now();
        driver = std::make_unique<Driver>(chip, [this] { return now; });
        driver->init(SIMPLEIO_VID, SIMPLEIO_PID);
        QVERIFY(driver->status().empty() && driver->setPin(2) && driver->setPin(3) && driver->clearPin(0));
        chip.written.clear();
    }

    void reportsPerEntryPoint_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("SetPin 2") << CALL(setPin(2)) << true << reports({"08000000 00000000 00000004"});
        QTest::newRow("ClearPin 3") << CALL(clearPin(3)) << true << reports({"08000000 00000000 00000000 08"});
        QTest::newRow("SetPin 8 is no pin") << CALL(setPin(8)) << false << QStringList();
        QTest::newRow("ReadPin 4, idle high") << CALL(readPin(4, &value) && value == 1) << true << reports({ReadAll});
        QTest::newRow("IsConnected") << CALL(isConnected()) << true << reports({ReadAll});
        QTest::newRow("ConfigureIO new directions keep the other bytes")
            << CALL(configureIO(0xF0)) << true << reports({ReadAll, "10000000 f00c0220 04e1", Restore});
        QTest::newRow("ConfigureIO same directions") << CALL(configureIO(0xFF)) << true << reports({ReadAll});
        // 12 MHz / 6 MBd - 1 = 1.
        QTest::newRow("ConfigureMCP2200 0xF0 6 MBd")
            << CALL(configureMCP2200(0xF0, 6000000)) << true << reports({ReadAll, "10000000 f00c0220 0001", Restore});
        // 12 MHz / 200 Bd - 1 = 59999 = 0xEA5F.
        QTest::newRow("fnSetBaudRate 200")
            << CALL(setBaudRate(200)) << true << reports({ReadAll, "10000000 ff0c0220 ea5f", Restore});
        // 12 MHz / 100 Bd - 1 = 119999 does not fit 16 bits.
        QTest::newRow("fnSetBaudRate 100 too slow") << CALL(setBaudRate(100)) << false << QStringList();
    }

    void reportsPerEntryPoint()
    {
        QFETCH(Call, call);
        QTEST(call(*driver), "ok");
        QTEST(written(), "reports");
    }

    void lateRepliesFailAndAreNoPinLevel()
    {
        // The replies come, but four times later than the driver waits.
        chip.readAllReply = 4 * std::chrono::milliseconds(Driver::ReplyTimeoutMs);
        unsigned value = 7;
        QVERIFY(!driver->readPin(4, &value) && !driver->isConnected());
        // Both late replies, waiting by now, said DATA_IN was high; it is low
        // now, and the next read must say so.
        QTest::qSleep(5 * Driver::ReplyTimeoutMs);
        chip.readAllReply = 0us;
        detector.faults.dataInStuckLow = true;
        QVERIFY(driver->readPin(4, &value));
        QCOMPARE(value, 0u);
        QCOMPARE(chip.openAttempts, 1);
    }

    void unplugAndReplug()
    {
        chip.plug(false);
        QVERIFY(!driver->setPin(3) && !driver->status().empty());
        const int attempts = chip.openAttempts;
        // Pin calls on the 2 ms tick fail at once, without looking for the adapter.
        now += 100ms;
        unsigned value = 0;
        QVERIFY(!driver->clearPin(2) && !driver->readPin(4, &value));
        QCOMPARE(chip.openAttempts, attempts);
        now += Driver::ReopenInterval;
        QVERIFY(!driver->setPin(2));
        QCOMPARE(chip.openAttempts, attempts + 1);

        chip.plug(true);
        now += 100ms;
        QVERIFY(!driver->clearPin(3));
        now += Driver::ReopenInterval;
        QVERIFY(driver->setPin(2) && driver->status().empty());
        // The chip came back with its default outputs: the levels last asked
        // for while it was away (GP2 high, GP0 and GP3 low) are restored first.
        QCOMPARE(written(), reports({"08000000 00000000 00000004 09", "08000000 00000000 00000004"}));
    }

    void openFailureExplained_data()
    {
        QTest::addColumn<QString>("hidDriver"); // empty: no adapter on the bus
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("none found") << "" << true << QStringList{"No MCP2200 adapter (USB 04d8:00df) was found"};
        QTest::newRow("access denied") << "mcp2200" << false << QStringList{"/001/007)", "60-zorvel-mcp2200.rules"};
        QTest::newRow("GPIO driver") << "mcp2200" << true << QStringList{"has claimed", "modprobe -r hid_mcp2200"};
        QTest::newRow("generic HID") << "hid-generic" << true << QStringList{"could not be opened", "another program"};
    }

    void openFailureExplained()
    {
        QFETCH(QString, hidDriver);
        QFETCH(bool, accessible);
        QFETCH(QStringList, words);
        // A sysfs in miniature: a root hub, and the adapter with its serial
        // interface bound to cdc_acm and its HID interface to `hidDriver`.
        QTemporaryDir root;
        const QDir dir(root.path());
        // "path text" a file, "path @target" a symbolic link.
        QStringList entries{"devices/usb1/idVendor 1d6b", "devices/usb1/idProduct 0002"};
        if (!hidDriver.isEmpty())
            entries << "devices/1-2/idVendor 04d8" << "devices/1-2/idProduct 00df" << "devices/1-2/busnum 1"
                    << "devices/1-2/devnum 7" << "devices/1-2:1.0/bInterfaceNumber 00"
                    << "devices/1-2:1.0/tty/driver @drivers/cdc_acm" << "devices/1-2:1.2/bInterfaceNumber 02"
                    << "devices/1-2:1.2/0003:04D8:00DF.0001/driver @drivers/" + hidDriver;
        if (hidDriver == "mcp2200")
            entries << "drivers/mcp2200/module @module/hid_mcp2200";
        for (const QString &entry : entries) {
            const QString path = dir.filePath(entry.section(' ', 0, 0)), text = entry.section(' ', 1);
            QFile file(path);
            QVERIFY(dir.mkpath(QFileInfo(path).path()));
            if (text.startsWith('@'))
                QVERIFY(dir.mkpath(text.mid(1)) && QFile::link(dir.filePath(text.mid(1)), path));
            else
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toLatin1() + "\n") > 0);
        }
        const mcp2200::SystemPaths paths{dir.filePath("devices").toStdString(), dir.filePath("nodes").toStdString(),
                                         [accessible](const std::string &) { return accessible; }};
        const QString said = QString::fromStdString(
            mcp2200::explainOpenFailure(SIMPLEIO_VID, SIMPLEIO_PID, !hidDriver.isEmpty(), {}, paths));
        for (const QString &word : words)
            QVERIFY2(said.contains(word), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(UsbDriverTest)
#include "tst_usbdriver.moc"
