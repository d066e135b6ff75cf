// The USB driver against the emulated MCP2200: the reports each entry point
// sends, configuration by read-modify-write, reads that must not be answered
// from stale or late reports, unplugging, and the words for a failed open.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "bridge/simpleio.h"
#include "bridge/usb/diagnosis.h"
#include "bridge/usb/mcp2200driver.h"
#include "tests/usb/emulatedchip.h"

using namespace std::chrono_literals;
using mcp2200::Report;

namespace {

// Reports written out by hand from the adapter's command table.
Report hex(const char *text)
{
    const QByteArray bytes = QByteArray::fromHex(text);
    Report report{};
    std::copy(bytes.begin(), bytes.begin() + qMin<qsizetype>(bytes.size(), report.size()), report.begin());
    return report;
}

QStringList asHex(const std::vector<Report> &reports)
{
    QStringList out;
    for (const Report &report : reports)
        out << QByteArray(reinterpret_cast<const char *>(report.data()), int(report.size())).toHex(' ');
    return out;
}

QStringList expected(std::initializer_list<const char *> reports)
{
    std::vector<Report> out;
    for (const char *text : reports)
        out.push_back(hex(text));
    return asHex(out);
}

const char ReadAll[] = "80 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00";
// What the fixture's latches come back as after CONFIGURE: GP2, GP3 high, GP0 low.
const char Restore[] = "08 00 00 00  00 00 00 00  00 00 00 0c  01 00 00 00";

} // namespace

class UsbDriverTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void reportsPerEntryPoint_data();
    void reportsPerEntryPoint();
    void staleReportIsNoPinLevel_data();
    void staleReportIsNoPinLevel();
    void timedOutReadFails();
    void unplugAndReplug();
    void openFailureExplained_data();
    void openFailureExplained();

private:
    sim::DetectorProtocol detector;
    usbemu::EmulatedChip chip{detector};
    std::chrono::steady_clock::time_point now;
    std::unique_ptr<mcp2200::Driver> driver;
};

void UsbDriverTest::init()
{
    // Distinct values in every stored byte, so that a configure that loses
    // one shows.
    mcp2200::ChipConfig stored;
    stored.directions = 0xFF;
    stored.altPins = 0x0C;
    stored.options = 0x20;
    stored.baudHigh = 0x04;
    stored.baudLow = 0xE1;
    detector.reset();
    chip.reset(stored);
    now = std::chrono::steady_clock::now();
    driver = std::make_unique<mcp2200::Driver>(chip, [this] { return now; });
    driver->init(SIMPLEIO_VID, SIMPLEIO_PID);
    QVERIFY(driver->status().empty());
    QVERIFY(driver->setPin(2) && driver->setPin(3) && driver->clearPin(0));
    chip.clearWritten();
}

void UsbDriverTest::reportsPerEntryPoint_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<qulonglong>("arg");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("reports");

    QTest::newRow("SetPin 2") << "SetPin" << 2ull << true
                              << expected({"08 00 00 00  00 00 00 00  00 00 00 04  00 00 00 00"});
    QTest::newRow("ClearPin 3") << "ClearPin" << 3ull << true
                                << expected({"08 00 00 00  00 00 00 00  00 00 00 00  08 00 00 00"});
    QTest::newRow("SetPin 8 is no pin") << "SetPin" << 8ull << false << QStringList();
    QTest::newRow("ReadPin 4") << "ReadPin" << 4ull << true << expected({ReadAll});
    QTest::newRow("IsConnected") << "IsConnected" << 0ull << true << expected({ReadAll});
    QTest::newRow("ConfigureIO new directions keep the other bytes")
        << "ConfigureIO" << 0xF0ull << true
        << expected({ReadAll, "10 00 00 00  f0 0c 00 20  04 e1 00 00  00 00 00 00", Restore});
    QTest::newRow("ConfigureIO same directions") << "ConfigureIO" << 0xFFull << true << expected({ReadAll});
    // 12 MHz / 6 MBd - 1 = 1.
    QTest::newRow("ConfigureMCP2200 0xF0 6 MBd")
        << "ConfigureMCP2200" << 0xF0ull << true
        << expected({ReadAll, "10 00 00 00  f0 0c 00 20  00 01 00 00  00 00 00 00", Restore});
    // 12 MHz / 200 Bd - 1 = 59999 = 0xEA5F.
    QTest::newRow("fnSetBaudRate 200") << "fnSetBaudRate" << 200ull << true
                                       << expected({ReadAll, "10 00 00 00  ff 0c 00 20  ea 5f 00 00  00 00 00 00",
                                                 Restore});
    QTest::newRow("fnSetBaudRate 9600 as stored") << "fnSetBaudRate" << 9600ull << true << expected({ReadAll});
    // 12 MHz / 100 Bd - 1 = 119999 does not fit 16 bits.
    QTest::newRow("fnSetBaudRate 100 too slow") << "fnSetBaudRate" << 100ull << false << QStringList();
}

void UsbDriverTest::reportsPerEntryPoint()
{
    QFETCH(QString, call);
    QFETCH(qulonglong, arg);
    QFETCH(bool, ok);
    QFETCH(QStringList, reports);

    unsigned value = 0;
    bool result = false;
    if (call == "SetPin")
        result = driver->setPin(unsigned(arg));
    else if (call == "ClearPin")
        result = driver->clearPin(unsigned(arg));
    else if (call == "ReadPin")
        result = driver->readPin(unsigned(arg), &value);
    else if (call == "IsConnected")
        result = driver->isConnected();
    else if (call == "ConfigureIO")
        result = driver->configureIO(std::uint8_t(arg));
    else if (call == "ConfigureMCP2200")
        result = driver->configureMCP2200(std::uint8_t(arg), 6000000);
    else if (call == "fnSetBaudRate")
        result = driver->setBaudRate(arg);
    QCOMPARE(result, ok);
    QCOMPARE(asHex(chip.written()), reports);
}

void UsbDriverTest::staleReportIsNoPinLevel_data()
{
    QTest::addColumn<bool>("lineHigh");
    QTest::newRow("stale low, DATA_IN high") << true;
    QTest::newRow("stale high, DATA_IN low") << false;
}

void UsbDriverTest::staleReportIsNoPinLevel()
{
    QFETCH(bool, lineHigh);
    detector.faults.dataInStuckLow = !lineHigh;
    Report stale = hex(ReadAll);
    stale[mcp2200::Offset::Directions] = 0xFF;
    stale[mcp2200::Offset::Levels] = lineHigh ? 0x00 : 0xFF;
    chip.injectReport(stale);

    unsigned value = 7;
    QVERIFY(driver->readPin(4, &value));
    QCOMPARE(value, lineHigh ? 1u : 0u);
}

void UsbDriverTest::timedOutReadFails()
{
    // The reply comes, but four times later than the driver waits.
    chip.setDelays(0us, 4 * std::chrono::milliseconds(mcp2200::Driver::ReplyTimeoutMs));
    unsigned value = 7;
    QVERIFY(!driver->readPin(4, &value));
    QVERIFY(!driver->isConnected());

    // The late replies said DATA_IN was high; by now it is low, and the next
    // read must say so rather than take a late reply for its own.
    QTest::qSleep(5 * mcp2200::Driver::ReplyTimeoutMs);
    chip.setDelays(0us, 0us);
    detector.faults.dataInStuckLow = true;
    QVERIFY(driver->readPin(4, &value));
    QCOMPARE(value, 0u);
    QCOMPARE(chip.openAttempts(), 1);
}

void UsbDriverTest::unplugAndReplug()
{
    chip.plug(false);
    QVERIFY(!driver->setPin(3));
    QVERIFY(!driver->status().empty());
    const int attempts = chip.openAttempts();

    // Pin calls on the 2 ms tick fail at once, without looking for the adapter.
    now += 100ms;
    unsigned value = 0;
    QVERIFY(!driver->clearPin(2));
    QVERIFY(!driver->readPin(4, &value));
    QCOMPARE(chip.openAttempts(), attempts);
    now += mcp2200::Driver::ReopenInterval;
    QVERIFY(!driver->setPin(2));
    QCOMPARE(chip.openAttempts(), attempts + 1);

    chip.plug(true);
    now += 100ms;
    QVERIFY(!driver->setPin(2));
    now += mcp2200::Driver::ReopenInterval;
    QVERIFY(driver->setPin(2));
    QVERIFY(driver->status().empty());
    // The chip came back with its outputs low: the levels asked for while it
    // was away are restored first.
    QCOMPARE(asHex(chip.written()), expected({Restore, "08 00 00 00  00 00 00 00  00 00 00 04  00 00 00 00"}));
}

void UsbDriverTest::openFailureExplained_data()
{
    QTest::addColumn<bool>("plugged");
    QTest::addColumn<bool>("accessible");
    QTest::addColumn<QString>("hidDriver");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("none found") << false << true << "" << QStringList{"No MCP2200 adapter (USB 04d8:00df) was found"};
    QTest::newRow("access denied") << true << false << "mcp2200"
                                   << QStringList{"may not open it", "/001/007)", "60-zorvel-mcp2200.rules"};
    QTest::newRow("kernel GPIO driver") << true << true << "mcp2200"
                                        << QStringList{"kernel driver hid_mcp2200", "modprobe -r hid_mcp2200"};
    QTest::newRow("generic HID driver") << true << true << "hid-generic"
                                        << QStringList{"could not be opened", "another program"};
}

void UsbDriverTest::openFailureExplained()
{
    QFETCH(bool, plugged);
    QFETCH(bool, accessible);
    QFETCH(QString, hidDriver);
    QFETCH(QStringList, words);

    // A sysfs in miniature: a root hub, and the adapter with its serial
    // interface bound to cdc_acm and its HID interface to `hidDriver`.
    QTemporaryDir root;
    QDir dir(root.path());
    auto put = [&](const QString &file, const QByteArray &text) {
        dir.mkpath(QFileInfo(dir.filePath(file)).path());
        QFile out(dir.filePath(file));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text + "\n");
    };
    auto link = [&](const QString &target, const QString &name) {
        dir.mkpath(target);
        dir.mkpath(QFileInfo(dir.filePath(name)).path());
        QVERIFY(QFile::link(dir.filePath(target), dir.filePath(name)));
    };
    put("devices/usb1/idVendor", "1d6b");
    put("devices/usb1/idProduct", "0002");
    if (plugged) {
        put("devices/1-2/idVendor", "04d8");
        put("devices/1-2/idProduct", "00df");
        put("devices/1-2/busnum", "1");
        put("devices/1-2/devnum", "7");
        put("devices/1-2:1.0/bInterfaceNumber", "00");
        link("drivers/cdc_acm", "devices/1-2:1.0/tty/driver");
        put("devices/1-2:1.2/bInterfaceNumber", "02");
        link("drivers/" + hidDriver, "devices/1-2:1.2/0003:04D8:00DF.0001/driver");
        if (hidDriver == "mcp2200")
            link("module/hid_mcp2200", "drivers/mcp2200/module");
    }

    mcp2200::SystemPaths paths;
    paths.usbDevices = dir.filePath("devices").toStdString();
    paths.usbNodes = dir.filePath("nodes").toStdString();
    paths.accessible = [accessible](const std::string &) { return accessible; };
    const QString text = QString::fromStdString(mcp2200::explainOpenFailure(SIMPLEIO_VID, SIMPLEIO_PID, plugged, {}, paths));
    for (const QString &word : words)
        QVERIFY2(text.contains(word), qPrintable(text));
}

QTEST_GUILESS_MAIN(UsbDriverTest)
#include "tst_usbdriver.moc"
