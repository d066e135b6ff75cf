// Guards the link over the USB driver and the emulated chip when the adapter falls mute or leaves the bus mid-transaction, and when another program holds it.
#include <QProcess>
#include <QtTest>

#include "tests/link/linkfixture.h"
#include "tests/bridge/usb/usbemucontrol.h"

class UsbFaultsTest : public QObject
{
    Q_OBJECT
    LinkRig rig;
    UsbEmuCutFn cut = nullptr;
    UsbEmuReportsFn reports = nullptr;

private slots:
    void initTestCase()
    {
        void *library = nullptr;
        QString detail;
        QCOMPARE(BridgeLoader::load(&library, &detail), BridgeLoader::Result::Loaded);
        cut = reinterpret_cast<UsbEmuCutFn>(BridgeLoader::resolve(library, "UsbEmuCut"));
        reports = reinterpret_cast<UsbEmuReportsFn>(BridgeLoader::resolve(library, "UsbEmuReports"));
        QVERIFY(cut && reports);
    }
    void init() { rig.start(), rig.reset(); }
    void cleanup() { rig.link.reset(); }
    void cutMidTransaction_data();
    void cutMidTransaction();
    void oneAdapterOneUser();
};

void UsbFaultsTest::cutMidTransaction_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("afterMs");
    QTest::addColumn<QVector<int>>("failed");
    QTest::addColumn<QString>("failReason"); // the driver's
    QTest::addColumn<QByteArray>("failPending");
    // The reply's fifth byte is due about 800 ms in; the write frame takes 214 ms.
    QTest::newRow("read, mute at 700 ms") << QByteArray("sendParamA3") << int(UsbEmuMute) << 700
                                          << QVector<int>{int(LinkTransaction::Read)}
                                          << "The MCP2200 adapter did not answer a read of its pins." << QByteArray();
    QTest::newRow("write, unplugged at 100 ms")
        << QByteArray("sendParamA6") << int(UsbEmuUnplug) << 100 << QVector<int>{int(LinkTransaction::Write)}
        << "The MCP2200 adapter stopped answering; it may have been unplugged." << bytes({0x0E, 5, 0, 0, 0});
}

void UsbFaultsTest::cutMidTransaction()
{
    QFETCH(QByteArray, slot);
    QFETCH(int, how);
    QFETCH(int, afterMs);
    cut(unsigned(afterMs), how);
    QVERIFY(rig.run(slot.constData()));
    // Lost as a handshake is lost, nothing delivered, the progress closed, the bridge's words logged.
    QCOMPARE(rig.events, QStringList({"busy", "lost", "free"}));
    QTEST(rig.failed, "failed");
    QTEST(rig.failReason, "failReason");
    QTEST(rig.failPending, "failPending");
    QVERIFY(rig.actions.constLast() == QVector<int>({0, 0, 33}) && rig.log.endsWith(rig.failReason + "\n\n"));
    // Answering again (and found again), the next handshake runs.
    cut(0, UsbEmuBack);
    testsupport::serveEvents(600);
    rig.reset();
    QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.events, QStringList({"busy", "ok", "free"}));
}

void UsbFaultsTest::oneAdapterOneUser()
{
    // The lock of a process that is gone is taken over.
    const QString lock = rig.link->adapterLockPath();
    QVERIFY(!lock.isEmpty());
    if (testsupport::underWine()) {
        qInfo("no take-over of a dead process's lock: under Wine Qt's lock file sees an ended process as running");
    } else {
        rig.link.reset();
        QProcess gone; // this test program, listing its cases: there on every platform
        gone.start(QCoreApplication::applicationFilePath(), {QStringLiteral("-functions")});
        QVERIFY2(gone.waitForStarted(), qPrintable(gone.errorString()));
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        QFile stale(lock);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray::number(pid) + "\ntrue\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        stale.close();
        init();
    }
    QVERIFY(rig.run("sendParamAA"));
    QCOMPARE(rig.events, QStringList({"busy", "ok", "free"}));

    // A second link on the same adapter sends nothing and says who holds it, at every try.
    const int before = reports();
    LinkRig second;
    second.start();
    second.link->sendParamAA();
    const QString busy = "in use: " + QCoreApplication::translate("config", "адаптер занят программой %1 (процесс %2)")
                                          .arg(QCoreApplication::applicationName())
                                          .arg(QCoreApplication::applicationPid());
    QCOMPARE(second.events, QStringList(3, busy));
    QCOMPARE(reports(), before);
}

QTEST_GUILESS_MAIN(UsbFaultsTest)
#include "tst_usbfaults.moc"
