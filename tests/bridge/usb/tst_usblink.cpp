// Guards the link over the USB bridge library beside it (emulated: tst_usblink; an adapter: tst_adapter), and times it.
#include <QtTest>

#include <cstdio>

#include "link/detectorlink.h"
#include "tests/bridge/usb/usbfigures.h"
#include "link/simpleioapi.h"
#include "tests/bridge/usb/usbemucontrol.h"

class UsbLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpHandshakeReadWriteAndPinCalls()
    {
        // The very library the link is about to load from beside this executable.
        void *library = nullptr;
        QString detail;
        QCOMPARE(BridgeLoader::load(&library, &detail), BridgeLoader::Result::Loaded);
        const auto resolve = [library](const char *name) { return BridgeLoader::resolve(library, name); };
        const auto reset = reinterpret_cast<UsbEmuResetFn>(resolve("UsbEmuReset"));
        const auto setDelays = reinterpret_cast<UsbEmuSetDelaysFn>(resolve("UsbEmuSetDelays"));
        const auto settings = reinterpret_cast<BridgeSettingsFn>(resolve(SIMPLEIO_SETTINGS_SYMBOL));
        const auto status = reinterpret_cast<BridgeStatusFn>(resolve(SIMPLEIO_STATUS_SYMBOL));
        if (!reset && qEnvironmentVariableIsEmpty("ZORVEL_TEST_ADAPTER"))
            QSKIP("set ZORVEL_TEST_ADAPTER=1 with an adapter and a detector plugged in");
        SimpleIoApi api;
        QVERIFY(resolveSimpleIo(library, &api).isEmpty() && settings && status);
        // Emulated: short delays, but a READ_ALL waits for its reply, and CONFIGURE resets the chip for longer
        // than the driver first waits, as a slow chip might.
        if (reset && setDelays)
            reset(), setDelays(200, 500, 30000);
        // Bytes 4..9 the adapter keeps, and what the bridge has to say, as an installer sends them back.
        const auto report = [&](const char *when) {
            unsigned char bytes[6] = {};
            const bool read = settings(bytes);
            const QByteArray kept = read ? QByteArray(reinterpret_cast<char *>(bytes), 6).toHex(' ') : "unreadable";
            const char *said = status();
            const QByteArray line = kept + ' ' + (said ? said : "");
            std::printf("settings %s: %s\n", when, line.data());
            return line;
        };
        api.InitMCP2200(SIMPLEIO_VID, SIMPLEIO_PID);
        report("before");

        DeviceConfig block{};
        DetectorLink link(&block);
        QString log;
        connect(&link, &DetectorLink::logLine, this, [&](const QString &line) { log += line; });
        link.startUp();
        // The factory-fresh emulated chip now keeps the link's directions and idle levels, and its 9600 Bd:
        // the start-up's 6 MBd is beyond its UART, which the bridge says and the console shows.
        const QByteArray configured = report("configured");
        QVERIFY(!reset || (configured.startsWith("f0 00 0c 00 04 e1") && log.contains("6000000 Bd")));
        const UsbFigures figures = UsbFigures::measure(link, block, api);
        QVERIFY2(figures.failure.isEmpty(), qPrintable(figures.failure));
        QCOMPARE(figures.writeOutcome, QStringLiteral("Конфигурация записана успешно"));
        figures.print();
        // The console's lowest rates are below the UART's 300 Bd (a real adapter keeps its own rate); each
        // finding is said once.
        QVERIFY(!api.fnSetBaudRate(100) && (!reset || api.fnSetBaudRate(9600)));
        // GP0 is an output the emulated chip keeps low, unlike DATA_IN.
        unsigned level = 1;
        QVERIFY(!reset || (api.ReadPin(0, &level) && level == 0));
        QVERIFY(!report("after").contains("6000000"));
    }
};

QTEST_GUILESS_MAIN(UsbLinkTest)
#include "tst_usblink.moc"
