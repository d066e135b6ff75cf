// The About dialog: the service code that reveals the console button, keys that must not close it, and its web link.
#include <QtTest>
#include <QtWidgets>

#include "about/aboutdilog.h"

class TestAboutDilog : public QObject
{
    Q_OBJECT

    QStringList opened; // what the dialog asked the web browser to open

public slots:
    void open(const QUrl &url) { opened << url.toString(); }

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler("http", this, "open"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("http"); }

    void keysAndLink_data()
    {
        // Each string is typed during one showing of the same dialog; '^' is
        // Shift alone, '~' Escape and '|' Return. Then `link` is activated
        // ("own" for the dialog's own). seen: one letter per show_btn, 't'
        // for true and 'f' for false, then what was opened.
        QTest::addColumn<QStringList>("showings");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("seen");
        QTest::newRow("code alone") << QStringList{"583019"} << "" << "ffffft";
        QTest::newRow("after other text, one 5 too many") << QStringList{"12a5583019"} << "" << "fffffffff" "t";
        QTest::newRow("split over two showings") << QStringList{"583", "019"} << "" << "fff" "fft";
        QTest::newRow("key after a match") << QStringList{"5830195"} << "" << "ffffft" "f";
        QTest::newRow("interrupted code") << QStringList{"58301x9"} << "" << "fffffff";
        QTest::newRow("Shift alone within the code") << QStringList{"583^019"} << "" << "fff" "f" "fft";
        QTest::newRow("Escape and Return keep it open") << QStringList{"~|"} << "" << "ff";
        QTest::newRow("own link") << QStringList{} << "own" << " http://www.zorvel-npp.example/";
        QTest::newRow("another http address: the maker's") << QStringList{} << "http://elsewhere.example/" << " http://www.zorvel-npp.example/";
        QTest::newRow("capitals") << QStringList{} << "HTTP://WWW.ZORVEL-NPP.EXAMPLE/" << "";
        QTest::newRow("mail") << QStringList{} << "mailto:support@zorvel-npp.example" << "";
    }

    void keysAndLink()
    {
        QFETCH(QStringList, showings);
        QFETCH(QString, link);
        QFETCH(QString, seen);
        AboutDilog dialog;
        QString emitted;
        connect(&dialog, &AboutDilog::show_btn, this, [&](bool shown) { emitted += shown ? u't' : u'f'; });
        for (const QString &typed : showings) {
            dialog.show();
            for (const QChar c : typed) {
                const int special = QStringLiteral("^~|").indexOf(c);
                special < 0 ? QTest::keyClicks(&dialog, c) : QTest::keyClick(&dialog, QList{Qt::Key_Shift, Qt::Key_Escape, Qt::Key_Return}[special]);
            }
            QVERIFY(dialog.isVisible());
            dialog.findChild<QPushButton *>("pushButton")->click();
        }
        auto *label = dialog.findChild<QLabel *>("_textLabel");
        const auto anchor = QRegularExpression("<a href=\"([^\"]*)\">([^<]*)</a>").match(label->text());
        // What the user reads is where the link takes them.
        QVERIFY(anchor.captured(2).contains(QUrl(AboutDilog::FirmwareSite).host()));
        opened.clear();
        if (!link.isEmpty())
            emit label->linkActivated(link == "own" ? anchor.captured(1) : link);
        QCOMPARE(emitted + (opened.isEmpty() ? "" : u' ' + opened.join(u' ')), seen);
    }
};

QTEST_MAIN(TestAboutDilog)
#include "tst_aboutdilog.moc"
