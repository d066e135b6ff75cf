// Guards the USB driver against the MCP2200's ways: the bytes of every report, configuring through the chip's reset, replies late, short or missing, unplugging, and the words for an adapter that will not open.
#include <QtTest>

#include <functional>
#include <memory>

#include "bridge/simpleio.h"
#include "bridge/usb/diagnosis.h"
#include "bridge/usb/mcp2200driver.h"
#include "tests/usb/emulatedchip.h"

using namespace std::chrono_literals;
using mcp2200::Driver;
using Case = std::function<bool()>;
Q_DECLARE_METATYPE(Case)
// A row's calls on the driver `d` and the chip; `v` takes what ReadPin reads.
#define CASE(...) Case([this] { [[maybe_unused]] unsigned v = 0; Driver &d = *driver; __VA_ARGS__; })

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

private slots:
    void init()
    {
        // GP0..GP3 outputs, and distinct values in every stored byte, so that a configure that loses one shows.
        detector.reset();
        chip.reset({0xF0, 0x0C, 0x02, 0x20, 0x04, 0xE1});
        now = std::chrono::steady_clock::now();
        driver = std::make_unique<Driver>(chip, [this] { return now; });
        driver->init(SIMPLEIO_VID, SIMPLEIO_PID);
        QVERIFY(driver->setPin(2) && driver->setPin(3) && driver->clearPin(0) && driver->takeStatus().empty());
        chip.written.clear();
    }

    void reportsPerCall_data()
    {
        QTest::addColumn<Case>("call");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QString>("said"); // once in the status that follows, or nothing said
        QTest::newRow("SetPin 2") << CASE(return d.setPin(2)) << true << reports({"08000000 00000000 00000004"}) << "";
        QTest::newRow("ClearPin 3") << CASE(return d.clearPin(3)) << true << reports({"08000000 00000000 00000000 08"})
                                    << "";
        QTest::newRow("ReadPin GP4 high, GP0 low")
            << CASE(return d.readPin(4, &v) && v == 1 && d.readPin(0, &v) && v == 0) << true
            << reports({ReadAll, ReadAll}) << "";
        QTest::newRow("SetPin 8 is no pin") << CASE(return d.setPin(8)) << false << QStringList() << "";
        // Read, change the directions, keep the rest but the line's idle levels (GP2, GP3 high),
        // wait out the reset, read back, restore the outputs, check them; the second call finds nothing to change.
        QTest::newRow("ConfigureIO twice")
            << CASE(return d.configureIO(0xE0) && d.configureIO(0xE0)) << true
            << reports({ReadAll, "10000000 e00c0e20 04e1", ReadAll, Restore, ReadAll, ReadAll}) << "";
        // 12 MHz / 300 Bd - 1 = 39999 = 0x9C3F; 12 MHz / 1 MBd - 1 = 11.
        QTest::newRow("fnSetBaudRate 300") << CASE(return d.setBaudRate(300)) << true
                                           << reports({ReadAll, "10000000 f00c0e20 9c3f", ReadAll, Restore, ReadAll})
                                           << "";
        QTest::newRow("fnSetBaudRate 1 MBd")
            << CASE(return d.setBaudRate(1000000)) << true
            << reports({ReadAll, "10000000 f00c0e20 000b", ReadAll, Restore, ReadAll}) << "";
        QTest::newRow("fnSetBaudRate 200 refused") << CASE(return d.setBaudRate(200)) << false << QStringList()
                                                   << "200 Bd";
        // The start-up's 6 MBd is beyond the UART: the directions go in, the stored rate stays, said once.
        QTest::newRow("ConfigureMCP2200 6 MBd twice")
            << CASE(return d.configureMCP2200(0xE0, 6000000) && d.configureMCP2200(0xE0, 6000000)) << true
            << reports({ReadAll, "10000000 e00c0e20 04e1", ReadAll, Restore, ReadAll, ReadAll}) << "6000000 Bd";
    }

    void reportsPerCall()
    {
        QFETCH(Case, call);
        QFETCH(QStringList, reports);
        QFETCH(QString, said);
        QTEST(call(), "ok");
        QStringList written;
        for (const mcp2200::Report &report : chip.written)
            written << QByteArray(reinterpret_cast<const char *>(report.data()), int(report.size())).toHex(' ');
        QCOMPARE(written, reports);
        const QString status = QString::fromStdString(driver->takeStatus());
        QVERIFY2(said.isEmpty() ? status.isEmpty() : status.count(said) == 1, qPrintable(status));
    }

    void chipHabits_data()
    {
        QTest::addColumn<Case>("call");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("outputs"); // the chip's output latches after the call
        QTest::addColumn<QString>("said");
        QTest::newRow("CONFIGURE resets the chip for 40 ms")
            << CASE(chip.resetTime = 40ms; return d.clearPin(2) && d.configureIO(0xE0)) << true << 0x0A << "";
        QTest::newRow("memory keeps its old bytes")
            << CASE(chip.memoryStuck = true; return d.configureIO(0xE0)) << false << 0x0E << "did not keep";
        QTest::newRow("outputs stay at their defaults")
            << CASE(chip.outputsStuck = true; return d.clearPin(2) && d.configureIO(0xE0)) << false << 0x0E << "plug";
        // GP2 read high by a request that timed out, low by the next one.
        QTest::newRow("reply later than the timeout") << CASE(chip.readAllReply = 75ms; const bool late = d.readPin(2, &v);
                                                              chip.readAllReply = 0us;
                                                              return !late && d.clearPin(2) && d.readPin(2, &v) && v == 0)
                                                      << true << 0x0A << "";
        QTest::newRow("short reply") << CASE(chip.replyLength = 10; return d.readPin(4, &v)) << false << 0x0E << "";
        // Three reads unanswered: lost, looked for again at once, and then not for ReopenInterval.
        QTest::newRow("chip stops answering")
            << CASE(chip.mute = true; return !d.readPin(4, &v) && !d.readPin(4, &v) && !d.readPin(4, &v)
                    && !d.setPin(2) && chip.openAttempts == 2 && !d.setPin(2) && chip.openAttempts == 2)
            << true << 0x0E << "does not answer";
        // Pin calls every 2 ms fail at once while unplugged, and look for the adapter every ReopenInterval; the
        // chip comes back at its defaults (GP1 high), and the levels asked for meanwhile are restored.
        QTest::newRow("unplugged and plugged in again")
            << CASE(chip.plug(false); const bool lost = !d.setPin(3) && !d.takeStatus().empty(); now += 100ms;
                    const bool quiet = !d.clearPin(0) && !d.readPin(4, &v) && chip.openAttempts == 1;
                    now += Driver::ReopenInterval; const bool sought = !d.clearPin(2) && chip.openAttempts == 2;
                    chip.plug(true); now += Driver::ReopenInterval;
                    return lost && quiet && sought && d.setPin(1) && chip.openAttempts == 3)
            << true << 0x0A << "";
    }

    void chipHabits()
    {
        QFETCH(Case, call);
        QFETCH(QString, said);
        QTEST(call(), "ok");
        QTEST(int(chip.outputs()), "outputs");
        const QString status = QString::fromStdString(driver->takeStatus());
        QVERIFY2(said.isEmpty() ? status.isEmpty() : status.contains(said), qPrintable(status));
    }

    void openFailureExplained_data()
    {
        QTest::addColumn<bool>("plugged");
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QString>("said");
        QTest::newRow("none found") << false << true << "No MCP2200 adapter (USB 04d8:00df) was found";
        QTest::newRow("access denied") << true << false << "/001/007). Install the udev rule 60-zorvel";
        // hidapi's libusb flavour detaches the kernel's GPIO driver itself: its being bound is no reason.
        QTest::newRow("GPIO driver bound") << true << true << "could not be opened (LIBUSB_ERROR_BUSY)";
    }

    void openFailureExplained()
    {
        QFETCH(bool, plugged);
        QFETCH(bool, accessible);
        QFETCH(QString, said);
        // A sysfs in miniature: a root hub, and the adapter with the kernel's MCP2200 driver on its HID interface.
        QTemporaryDir root;
        const QDir dir(root.path());
        QStringList files{"devices/usb1/idVendor 1d6b", "devices/usb1/idProduct 0002"};
        if (plugged)
            files << "devices/1-2/idVendor 04d8" << "devices/1-2/idProduct 00df" << "devices/1-2/busnum 1"
                  << "devices/1-2/devnum 7" << "devices/1-2:1.2/bInterfaceNumber 02";
        for (const QString &entry : files) {
            QFile file(dir.filePath(entry.section(' ', 0, 0)));
            QVERIFY(dir.mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
            file.write(entry.section(' ', 1).toLatin1() + "\n");
        }
        QVERIFY(dir.mkpath("drivers/mcp2200") && dir.mkpath("module/hid_mcp2200") && dir.mkpath("devices/1-2:1.2/h"));
        QVERIFY(QFile::link(dir.filePath("drivers/mcp2200"), dir.filePath("devices/1-2:1.2/h/driver"))
                && QFile::link(dir.filePath("module/hid_mcp2200"), dir.filePath("drivers/mcp2200/module")));
        const mcp2200::SystemPaths paths{dir.filePath("devices").toStdString(), dir.filePath("nodes").toStdString(),
                                         [accessible](const std::string &) { return accessible; }};
        const QString text = QString::fromStdString(
            mcp2200::explainOpenFailure(SIMPLEIO_VID, SIMPLEIO_PID, plugged, "LIBUSB_ERROR_BUSY", paths));
        QVERIFY2(text.contains(said), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(UsbDriverTest)
#include "tst_usbdriver.moc"
