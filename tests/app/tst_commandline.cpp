// The command line as a process with no display: each exit status, what reaches the detector, and a read profile written back.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void exitStatus_data();
    void exitStatus();
    void readProfileWrittenBack();
    void noBridgeLibrary();
    void readTraceDecodes();

private:
    struct Result {
        int status = -1;
        QByteArray out;
        QByteArray err;
        QStringList frames; // what the simulated detector received, in hex
    };
    Result run(const QStringList &arguments, const QString &fault = {}, const QString &program = PROGRAM);
    QString file(const QString &name, const QByteArray &contents)
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(contents) == contents.size() ? f.fileName() : QString();
    }

    QTemporaryDir dir;
};

CommandLineTest::Result CommandLineTest::run(const QStringList &arguments, const QString &fault, const QString &program)
{
    const QString frames = dir.filePath(QStringLiteral("frames.log"));
    QFile::remove(frames);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("ZORVEL_SIM_FRAMES"), frames);
    env.insert(QStringLiteral("ZORVEL_SIM_FAULT"), fault);
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QFileInfo(program).absolutePath());
    process.start(program, arguments);
    Result result;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit)
        result = {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError(), {}};
    QFile log(frames);
    if (log.open(QIODevice::ReadOnly))
        result.frames = QString::fromLatin1(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return result;
}

void CommandLineTest::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QString>("said"); // on standard error, if anything in particular
    const QByteArray invalid = R"({"format": "zorvel-3-profile", "version": 1, "angle": 25, "single_blow": false,
        "classes": [{"on": true, "range": 0}, {"on": false, "range": 3}, {"on": true, "range": 15}]})";
    const QByteArray profile = R"({"format": "zorvel-3-profile", "version": 1, "angle": 45, "single_blow": true,
        "classes": [{"on": true, "range": 0}, {"on": false, "range": 0}, {"on": true, "range": 15}]})";

    QTest::newRow("handshake") << QStringList{"handshake"} << "" << 0 << QStringList{"AA"} << "";
    // The handshake is tried twice before the detector counts as absent.
    QTest::newRow("silent detector") << QStringList{"read"} << "silent" << 2 << QStringList{"AA", "AA"} << "";
    QTest::newRow("bad reply, one retry") << QStringList{"read", "--retries", "1"} << "bad-status" << 3
                                          << QStringList{"AA", "A3", "A3"} << "";
    // Flag 0x05: class 2 off and the single-blow alarm; 45 degrees; ranges 0, 0, 15.
    QTest::newRow("write") << QStringList{"write", file("good.json", profile)} << "" << 0
                           << QStringList{"AA", "A6052D00000F", "A9", "A3"} << "";
    QTest::newRow("write not taken") << QStringList{"write", file("good.json", profile)} << "writes-ignored" << 3
                                     << QStringList{"AA", "A6052D00000F", "A9", "A3"} << "";
    QTest::newRow("invalid profile") << QStringList{"write", file("bad.json", invalid)} << "" << 4 << QStringList{}
                                     << "classes[1].range";
    QTest::newRow("no profile") << QStringList{"write", dir.filePath("none.json")} << "" << 4 << QStringList{} << "";
    QTest::newRow("date set") << QStringList{"date", "set", "2100-03-05"} << "" << 0 << QStringList{"AA", "A1000305"}
                              << "";
    QTest::newRow("no such date") << QStringList{"date", "set", "2100-13-05"} << "" << 1 << QStringList{} << "";
    QTest::newRow("date get") << QStringList{"date", "get"} << "" << 0 << QStringList{"AA", "A2"} << "";
    QTest::newRow("unknown command") << QStringList{"reed"} << "" << 1 << QStringList{} << "";
    QTest::newRow("bad retries") << QStringList{"read", "--retries", "x"} << "" << 1 << QStringList{} << "";
    QTest::newRow("help") << QStringList{"--help"} << "" << 0 << QStringList{} << "";
}

void CommandLineTest::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, fault);
    QFETCH(int, status);
    QFETCH(QStringList, frames);
    QFETCH(QString, said);
    const Result result = run(arguments, fault);
    QVERIFY2(result.status == status, result.err.constData());
    QCOMPARE(result.frames, frames);
    QVERIFY2(result.err.contains(said.toUtf8()), result.err.constData());
}

void CommandLineTest::readProfileWrittenBack()
{
    const Result read = run({"read", "--json", "--quiet", "--note", "Зона 7, \"ворота\""});
    QCOMPARE(read.status, 0);
    QVERIFY(read.err.isEmpty());
    // The read is in the journal, its note quoted as CSV quotes.
    const Result journal = run({"journal", "--csv"});
    QVERIFY2(journal.out.contains("\"Зона 7, \"\"ворота\"\"\""), journal.out.constData());
    // The simulated detector's block: all classes on at 7, 8 and 6; 25 degrees.
    const Result written = run({"write", file("site.json", read.out)});
    QCOMPARE(written.status, 0);
    QCOMPARE(written.frames.value(1), QStringLiteral("A60019070806"));
}

void CommandLineTest::noBridgeLibrary()
{
    const QString alone = dir.filePath(QStringLiteral("zorvel-configurator"));
    QVERIFY(QFile::copy(PROGRAM, alone));
    const Result result = run({"read"}, {}, alone);
    QCOMPARE(result.status, 2);
    QVERIFY(result.frames.isEmpty());
}

void CommandLineTest::readTraceDecodes()
{
    const QString vcd = dir.filePath(QStringLiteral("read.vcd"));
    QCOMPARE(run({"read", "--trace", vcd}).status, 0);
    // A standard SPI decoder, clock idle high, data sampled on the rising edge.
    const auto decode = [&](const char *lane) {
        QProcess sigrok;
        sigrok.start(QStringLiteral("sigrok-cli"),
                     {"-I", "vcd", "-i", vcd, "-P",
                      "spi:clk=CLOCK:mosi=DATA_OUT:miso=DATA_IN:cpol=1:cpha=1:bitorder=msb-first:wordsize=8", "-A",
                      QStringLiteral("spi=%1-data").arg(QLatin1String(lane))});
        sigrok.waitForFinished(30000);
        return QString::fromLatin1(sigrok.readAllStandardOutput()).remove(QStringLiteral("spi-1: ")).simplified();
    };
    const QString out = decode("mosi");
    if (out.isEmpty())
        QSKIP("sigrok-cli is not installed");
    // Between requests the PC keeps DATA_OUT high: 0xFF on that lane while the detector answers.
    QVERIFY2(out.startsWith(QStringLiteral("AA FF A3")), qPrintable(out));
    QVERIFY2(decode("miso").contains(QStringLiteral("55 FF 53 00 19 07 08 06")), qPrintable(decode("miso")));
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
