// The command line as a process with no display: each exit status, what reaches the detector, and a read profile written back.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
const QString DemoLibrary = QStringLiteral("SimpleIO-UM-demo.dll");
#else
const QString DemoLibrary = QStringLiteral("libSimpleIO-UM-demo.so");
#endif

// Flag 0x05: class 2 off and the single-blow alarm; 45 degrees; ranges 0, 0, 15.
const QByteArray Profile45 = R"({"format": "zorvel-3-profile", "version": 1, "angle": 45, "single_blow": true,
    "classes": [{"on": true, "range": 0}, {"on": false, "range": 0}, {"on": true, "range": 15}]})";

// The simulated detector's log of the frames it received, and its fault; no display.
QProcessEnvironment simulated(const QString &frames, const QString &fault)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("ZORVEL_SIM_FRAMES"), frames);
    env.insert(QStringLiteral("ZORVEL_SIM_FAULT"), fault);
    return env;
}

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QString>("said"); // said, if anything in particular; tabs part what may stand apart
        const QByteArray invalid = R"({"format": "zorvel-3-profile", "version": 1, "angle": 25, "single_blow": false,
            "classes": [{"on": true, "range": 0}, {"on": false, "range": 3}, {"on": true, "range": 15}]})";
        const QString large = file("large.json", " ");
        QFile(large).resize(2 * 1024 * 1024);

        QTest::newRow("handshake") << QStringList{"handshake"} << "" << 0 << QStringList{"AA"} << "";
        // The handshake is tried twice before the detector counts as absent.
        QTest::newRow("silent detector") << QStringList{"read"} << "silent" << 2 << QStringList{"AA", "AA"} << "";
        QTest::newRow("bad reply, one retry") << QStringList{"read", "--retries", "1"} << "bad-status" << 3
                                              << QStringList{"AA", "A3", "A3"} << "";
        QTest::newRow("write") << QStringList{"write", file("good.json", Profile45)} << "" << 0
                               << QStringList{"AA", "A6052D00000F", "A9", "A3"} << "";
        QTest::newRow("write not taken") << QStringList{"write", file("good.json", Profile45)} << "writes-ignored" << 3
                                         << QStringList{"AA", "A6052D00000F", "A9", "A3"} << "";
        QTest::newRow("invalid profile") << QStringList{"write", file("bad.json", invalid)} << "" << 4 << QStringList{}
                                         << "classes[1].range";
        QTest::newRow("no profile") << QStringList{"write", dir.filePath("none.json")} << "" << 4 << QStringList{} << "";
        QTest::newRow("date set") << QStringList{"date", "set", "2099-03-05"} << "" << 0 << QStringList{"AA", "A1630305"}
                                  << "";
        // The frame carries two digits of the year: nothing is sent that would land on another date.
        QTest::newRow("no such date") << QStringList{"date", "set", "2026-02-30", "--lang", "ru"} << "" << 1 << QStringList{}
                                      << "Даты 2026-02-30 не существует";
        QTest::newRow("date with a time") << QStringList{"date", "set", "2026-01-01T10:00"} << "" << 1 << QStringList{} << "";
        QTest::newRow("year 1999") << QStringList{"date", "set", "1999-01-01"} << "" << 1 << QStringList{} << "1999";
        QTest::newRow("year 2100") << QStringList{"date", "set", "2100-01-01"} << "" << 1 << QStringList{} << "2100";
#ifndef _WIN32 // Windows has neither FIFOs in the file system nor /dev/zero
        const QString fifo = dir.filePath("fifo.json");
        ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
        QTest::newRow("profile a FIFO") << QStringList{"write", fifo} << "" << 4 << QStringList{} << "fifo.json";
        QTest::newRow("profile /dev/zero") << QStringList{"write", "/dev/zero"} << "" << 4 << QStringList{} << "/dev/zero";
#endif
        QTest::newRow("profile of 2 MiB") << QStringList{"write", large} << "" << 4 << QStringList{} << "1024";
        QTest::newRow("trace a folder") << QStringList{"read", "--trace", dir.path()} << "" << 1 << QStringList{} << "";
        QTest::newRow("trace not written") << QStringList{"read", "--trace", "/none/read.vcd"} << "" << 5
                                           << QStringList{"AA", "A3"} << "/none/read.vcd";
#ifndef _WIN32 // the journal's folder comes from XDG_DATA_HOME; Windows asks the shell for it
        QTest::newRow("journal not written, quiet") << QStringList{"read", "--quiet"} << "no-journal" << 5
                                                    << QStringList{"AA", "A3"} << "/dev/null/none";
#endif
        // One parser: --demo here is the note, so the adapter's library is looked for, is not beside this copy, and
        // nothing reaches a detector.
        QTest::newRow("note --demo") << QStringList{"read", "--note", "--demo"} << "" << 2 << QStringList{} << "";
        QTest::newRow("--lang=fr") << QStringList{"handshake", "--lang=fr"} << "" << 1 << QStringList{} << "fr";
        QTest::newRow("unknown option") << QStringList{"--lang=ru", "--bogus"} << "" << 1 << QStringList{}
                                        << "Неизвестный параметр: --bogus";
        QTest::newRow("write alone") << QStringList{"--lang", "ru", "write"} << "" << 1 << QStringList{}
                                     << "write: не указан файл профиля";
        QTest::newRow("date alone") << QStringList{"date", "--lang", "ru"} << "" << 1 << QStringList{}
                                    << "date: укажите set или get";
#ifndef _WIN32 // a Windows session always has a display
        // The toolkit's options start the window; with no display it says so instead of aborting.
        QTest::newRow("no display") << QStringList{} << "" << 1 << QStringList{} << "WAYLAND_DISPLAY";
        QTest::newRow("-qwindowtitle T") << QStringList{"-qwindowtitle", "T"} << "" << 1 << QStringList{} << "WAYLAND_DISPLAY";
#endif
        QTest::newRow("date get") << QStringList{"date", "get"} << "" << 0 << QStringList{"AA", "A2"} << "";
        QTest::newRow("unknown command") << QStringList{"reed"} << "" << 1 << QStringList{} << "";
        QTest::newRow("bad retries") << QStringList{"read", "--retries", "x"} << "" << 1 << QStringList{} << "";
        // The program's name, not its path; the run's language; a command a line.
        QTest::newRow("help") << QStringList{"--help"} << "" << 0 << QStringList{}
                              << "Usage: zorvel-configurator COMMAND [options]\n\t\nCommands:\n  handshake \t\n  write FILE \t\nOptions:\n";
        QTest::newRow("help, Russian") << QStringList{"-h", "--lang", "ru"} << "" << 0 << QStringList{}
                                       << "Вызов: zorvel-configurator КОМАНДА [параметры]\n\t\n  date get \t\nПараметры:\n";
        // Qt's own words in the run's language too.
        QTest::newRow("Qt's words, Russian") << QStringList{"write", file("broken.json", "{"), "--lang", "ru"} << "" << 4
                                             << QStringList{} << "незавершённый объект";
    }
    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, fault);
        QFETCH(int, status);
        QFETCH(QStringList, frames);
        QFETCH(QString, said);
        // A copy with only the simulated detector's library beside it: --demo finds it, nothing else does.
        const QString demoOnly = dir.filePath(QStringLiteral("demo/") + QFileInfo(PROGRAM).fileName());
        QDir().mkpath(QFileInfo(demoOnly).path());
        QFile::copy(PROGRAM, demoOnly);
        QFile::copy(QFileInfo(PROGRAM).dir().filePath(DemoLibrary), QFileInfo(demoOnly).dir().filePath(DemoLibrary));
        const Result result = run(arguments, fault, QTest::currentDataTag() == QLatin1String("note --demo") ? demoOnly : PROGRAM);
        QVERIFY2(result.status == status, result.err.constData());
        QCOMPARE(result.frames, frames);
        for (const QString &part : said.split(u'\t'))
            QVERIFY2((result.out + result.err).contains(part.toUtf8()), (result.out + result.err).constData());
    }
    void readProfileWrittenBack()
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
    void readTraceDecodes()
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
    void signalEndsAfterTransaction_data()
    {
#ifdef _WIN32
        QSKIP("POSIX signals; a console's Ctrl+C cannot be aimed at one child process");
#else
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("after"); // the frame that, once the detector has it, triggers the signals
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("frames");
        // Committed with 0xA9, so its read-back is still owed.
        QTest::newRow("write") << QStringList{"write", file("good.json", Profile45)} << "" << "A6052D00000F" << SIGTERM << 1
                               << QStringList{"AA", "A6052D00000F", "A9", "A3"};
        QTest::newRow("handshake: no second try") << QStringList{"read"} << "silent" << "AA" << SIGINT << 1 << QStringList{"AA"};
        QTest::newRow("second signal") << QStringList{"read"} << "" << "A3" << SIGHUP << 2 << QStringList{"AA", "A3"};
#endif
    }
    void signalEndsAfterTransaction()
    {
#ifndef _WIN32
        QFETCH(QStringList, arguments);
        QFETCH(QString, fault);
        QFETCH(QString, after);
        QFETCH(int, signalNumber);
        QFETCH(int, count);
        QFETCH(QStringList, frames);
        const QString log = dir.filePath(QStringLiteral("frames.log"));
        QFile::remove(log);
        QProcess process;
        process.setProcessEnvironment(simulated(log, fault));
        process.start(PROGRAM, arguments);
        QFile seen(log);
        while (!(seen.open(QIODevice::ReadOnly) && seen.readAll().contains(after.toLatin1() + '\n'))) {
            seen.close();
            QVERIFY(!process.waitForFinished(2));
        }
        // Apart: two signals of one kind pending at once are delivered as one.
        for (int i = 0; i < count && process.state() == QProcess::Running; ++i) {
            ::kill(pid_t(process.processId()), signalNumber);
            process.waitForFinished(100);
        }
        QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 128 + signalNumber);
        QVERIFY(!process.readAllStandardError().isEmpty());
        if (count == 2) // no read finished
            QVERIFY(process.readAllStandardOutput().isEmpty());
        seen.seek(0);
        QCOMPARE(QString::fromLatin1(seen.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts), frames);
#endif
    }
    // The packages' layouts, started from the user's own folder: on Linux the launcher starts the program there, in
    // the locale's language, and the catalogue comes from the installed data folder; on Windows, as a shortcut
    // would, the program starts there itself and finds the catalogue beside it.
    void installedLayout()
    {
        const QDir build = QFileInfo(PROGRAM).dir();
        QVERIFY(QDir(dir.path()).mkpath("site"));
        QProcess started;
        started.setWorkingDirectory(dir.filePath("site"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
#ifdef _WIN32
        const QDir root(dir.filePath(QStringLiteral("Zorvel Configurator")));
        QVERIFY(root.mkpath("translations"));
        for (const char *name : {"zorvel-configurator.exe", "SimpleIO-UM.dll", "translations/zorvel_en.qm"})
            QVERIFY(QFile::copy(build.filePath(name), root.filePath(name)));
        const QString program = root.filePath("zorvel-configurator.exe");
        const QStringList language{"--lang", "en"};
#else
        const QDir root(dir.filePath(QStringLiteral("usr")));
        QVERIFY(root.mkpath("bin") && root.mkpath("lib/zorvel-configurator") && root.mkpath("share/zorvel-configurator/translations"));
        QVERIFY(QFile::copy(LAUNCHER, root.filePath("bin/zorvel-configurator"))
                && QFile::setPermissions(root.filePath("bin/zorvel-configurator"), QFile::ReadOwner | QFile::ExeOwner));
        for (const char *name : {"zorvel-configurator", "libSimpleIO-UM.so", "libSimpleIO-UM-demo.so"})
            QVERIFY(QFile::copy(build.filePath(name), root.filePath(QStringLiteral("lib/zorvel-configurator/") + name)));
        QVERIFY(QFile::copy(build.filePath("translations/zorvel_en.qm"), root.filePath("share/zorvel-configurator/translations/zorvel_en.qm")));
        const QString program = root.filePath("bin/zorvel-configurator");
        const QStringList language;
        env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
        env.remove(QStringLiteral("LC_ALL"));
        env.remove(QStringLiteral("LC_MESSAGES"));
#endif
        started.setProcessEnvironment(env);
        QVERIFY(file("site/site.json", Profile45).size());
        started.start(program, language + QStringList{"write", "site.json", "--trace", "write.vcd"});
        QVERIFY(started.waitForFinished(30000));
        QVERIFY2(started.exitCode() == 0, started.readAllStandardError().constData());
        QVERIFY(started.readAllStandardOutput().contains("written successfully"));
        QVERIFY(QFileInfo(dir.filePath("site/write.vcd")).isFile());
    }

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
    QProcessEnvironment env = simulated(frames, fault);
    if (fault == QLatin1String("no-journal"))
        env.insert(QStringLiteral("XDG_DATA_HOME"), QStringLiteral("/dev/null/none"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QFileInfo(program).absolutePath());
    process.start(program, arguments);
    Result result;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit)
        // A Windows console program ends its lines with CR LF.
        result = {process.exitCode(), process.readAllStandardOutput().replace("\r\n", "\n"),
                  process.readAllStandardError().replace("\r\n", "\n"), {}};
    QFile log(frames);
    if (log.open(QIODevice::ReadOnly))
        result.frames = QString::fromLatin1(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return result;
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
