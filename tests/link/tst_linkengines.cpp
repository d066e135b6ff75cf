// The pure pieces of the link: bit order, frame lengths, date frame and reply text.
#include <QtTest>

#include "link/linkengines.h"
#include "mainwindow/deviceconfig.h"

class LinkEnginesTest : public QObject
{
    Q_OBJECT

private slots:
    void bitsGoMostSignificantFirst();
    void frameLengths_data();
    void frameLengths();
    void parameterFrameOrder();
    void dateFrame_data();
    void dateFrame();
    void dateReplyText_data();
    void dateReplyText();
};

void LinkEnginesTest::bitsGoMostSignificantFirst()
{
    QString sent;
    for (int index = 7; index >= 0; --index)
        sent += bitOf(0xA6, index) ? QLatin1Char('1') : QLatin1Char('0');
    QCOMPARE(sent, QStringLiteral("10100110"));
}

void LinkEnginesTest::frameLengths_data()
{
    QTest::addColumn<int>("engine");
    QTest::addColumn<int>("ticks");
    // Worked by hand: 16 ticks a byte, 2 more for the idle bit between bytes,
    // and one data tick that ends the frame.
    QTest::newRow("handshake 0xAA") << int(LinkEngine::HandshakeTx) << 17;
    QTest::newRow("write 0xA6 + 5") << int(LinkEngine::WriteTx) << 107;
    QTest::newRow("date 0xA1 + 3") << int(LinkEngine::DateTx) << 71;
    // The raw frame has no idle bit and ends on the data tick of its last bit.
    QTest::newRow("console raw 3") << int(LinkEngine::ConsoleTx) << 47;
}

void LinkEnginesTest::frameLengths()
{
    QFETCH(int, engine);
    QFETCH(int, ticks);
    const EngineRow &row = engineRow(LinkEngine(engine));
    QCOMPARE(transmitTicks(row.bytes, row.idleBitAfterByte), ticks);
}

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
