// The record file data/a: slot offsets, the marker, corrupt and missing files, refusals that leave the disk alone.
#include <QtTest>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "ui/file.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testsupport.h"

// Every row hands in the same values: only their low bytes 55 ab ff are stored,
// and a read keeps the upper bits handed in.
static const std::int32_t Values[3] = {0x155, 0x2ab, -1};

class TestFile : public QObject
{
    Q_OBJECT

private slots:
    void transfers_data()
    {
        // before and after: the file in hex, "-" for none, "fifo"; before may
        // also be "no folder". Each step runs on a new object: "w<slot>"
        // writes, "r<slot>" reads, "-" only constructs. boxes: "title: text"
        // of each box shown, then what the last read returned.
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("after");
        const QString zeros = "000000 000000 000000 000000", pattern = "101112 131415 161718 191a1b";
        const QString complete = "Write file: Write configuration complete!", none = "Read file: No saved configuration!";
        const QString unchanged = "341 683 -1", slotless = " file: No such slot in data//a!", shut = " file: Cannot open data//a!";
        QTest::newRow("no file: created, nothing to read") << "-" << "r0" << QStringList{none, unchanged} << zeros;
        QTest::newRow("13 bytes replaced") << pattern + "ff" << "-" << QStringList{"Write file: File Corrupted! Creating new..."} << zeros;
        QTest::newRow("empty file: nothing to read, then written") << "" << "r0 w0 r0" << QStringList{none, complete, unchanged} << "55abff";
        QTest::newRow("slot 3 written") << pattern << "w3" << QStringList{complete} << "101112 131415 161718 55abff";
        QTest::newRow("slot 3 read") << "000000 000000 000000 550708" << "r3" << QStringList{"341 519 -248"} << "000000 000000 000000 550708";
        QTest::newRow("slot without the marker") << "540708" << "r0" << QStringList{none, unchanged} << "540708";
        // A failed seek to -3 would leave the stream at slot 0.
        QTest::newRow("slots -1 and 4 refused") << pattern << "w-1 r-1 w4 r4"
            << QStringList{"Write" + slotless, "Read" + slotless, "Write" + slotless, "Read" + slotless, unchanged} << pattern;
        QTest::newRow("no data folder") << "no folder" << "- w0 r0" << QStringList{"Write" + shut, "Read" + shut, unchanged} << "-";
        // A read from a FIFO would wait for a writer that never comes.
        QTest::newRow("a FIFO refused") << "fifo" << "w0 r0" << QStringList{"Write" + shut, "Read" + shut, unchanged} << "fifo";
    }

    void transfers()
    {
        QFETCH(QString, before);
        QFETCH(QString, steps);
        QFETCH(QStringList, boxes);
        QFETCH(QString, after);
        QTemporaryDir dir; // each row moves into a folder of its own
        QVERIFY(QDir::setCurrent(dir.path()) && (before == "no folder" || QDir().mkdir("data")));
        QFile out("data/a");
        if (before == "fifo") {
#ifdef _WIN32
            QSKIP("Windows has no FIFO");
#else
            QCOMPARE(::mkfifo("data/a", 0600), 0);
#endif
        }
        else if (before != "-" && before != "no folder")
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(QByteArray::fromHex(before.toLatin1())) >= 0);
        out.close();

        testsupport::ModalAnswerer answerer({"OK"});
        QString returned;
#ifndef _WIN32
        ::alarm(20); // a blocked window ends the test instead of hanging it
#endif
        for (const QString &step : steps.split(u' ')) {
            file storage(nullptr, Values);
            if (step[0] == u'w')
                storage.writeRecord(step.mid(1).toInt());
            if (step[0] == u'r') {
                const RecordValues read = storage.readRecord(step.mid(1).toInt());
                returned = QStringLiteral("%1 %2 %3").arg(read.v[0]).arg(read.v[1]).arg(read.v[2]);
            }
        }
#ifndef _WIN32
        ::alarm(0);
#endif
        QStringList seen;
        for (const testsupport::ModalAnswerer::Seen &box : answerer.seen())
            seen << box.title + ": " + box.text + (box.icon == QMessageBox::Information ? "" : " (not information)");
        if (!returned.isEmpty())
            seen << returned;
        QCOMPARE(seen, boxes);
        const QFileInfo onDisk(out);
        QCOMPARE(onDisk.isFile() && out.open(QIODevice::ReadOnly) ? QString(out.readAll().toHex()) : onDisk.exists() ? "fifo" : "-",
                 after.remove(u' '));
    }
};

QTEST_MAIN(TestFile)
#include "tst_file.moc"
