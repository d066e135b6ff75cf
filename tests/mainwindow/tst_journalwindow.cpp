// The journal window: the filter narrows the table as one types, a note edited in place is stored, the export holds what is shown.
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "mainwindow/journalwindow.h"
#include "storage/journal.h"

class TestJournalWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<Journal> journal;
    std::unique_ptr<JournalWindow> window;
    QLineEdit *filter = nullptr;
    QTableView *table = nullptr;

    // QTest::keyClicks takes Latin-1 only; each character goes as one key press.
    static void type(QWidget *widget, const QString &text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_A, QString(c), Qt::NoModifier);
    }

    QString journalPath() const { return folder->filePath(QStringLiteral("journal.sqlite")); }

    void add(JournalEntry::Kind kind, JournalEntry::Source source, const char *note)
    {
        JournalEntry entry;
        entry.kind = kind;
        entry.source = source;
        entry.note = QString::fromUtf8(note);
        if (kind == JournalEntry::Kind::DateSet)
            entry.date = QDate(2025, 5, 1);
        else
            entry.read = entry.written = JournalEntry::Parameters{0x08, 25, 0, 5, 0};
        QVERIFY(journal->add(entry));
    }

private slots:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        journal = std::make_unique<Journal>(journalPath());
        add(JournalEntry::Kind::ParameterRead, JournalEntry::Source::Window, "Зона 1");
        add(JournalEntry::Kind::Write, JournalEntry::Source::CommandLine, "");
        add(JournalEntry::Kind::DateSet, JournalEntry::Source::Window, "опора 12");
        window = std::make_unique<JournalWindow>(journal.get());
        window->show();
        filter = window->findChild<QLineEdit *>(QStringLiteral("filter"));
        table = window->findChild<QTableView *>(QStringLiteral("table"));
        QVERIFY(filter && table);
    }
    void cleanup()
    {
        window.reset();
        journal.reset();
    }

    void filterNarrowsAsOneTypes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("rows");
        QTest::newRow("nothing") << "" << 3;
        QTest::newRow("a note, other case") << "зона" << 1;
        QTest::newRow("the source") << "командная" << 1;
        QTest::newRow("a date") << "2025-05-01" << 1;
        QTest::newRow("nowhere") << "zzz" << 0;
    }
    void filterNarrowsAsOneTypes()
    {
        QFETCH(QString, typed);
        QFETCH(int, rows);
        type(filter, typed);
        QCOMPARE(table->model()->rowCount(), rows);
    }

    void noteEditedInPlaceIsStored()
    {
        // Newest first: the date set is on top.
        const QModelIndex note = table->model()->index(0, JournalModel::Note);
        QVERIFY(table->model()->data(table->model()->index(0, JournalModel::Action)).toString().contains("дат"));
        QVERIFY(!(table->model()->flags(table->model()->index(0, JournalModel::Parameters)) & Qt::ItemIsEditable));
        table->setFocus();
        table->setCurrentIndex(note);
        QTest::keyClick(table, Qt::Key_F2);
        auto *editor = table->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->selectAll();
        type(editor, QStringLiteral("опора 13, ворота"));
        // The delegate commits in a queued call.
        QSignalSpy stored(table->model(), &QAbstractItemModel::dataChanged);
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(stored.wait(5000));

        const QVector<JournalEntry> entries = Journal(journalPath()).entries();
        QCOMPARE(entries.first().note, QStringLiteral("опора 13, ворота"));
        QCOMPARE(entries.last().note, QStringLiteral("Зона 1"));
    }

    void exportHoldsWhatIsShown()
    {
        type(filter, QStringLiteral("5, выкл")); // the parameters of the read and the write
        const int shown = table->model()->rowCount();
        QCOMPARE(shown, 2);
        const QString path = folder->filePath(QStringLiteral("export.csv"));
        QString error;
        QVERIFY2(window->exportCsv(path, &error), qPrintable(error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray csv = file.readAll();
        QCOMPARE(csv.count("\r\n"), shown + 1);
        QVERIFY(csv.contains("Зона 1") && csv.contains("командная"));
        QVERIFY(!csv.contains("опора 12"));
    }
};

QTEST_MAIN(TestJournalWindow)
#include "tst_journalwindow.moc"
