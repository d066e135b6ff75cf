// The pure pieces of the link: the parameter frame's order, the date frame and
// the date reply's text. (Bit order and tick counts show in the link's traces.)
#include <QtTest>

#include "link/linkengines.h"
#include "mainwindow/deviceconfig.h"

class LinkEnginesTest : public QObject
{
    Q_OBJECT

private slots:
    void parameterFrameOrder();
    void dateFrame_data();
    void dateFrame();
    void dateReplyText_data();
    void dateReplyText();
};

void LinkEnginesTest::parameterFrameOrder()
{
    DeviceConfig block{1, 2, 3, 25, 0x0A, 99};
    QByteArray sent;
    for (int i = 0; i < ParameterFrame::length; ++i)
        sent += char(ParameterFrame::byteAt(block, i));
    // flag, angle, range_1, range_2, range_3; spare never travels.
    QCOMPARE(sent, QByteArray("\x0a\x19\x01\x02\x03", 5));
}

void LinkEnginesTest::dateFrame_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("5 March 2024") << QDate(2024, 3, 5) << QByteArray("\xA1\x18\x03\x05", 4);
    QTest::newRow("31 December 1999") << QDate(1999, 12, 31) << QByteArray("\xA1\x63\x0C\x1F", 4);
    QTest::newRow("year 2100") << QDate(2100, 1, 1) << QByteArray("\xA1\x00\x01\x01", 4);
}

void LinkEnginesTest::dateFrame()
{
    QFETCH(QDate, date);
    QFETCH(QByteArray, frame);
    QByteArray sent;
    for (int i = 0; i < 4; ++i)
        sent += char(dateFrameByte(date, i));
    QCOMPARE(sent, frame);
}

void LinkEnginesTest::dateReplyText_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::newRow("signed bytes") << QByteArray("\x0C\x01\x0F\x80\xFF\x11\x22", 7)
                                  << QStringLiteral("12  ; 1  ; 15  ; -128  ; -1  ; ");
    QTest::newRow("idle line") << QByteArray(7, '\xFF') << QStringLiteral("-1  ; -1  ; -1  ; -1  ; -1  ; ");
}

void LinkEnginesTest::dateReplyText()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    QCOMPARE(formatDateReply(reinterpret_cast<const std::uint8_t *>(reply.constData())), text);
}

QTEST_GUILESS_MAIN(LinkEnginesTest)
#include "tst_linkengines.moc"
