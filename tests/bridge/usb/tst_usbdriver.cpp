// Guards the USB driver on the emulated MCP2200: report bytes, its reset, late or lost replies, unplugs, failed opens.
#include <QtTest>

#include <functional>
#include <memory>

#include "bridge/simpleio.h"
#include "bridge/usb/diagnosis.h"
#include "bridge/usb/mcp2200driver.h"
#include "tests/bridge/usb/emulatedchip.h"

using namespace std::chrono_literals;
using mcp2200::Driver;
using Case = std::function<bool()>;
Q_DECLARE_METATYPE(Case)
// A row's calls on the driver `d` and the `chip`; `v` takes what ReadPin reads.
#define CASE(...) Case([this] { [[maybe_unused]] unsigned v = 0; Driver &d = *driver; __VA_ARGS__; })

namespace {

// Reports written out by hand from the adapter's command table, without the
// zeros that end them; "*" leaves them unchecked.
QStringList reports(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *text : texts)
        out << (*text == '*' ? "*" : QByteArray::fromHex(text).leftJustified(mcp2200::ReportSize, '\0').toHex(' '));
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
    std::unique_ptr<usbemu::EmulatedChip> chip;
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    std::unique_ptr<Driver> driver;

private slots:
    void init()
    {
        // GP0..GP3 outputs, and distinct values in every stored byte, so that a configure that loses one shows.
        detector.reset();
        chip = std::make_unique<usbemu::EmulatedChip>(detector,
                                                      std::array<std::uint8_t, 6>{0xF0, 0x0C, 0x02, 0x20, 0x04, 0xE1});
        driver = std::make_unique<Driver>(*chip, [this] { return now; });
        driver->init(SIMPLEIO_VID, SIMPLEIO_PID);
        QVERIFY(driver->setPin(2) && driver->setPin(3) && driver->clearPin(0) && driver->takeStatus().empty());
        chip->written.clear();
    }

    void calls_data()
    {
        QTest::addColumn<Case>("call");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QStringList>("said"); // each once in the status that follows; none: nothing said
        QTest::newRow("pins")
            << CASE(return !d.setPin(8) && d.setPin(2) && d.clearPin(3) && d.readPin(4, &v) && v == 1
                    && d.readPin(0, &v) && v == 0)
            << true << reports({"08000000 00000000 00000004", "08000000 00000000 00000000 08", ReadAll, ReadAll})
            << QStringList();
        // 12 MHz / 300 Bd - 1 = 39999 = 0x9C3F; 12 MHz / 1 MBd - 1 = 11; 200 Bd is below the UART.
        QTest::newRow("fnSetBaudRate")
            << CASE(return !d.setBaudRate(200) && d.setBaudRate(300) && d.setBaudRate(1000000)) << true
            << reports({ReadAll, "10000000 f00c0e20 9c3f", ReadAll, Restore, ReadAll, ReadAll, "10000000 f00c0e20 000b",
                        ReadAll, Restore, ReadAll})
            << QStringList{"200 Bd"};
        // Read, change the directions, keep the rest but for the line's idle levels (GP2, GP3 high), wait out
        // the reset, read back, restore the outputs, check them; then nothing is left to change. The start-up's
        // 6 MBd is beyond the UART: the directions go in, the stored rate stays, and that is said once.
        QTest::newRow("ConfigureMCP2200 6 MBd, ConfigureIO, again")
            << CASE(return d.configureMCP2200(0xE0, 6000000) && d.configureIO(0xE0) && d.configureMCP2200(0xE0, 6000000))
            << true << reports({ReadAll, "10000000 e00c0e20 04e1", ReadAll, Restore, ReadAll, ReadAll, ReadAll})
            << QStringList{"6000000 Bd"};
        QTest::newRow("CONFIGURE resets the chip for 40 ms")
            << CASE(chip->resetTime = 40ms; return d.clearPin(2) && d.configureIO(0xE0) && chip->latches == 0x0A)
            << true << reports({"*"}) << QStringList();
        QTest::newRow("CONFIGURE leaves the chip broken")
            << CASE(chip->broken = true; return d.clearPin(2) && d.configureIO(0xE0)) << false
            << reports({"08000000 00000000 00000000 04", ReadAll, "10000000 e00c0e20 04e1", ReadAll,
                        "08000000 00000000 00000008 05", ReadAll}) << QStringList{"did not keep", "Unplug"};
        // GP2 read high by a request that timed out, low by the next one.
        QTest::newRow("reply later than the timeout")
            << CASE(chip->readAllReply = 75ms; const bool late = d.readPin(2, &v); chip->readAllReply = 0us;
                    return !late && d.clearPin(2) && d.readPin(2, &v) && v == 0)
            << true << reports({ReadAll, "08000000 00000000 00000000 04", ReadAll}) << QStringList();
        // Cut short, or echoing READ_EE (0x20) instead of READ_ALL: no chip state.
        QTest::newRow("bad replies")
            << CASE(chip->replyLength = 10; const bool cut = d.readPin(4, &v); chip->replyLength = 16; chip->echo = 0x20;
                    return cut || d.readPin(4, &v))
            << false << reports({ReadAll, ReadAll}) << QStringList();
        // Three reads unanswered: lost, looked for again at once, and then not for ReopenInterval.
        QTest::newRow("chip stops answering")
            << CASE(chip->mute = true; return !d.readPin(4, &v) && !d.readPin(4, &v) && !d.readPin(4, &v)
                    && !d.setPin(2) && chip->openAttempts == 2 && !d.setPin(2) && chip->openAttempts == 2)
            << true << reports({ReadAll, ReadAll, ReadAll, ReadAll}) << QStringList{"does not answer"};
        // Pin calls every 2 ms fail at once while unplugged, and look for the adapter every ReopenInterval;
        // plugged in again, it answers, and the levels asked for meanwhile come back before GP1's.
        QTest::newRow("unplugged and plugged in again")
            << CASE(chip->plug(false); const bool lost = !d.setPin(3) && !d.takeStatus().empty(); now += 100ms;
                    const bool quiet = !d.clearPin(0) && !d.readPin(4, &v) && chip->openAttempts == 1;
                    now += Driver::ReopenInterval; const bool sought = !d.clearPin(2) && chip->openAttempts == 2;
                    chip->plug(true); now += Driver::ReopenInterval; return lost && quiet && sought && d.setPin(1))
            << true << reports({ReadAll, "08000000 00000000 0000000a 05", "08000000 00000000 00000002"})
            << QStringList();
    }

    void calls()
    {
        QFETCH(Case, call);
        QFETCH(QStringList, reports);
        QFETCH(QStringList, said);
        QTEST(call(), "ok");
        QStringList written;
        for (const mcp2200::Report &report : chip->written)
            written << QByteArray(reinterpret_cast<const char *>(report.data()), int(report.size())).toHex(' ');
        if (reports != QStringList{"*"})
            QCOMPARE(written, reports);
        const QString status = QString::fromStdString(driver->takeStatus());
        QVERIFY2(status.isEmpty() == said.isEmpty(), qPrintable(status));
        for (const QString &words : said)
            QVERIFY2(status.count(words) == 1, qPrintable(status));
    }

    void openFailureExplained()
    {
        // A sysfs in miniature: a root hub, and the adapter with the kernel's MCP2200 driver on its HID interface,
        // which is no reason for a failed open: hidapi's libusb flavour detaches that driver itself.
        QTemporaryDir root;
        const QDir dir(root.path());
        for (const QString entry : {"usb1/idVendor 1d6b", "1-2/idVendor 04d8", "1-2/idProduct 00df", "1-2/busnum 1",
                                    "1-2/devnum 7", "1-2:1.2/bInterfaceNumber 02"}) {
            QFile file(dir.filePath("devices/" + entry.section(' ', 0, 0)));
            QVERIFY(dir.mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
            file.write(entry.section(' ', 1).toLatin1() + "\n");
        }
        QVERIFY(dir.mkpath("drivers/mcp2200") && dir.mkpath("module/hid_mcp2200") && dir.mkpath("devices/1-2:1.2/h"));
        QVERIFY(QFile::link(dir.filePath("drivers/mcp2200"), dir.filePath("devices/1-2:1.2/h/driver"))
                && QFile::link(dir.filePath("module/hid_mcp2200"), dir.filePath("drivers/mcp2200/module")));
        // Product 0x00E0 is not on this bus; 0x00DF is, its node closed to this user or not.
        const struct {
            unsigned pid;
            bool accessible;
            const char *said;
        } cases[] = {{0x00E0, true, "No MCP2200 adapter (USB 04d8:00e0) was found"},
                     {SIMPLEIO_PID, false, "/001/007). Install the udev rule 60-zorvel"},
                     {SIMPLEIO_PID, true, "could not be opened (LIBUSB_ERROR_BUSY)"}};
        for (const auto &c : cases) {
            const mcp2200::SystemPaths paths{dir.filePath("devices").toStdString(), dir.filePath("nodes").toStdString(),
                                             [&c](const std::string &) { return c.accessible; }};
            const QString text = QString::fromStdString(
                mcp2200::explainOpenFailure(SIMPLEIO_VID, c.pid, c.pid == SIMPLEIO_PID, "LIBUSB_ERROR_BUSY", paths));
            QVERIFY2(text.contains(c.said), qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(UsbDriverTest)
#include "tst_usbdriver.moc"
