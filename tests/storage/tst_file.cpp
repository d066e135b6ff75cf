#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "storage/file.h"
#include "tests/support/testsupport.h"

using testsupport::ModalAnswerer;

class TestFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { home = QDir::currentPath(); }
    void init();
    void cleanup();

    void transfers_data();
    void transfers();
    void missingFolder();
    void streamClosed_data();
    void streamClosed();

private:
    QString home;
    std::unique_ptr<QTemporaryDir> dir;
};

namespace {

const QString Absent = QStringLiteral("-");
const QString Zeros = QStringLiteral("000000 000000 000000 000000");
const QString Pattern = QStringLiteral("101112 131415 161718 191a1b");
const QString Corrupt = QStringLiteral("Write file: File Corrupted! Creating new...");
const QString Complete = QStringLiteral("Write file: Write configuration complete!");
const QString NoRecord = QStringLiteral("Read file: No saved configuration!");

const char Path[] = "data/a";

// Hex text, spaces allowed; "-" stands for no file at all.
void putFile(const QString &hex)
{
    if (hex == Absent)
        return;
    QFile out(QString::fromLatin1(Path));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(QByteArray::fromHex(hex.toLatin1()));
}

QString fileHex()
{
    QFile in(QString::fromLatin1(Path));
    if (!in.open(QIODevice::ReadOnly))
        return Absent;
    return QString::fromLatin1(in.readAll().toHex());
}

QString compact(QString hex)
{
    return hex == Absent ? hex : hex.remove(QLatin1Char(' '));
}

QStringList boxes(const ModalAnswerer &answerer)
{
    QStringList out;
    for (const ModalAnswerer::Seen &seen : answerer.seen()) {
        QStringList buttons = seen.buttons;
        buttons.replaceInStrings(QStringLiteral("&"), QString());
        if (seen.icon != QMessageBox::Information || buttons != QStringList{QStringLiteral("OK")})
            out << QStringLiteral("not a plain information box");
        out << seen.title + QStringLiteral(": ") + seen.text;
    }
    return out;
}

// Runs each step on a new object: "w<slot>" writes, "r<slot>" reads, "-" only
// constructs. Returns what the last read returned.
QList<int> runSteps(const QString &steps, const QList<int> &values)
{
    const std::int32_t in[3] = {values[0], values[1], values[2]};
    QList<int> returned;
    for (const QString &step : steps.split(QLatin1Char(' '))) {
        file storage(nullptr, in);
        const int slot = step.mid(1).toInt();
        if (step.startsWith(QLatin1Char('w'))) {
            storage.writeRecord(slot);
        } else if (step.startsWith(QLatin1Char('r'))) {
            const RecordValues out = storage.readRecord(slot);
            returned = {out.v[0], out.v[1], out.v[2]};
        }
    }
    return returned;
}

int openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

} // namespace

void TestFile::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("data")));
    QVERIFY(QDir::setCurrent(dir->path()));
}

void TestFile::cleanup()
{
    QDir::setCurrent(home);
    dir.reset();
}

void TestFile::transfers_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QList<int>>("returned");

    const QList<int> record{0x55, 0x11, 0x22};
    const QList<int> none;

    QTest::newRow("no file: nothing to read") << Absent << record << "r0" << QStringList{NoRecord} << Zeros << record;
    QTest::newRow("12 bytes kept") << Pattern << record << "-" << QStringList{} << Pattern << none;
    QTest::newRow("13 bytes replaced") << Pattern + "ff" << record << "-" << QStringList{Corrupt} << Zeros << none;
    QTest::newRow("empty file: nothing to read") << "" << record << "r0" << QStringList{NoRecord} << "" << record;
    QTest::newRow("empty file: written and read back")
        << "" << record << "w0 r0" << QStringList{Complete} << "551122" << record;
    QTest::newRow("slot 0 written") << Pattern << record << "w0" << QStringList{Complete}
                                    << "551122 131415 161718 191a1b" << none;
    QTest::newRow("slot 3 written") << Pattern << record << "w3" << QStringList{Complete}
                                    << "101112 131415 161718 551122" << none;
    QTest::newRow("slot 4 corrupt next time") << Zeros << record << "w4 -" << QStringList{Complete, Corrupt}
                                              << Zeros << none;
    QTest::newRow("slot 0 read") << "55aabb 131415 161718 191a1b" << QList<int>{0, 0, 0} << "r0" << QStringList{}
                                 << "55aabb 131415 161718 191a1b" << QList<int>{0x55, 0xaa, 0xbb};
    QTest::newRow("slot 3 read") << "000000 000000 000000 550708" << QList<int>{0, 0, 0} << "r3" << QStringList{}
                                 << "000000 000000 000000 550708" << QList<int>{0x55, 7, 8};
    QTest::newRow("record without the marker")
        << Zeros << QList<int>{0x54, 1, 2} << "w0 r0" << QStringList{Complete, NoRecord}
        << "540102 000000 000000 000000" << QList<int>{0x54, 1, 2};
    QTest::newRow("low 8 bits written") << Zeros << QList<int>{0x155, 0x2ab, -1} << "w0" << QStringList{Complete}
                                        << "55abff 000000 000000 000000" << none;
    QTest::newRow("upper bits kept on read")
        << "550102" << QList<int>{0x1200, 0x3400, -256} << "r0" << QStringList{} << "550102"
        << QList<int>{0x1255, 0x3401, -254};
}

void TestFile::transfers()
{
    QFETCH(QString, before);
    QFETCH(QList<int>, values);
    QFETCH(QString, steps);
    QFETCH(QStringList, messages);
    QFETCH(QString, after);
    QFETCH(QList<int>, returned);

    putFile(before);
    ModalAnswerer answerer({QStringLiteral("OK")});
    QCOMPARE(runSteps(steps, values), returned);
    QCOMPARE(boxes(answerer), messages);
    QCOMPARE(fileHex(), compact(after));
}

void TestFile::missingFolder()
{
    QVERIFY(QDir().rmdir(QStringLiteral("data")));
    const QList<int> values{0x1255, 0x11, 0x22};

    ModalAnswerer answerer({QStringLiteral("OK")});
    QCOMPARE(runSteps(QStringLiteral("- w0 r0"), values), values);
    QCOMPARE(boxes(answerer), (QStringList{QStringLiteral("Write file: Cannot open data//a!"),
                                           QStringLiteral("Read file: Cannot open data//a!")}));
    QVERIFY(QDir().isEmpty());
}

void TestFile::streamClosed_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("step");

    QTest::newRow("no transfer") << Pattern << "-";
    QTest::newRow("no transfer, file created") << Absent << "-";
    QTest::newRow("no transfer, file re-created") << Pattern + "ff" << "-";
    QTest::newRow("write") << Pattern << "w0";
    QTest::newRow("read") << Pattern << "r0";
}

void TestFile::streamClosed()
{
    QFETCH(QString, before);
    QFETCH(QString, step);

    putFile(before);
    ModalAnswerer answerer({QStringLiteral("OK")});
    const int open = openDescriptors();
    {
        const std::int32_t values[3] = {0x55, 1, 2};
        file storage(nullptr, values);
        QCOMPARE(openDescriptors(), open + 1);
        if (step == QLatin1String("w0"))
            storage.writeRecord(0);
        else if (step == QLatin1String("r0"))
            storage.readRecord(0);
    }
    QCOMPARE(openDescriptors(), open);

    // Nothing holds the old file: another can take its place and is read.
    QVERIFY(QFile::remove(QString::fromLatin1(Path)));
    putFile(QStringLiteral("557788"));
    QCOMPARE(runSteps(QStringLiteral("r0"), {0, 0, 0}), (QList<int>{0x55, 0x77, 0x88}));
}

QTEST_MAIN(TestFile)
#include "tst_file.moc"
