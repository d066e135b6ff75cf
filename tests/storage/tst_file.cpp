// The record file data/a: slot offsets, the marker, corrupt and missing files, refusals that leave disk alone.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include "storage/file.h"
#include "tests/support/testsupport.h"

namespace {

const QString Zeros = QStringLiteral("000000 000000 000000 000000");
const QString Pattern = QStringLiteral("101112 131415 161718 191a1b");
const QString Corrupt = QStringLiteral("Write file: File Corrupted! Creating new...");
const QString Complete = QStringLiteral("Write file: Write configuration complete!");
const QString NoRecord = QStringLiteral("Read file: No saved configuration!");
const QList<int> Record{0x55, 0x11, 0x22};

// The storage file in hex, "-" when there is none, "fifo" for a FIFO.
QString onDisk()
{
    QFile in(QStringLiteral("data/a"));
    if (!QFileInfo(in).isFile())
        return in.exists() ? QStringLiteral("fifo") : QStringLiteral("-");
    return in.open(QIODevice::ReadOnly) ? QString::fromLatin1(in.readAll().toHex()) : QString();
}

int openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

} // namespace

class TestFile : public QObject
{
    Q_OBJECT

    const QString home = QDir::currentPath();

    // before and after: the file in hex, "-" for none, "fifo"; before may also
    // be "no folder". Each step runs on a new object: "w<slot>" writes,
    // "r<slot>" reads, "-" only constructs. returned: what the last read gave.
    static void row(const char *name, const QString &before, const QList<int> &values, const char *steps,
                    const QStringList &messages, const QString &after, const QList<int> &returned = {})
    {
        QTest::newRow(name) << before << values << QString::fromLatin1(steps) << messages << after << returned;
    }

private slots:
    void cleanup() { QDir::setCurrent(home); }

    void transfers_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QList<int>>("returned");

        row("no file: created, nothing to read", "-", Record, "r0", {NoRecord}, Zeros, Record);
        row("12 bytes kept", Pattern, Record, "-", {}, Pattern);
        row("13 bytes replaced", Pattern + "ff", Record, "-", {Corrupt}, Zeros);
        row("empty file: nothing to read, then written", "", Record, "r0 w0 r0", {NoRecord, Complete}, "551122", Record);
        row("slot 3 written", Pattern, Record, "w3", {Complete}, "101112 131415 161718 551122");
        row("slot 3 read", "000000 000000 000000 550708", {0, 0, 0}, "r3", {}, "000000 000000 000000 550708",
            {0x55, 7, 8});
        row("record without the marker", Zeros, {0x54, 1, 2}, "w0 r0", {Complete, NoRecord},
            "540102 000000 000000 000000", {0x54, 1, 2});
        // Only the low 8 bits are stored and read back; the upper bits are those handed in.
        row("values of 256 and more", Zeros, {0x155, 0x2ab, -1}, "w0 r0", {Complete}, "55abff 000000 000000 000000",
            {0x155, 0x2ab, -1});
        // A failed seek to -3 would leave the stream at slot 0.
        row("slots -1 and 4 refused", "55aabb 131415 161718 191a1b", Record, "w-1 r-1 w4 r4",
            {"Write file: No such slot in data//a!", "Read file: No such slot in data//a!",
             "Write file: No such slot in data//a!", "Read file: No such slot in data//a!"},
            "55aabb 131415 161718 191a1b", Record);
        row("no data folder", "no folder", Record, "- w0 r0",
            {"Write file: Cannot open data//a!", "Read file: Cannot open data//a!"}, "-", Record);
        // A read from a FIFO would wait for a writer that never comes.
        row("a FIFO is refused", "fifo", Record, "w0 r0",
            {"Write file: Cannot open data//a!", "Read file: Cannot open data//a!"}, "fifo", Record);
    }

    void transfers()
    {
        QFETCH(QString, before);
        QFETCH(QList<int>, values);
        QFETCH(QString, steps);
        QFETCH(QStringList, messages);
        QFETCH(QString, after);
        QFETCH(QList<int>, returned);

        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        QFile out(QStringLiteral("data/a"));
        QVERIFY(before == "no folder" || QDir().mkdir(QStringLiteral("data")));
        if (before == "fifo")
            QCOMPARE(::mkfifo("data/a", 0600), 0);
        else if (before != "-" && before != "no folder")
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(QByteArray::fromHex(before.toLatin1())) >= 0);
        out.close();

        const int open = openDescriptors();
        testsupport::ModalAnswerer answerer({QStringLiteral("OK")});
        const std::int32_t in[3] = {values[0], values[1], values[2]};
        QList<int> got;
        ::alarm(20); // a blocked window ends the test instead of hanging it
        for (const QString &step : steps.split(QLatin1Char(' '))) {
            file storage(nullptr, in);
            const int slot = step.mid(1).toInt();
            if (step.startsWith(QLatin1Char('w')))
                storage.writeRecord(slot);
            else if (step.startsWith(QLatin1Char('r'))) {
                const RecordValues read = storage.readRecord(slot);
                got = {read.v[0], read.v[1], read.v[2]};
            }
        }
        ::alarm(0);
        // The stream is closed on every path, after a transfer or none.
        QCOMPARE(openDescriptors(), open);

        QStringList boxes;
        for (const testsupport::ModalAnswerer::Seen &box : answerer.seen()) {
            QVERIFY(box.icon == QMessageBox::Information && box.buttons.join(QString()).remove('&') == "OK");
            boxes << box.title + QStringLiteral(": ") + box.text;
        }
        QCOMPARE(boxes, messages);
        QCOMPARE(got, returned);
        QCOMPARE(onDisk(), after.remove(QLatin1Char(' ')));
    }
};

QTEST_MAIN(TestFile)
#include "tst_file.moc"
