#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include "about/aboutdilog.h"

// Stands in for the web browser: remembers what the dialog asked to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestAboutDilog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init() { catcher.opened.clear(); }

    void serviceCode_data();
    void serviceCode();
    void closingKeysSwallowed_data();
    void closingKeysSwallowed();
    void link_data();
    void link();
    void ownLinkOpensSite();

private:
    UrlCatcher catcher;
};

namespace {

// One letter per show_btn emission: 't' for true, 'f' for false.
QString emissions(const QSignalSpy &spy)
{
    QString out;
    for (const QList<QVariant> &arguments : spy)
        out += arguments.at(0).toBool() ? QLatin1Char('t') : QLatin1Char('f');
    return out;
}

QLabel *textLabel(AboutDilog &dialog)
{
    return dialog.findChild<QLabel *>(QStringLiteral("_textLabel"));
}

} // namespace

void TestAboutDilog::initTestCase()
{
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
}

void TestAboutDilog::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void TestAboutDilog::serviceCode_data()
{
    // Each string is typed during one showing of the same dialog; '^' is a
    // Shift press on its own.
    QTest::addColumn<QStringList>("showings");
    QTest::addColumn<QString>("expected");

    QTest::newRow("code alone") << QStringList{"583019"} << "ffffft";
    QTest::newRow("after other text") << QStringList{"12ab583019"} << "fffffffff" "t";
    QTest::newRow("long text first") << QStringList{"0123456789abcdef583019"} << QString(21, 'f') + 't';
    QTest::newRow("repeated start") << QStringList{"5583019"} << "ffffff" "t";
    QTest::newRow("split over two showings") << QStringList{"583", "019"} << "ffffft";
    QTest::newRow("key after a match") << QStringList{"5830195"} << "ffffft" "f";
    QTest::newRow("buffer emptied by a match") << QStringList{"583019", "83019"} << "ffffft" "fffff";
    QTest::newRow("interrupted code") << QStringList{"58301x9"} << "fffffff";
    QTest::newRow("Shift alone within the code") << QStringList{"583^019"} << "fff" "f" "fft";
}

void TestAboutDilog::serviceCode()
{
    QFETCH(QStringList, showings);
    QFETCH(QString, expected);

    AboutDilog dialog;
    QSignalSpy spy(&dialog, &AboutDilog::show_btn);
    for (const QString &typed : showings) {
        dialog.show();
        for (const QChar c : typed) {
            if (c == QLatin1Char('^'))
                QTest::keyClick(&dialog, Qt::Key_Shift);
            else
                QTest::keyClicks(&dialog, QString(c));
        }
        dialog.findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        QVERIFY(!dialog.isVisible());
    }
    QCOMPARE(emissions(spy), expected);
}

void TestAboutDilog::closingKeysSwallowed_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

void TestAboutDilog::closingKeysSwallowed()
{
    QFETCH(int, key);

    AboutDilog dialog;
    QSignalSpy spy(&dialog, &AboutDilog::show_btn);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key(key));
    QVERIFY(dialog.isVisible());
    QCOMPARE(emissions(spy), QStringLiteral("f"));
}

void TestAboutDilog::link_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("opens");

    QTest::newRow("another http address") << "http://elsewhere.example/" << true;
    QTest::newRow("https") << "https://elsewhere.example/" << true;
    QTest::newRow("capitals") << "HTTP://WWW.ZORVEL-NPP.EXAMPLE/" << false;
    QTest::newRow("mail") << "mailto:support@zorvel-npp.example" << false;
}

void TestAboutDilog::link()
{
    QFETCH(QString, target);
    QFETCH(bool, opens);

    AboutDilog dialog;
    emit textLabel(dialog)->linkActivated(target);
    const QList<QUrl> expected = opens ? QList<QUrl>{QUrl(QLatin1String(AboutDilog::FirmwareSite))}
                                       : QList<QUrl>{};
    QCOMPARE(catcher.opened, expected);
}

void TestAboutDilog::ownLinkOpensSite()
{
    AboutDilog dialog;
    const QRegularExpression anchor(QStringLiteral("<a href=\"([^\"]*)\">([^<]*)</a>"));
    const QRegularExpressionMatch match = anchor.match(textLabel(dialog)->text());
    QVERIFY(match.hasMatch());

    emit textLabel(dialog)->linkActivated(match.captured(1));
    QCOMPARE(catcher.opened, QList<QUrl>{QUrl(QLatin1String(AboutDilog::FirmwareSite))});
    // What the user reads is where the link takes them.
    QVERIFY(match.captured(2).contains(catcher.opened.first().host()));
}

QTEST_MAIN(TestAboutDilog)
#include "tst_aboutdilog.moc"
