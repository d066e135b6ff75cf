#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#include "about/aboutdilog.h"

class TestAboutDilog : public QObject
{
    Q_OBJECT

    QList<QUrl> opened; // what the dialog asked the web browser to open

public slots:
    void open(const QUrl &url) { opened << url; }

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }

    void serviceCode_data()
    {
        // Each string is typed during one showing of the same dialog; '^' is
        // Shift alone, '~' Escape and '|' Return. One letter per show_btn: 't'
        // for true, 'f' for false.
        QTest::addColumn<QStringList>("showings");
        QTest::addColumn<QString>("emitted");
        QTest::newRow("code alone") << QStringList{"583019"} << "ffffft";
        QTest::newRow("after other text, one 5 too many") << QStringList{"12a5583019"} << "fffffffff" "t";
        QTest::newRow("split over two showings") << QStringList{"583", "019"} << "fff" "fft";
        QTest::newRow("key after a match") << QStringList{"5830195"} << "ffffft" "f";
        QTest::newRow("interrupted code") << QStringList{"58301x9"} << "fffffff";
        QTest::newRow("Shift alone within the code") << QStringList{"583^019"} << "fff" "f" "fft";
        QTest::newRow("Escape and Return keep it open") << QStringList{"~|"} << "ff";
    }

    void serviceCode()
    {
        QFETCH(QStringList, showings);
        QFETCH(QString, emitted);
        AboutDilog dialog;
        QString seen;
        connect(&dialog, &AboutDilog::show_btn, this, [&](bool shown) { seen += QLatin1Char(shown ? 't' : 'f'); });
        for (const QString &typed : showings) {
            dialog.show();
            for (const QChar c : typed) {
                const int special = QStringLiteral("^~|").indexOf(c);
                const Qt::Key specialKeys[] = {Qt::Key_Shift, Qt::Key_Escape, Qt::Key_Return};
                if (special < 0)
                    QTest::keyClicks(&dialog, QString(c));
                else
                    QTest::keyClick(&dialog, specialKeys[special]);
            }
            QVERIFY(dialog.isVisible());
            dialog.findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        }
        QCOMPARE(seen, emitted);
    }

    void link_data()
    {
        QTest::addColumn<QString>("target"); // empty: the dialog's own link
        QTest::addColumn<bool>("opens");
        QTest::newRow("own link") << "" << true;
        QTest::newRow("another http address") << "http://elsewhere.example/" << true;
        QTest::newRow("capitals") << "HTTP://WWW.ZORVEL-NPP.EXAMPLE/" << false;
        QTest::newRow("mail") << "mailto:support@zorvel-npp.example" << false;
    }

    void link()
    {
        QFETCH(QString, target);
        QFETCH(bool, opens);
        AboutDilog dialog;
        auto *label = dialog.findChild<QLabel *>(QStringLiteral("_textLabel"));
        const auto anchor = QRegularExpression(QStringLiteral("<a href=\"([^\"]*)\">([^<]*)</a>")).match(label->text());
        const QUrl site(QLatin1String(AboutDilog::FirmwareSite));
        // What the user reads is where the link takes them.
        QVERIFY(anchor.captured(2).contains(site.host()));
        opened.clear();
        emit label->linkActivated(target.isEmpty() ? anchor.captured(1) : target);
        QCOMPARE(opened, opens ? QList<QUrl>{site} : QList<QUrl>{});
    }
};

QTEST_MAIN(TestAboutDilog)
#include "tst_aboutdilog.moc"
