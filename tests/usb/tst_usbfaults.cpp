// Guards the link over the USB driver and the emulated chip when the adapter falls mute or leaves the bus mid-transaction, and when another program holds it.
#include <QFile>
#include <QProcess>
#include <QtTest>

#include "tests/link/linkfixture.h"
#include "tests/usb/usbemucontrol.h"

class UsbFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        void *library = nullptr;
        QString detail;
        QCOMPARE(BridgeLoader::load(&library, &detail), BridgeLoader::Result::Loaded);
        reset = reinterpret_cast<UsbEmuResetFn>(BridgeLoader::resolve(library, "UsbEmuReset"));
        cut = reinterpret_cast<UsbEmuCutFn>(BridgeLoader::resolve(library, "UsbEmuCut"));
        reports = reinterpret_cast<UsbEmuReportsFn>(BridgeLoader::resolve(library, "UsbEmuReports"));
        QVERIFY(reset && cut && reports);
    }
    void init()
    {
        reset();
        rig.start();
        connect(rig.link.get(), &DetectorLink::lineFailed, this,
                [this](LinkTransaction transaction, const QString &why, const QByteArray &pending) {
                    failures << int(transaction);
                    reason = why;
                    pendingWrite = pending;
                });
        failures.clear();
        rig.reset();
    }
    void cleanup() { rig.link.reset(); }

    void cutMidTransaction_data();
    void cutMidTransaction();
    void oneAdapterOneUser();

private:
    UsbEmuResetFn reset = nullptr;
    UsbEmuCutFn cut = nullptr;
    UsbEmuReportsFn reports = nullptr;
    LinkRig rig;
    QVector<int> failures;
    QString reason;
    QByteArray pendingWrite;
};

void UsbFaultsTest::cutMidTransaction_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("afterMs");
    QTest::addColumn<int>("transaction");
    QTest::addColumn<QString>("said"); // by the driver
    QTest::addColumn<QByteArray>("pendingWrite");
    // The reply's fifth byte is due about 800 ms in; the write frame takes 214 ms.
    QTest::newRow("read, mute at 700 ms") << QByteArray("sendParamA3") << int(UsbEmuMute) << 700
                                          << int(LinkTransaction::Read)
                                          << "The MCP2200 adapter did not answer a read of its pins." << QByteArray();
    QTest::newRow("write, unplugged at 100 ms")
        << QByteArray("sendParamA6") << int(UsbEmuUnplug) << 100 << int(LinkTransaction::Write)
        << "The MCP2200 adapter stopped answering; it may have been unplugged." << bytes({0x0E, 5, 0, 0, 0});
}

void UsbFaultsTest::cutMidTransaction()
{
    QFETCH(QByteArray, slot);
    QFETCH(int, how);
    QFETCH(int, afterMs);
    cut(unsigned(afterMs), how);
    QVERIFY(rig.run(slot.constData()));
    // Lost as a handshake is lost, nothing delivered, and the progress closed.
    QCOMPARE(rig.events, QStringList({"busy", "lost", "free"}));
    QFETCH(int, transaction);
    QCOMPARE(failures, QVector<int>{transaction});
    QTEST(reason, "said");
    QVERIFY(rig.log.endsWith(QStringLiteral(">> %1\n\n").arg(reason)));
    QTEST(pendingWrite, "pendingWrite");
    QCOMPARE(rig.actions.constLast(), (QVector<int>{0, 0, 33}));
    // Answering again (and found again), the next handshake runs.
    cut(0, UsbEmuBack);
    testsupport::serveEvents(600);
    rig.reset();
    QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.events, QStringList({"busy", "ok", "free"}));
}

void UsbFaultsTest::oneAdapterOneUser()
{
    // A second link on the same adapter sends nothing and says who holds it.
    const QString lock = rig.link->adapterLockPath();
    QVERIFY(!lock.isEmpty() && QFile::exists(lock));
    const int before = reports();
    QStringList busy;
    DetectorLink second(&rig.block);
    connect(&second, &DetectorLink::adapterBusy, this, [&](const QString &message) { busy << message; });
    second.loadBridge();
    second.configurePort(LinkPins::DefaultDirections);
    second.sendParamAA();
    QCOMPARE(reports(), before);
    QCOMPARE(busy.size(), 3);
    QVERIFY2(busy.constFirst().endsWith(QStringLiteral("%1)").arg(QCoreApplication::applicationPid())),
             qPrintable(busy.constFirst()));
    QVERIFY(!second.lineBusy());

    // The lock of a process that is gone is taken over.
    rig.link.reset();
    QProcess gone;
    gone.start(QStringLiteral("true"));
    QVERIFY(gone.waitForStarted());
    const qint64 pid = gone.processId();
    QVERIFY(gone.waitForFinished());
    QFile stale(lock);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray::number(pid) + "\ntrue\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    stale.close();
    init();
    QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.events, QStringList({"busy", "ok", "free"}));
}

QTEST_GUILESS_MAIN(UsbFaultsTest)
#include "tst_usbfaults.moc"
