// Writing the parameter block with read-back, and the date commands, against
// the simulated detector.
#include <QDate>
#include <QtTest>

#include "tests/link/linkfixture.h"

using testsupport::ModalAnswerer;

Q_DECLARE_METATYPE(DeviceConfig)

namespace {
const QString Written = QStringLiteral("Конфигурация записана успешно");
const QString NotWritten = QStringLiteral("Ошибка при записи конфигурации");
const QString ReadQuestion = QStringLiteral("Ошибка чтения конфигурации \n Повторить?");

QByteArray frame(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes)
        out += char(b);
    return out;
}
} // namespace

class WriteTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(sim.load()); }
    void init()
    {
        rig = LinkRig();
        rig.start(sim, false);
        QVERIFY(rig.waitFree());
        rig.resetWatch();
        framesBefore = sim.frameCount();
    }
    void cleanup() { rig.link.reset(); }

    void writeResult_data();
    void writeResult();
    void writeTraceAndProgress();
    void blockChangedOnTheLine();
    void failedReadBackRetried();
    void failedReadBackCancelled();
    void dateFrameCarriesToday();
    void dateReplyShownAsSignedNumbers();

private:
    QVector<QByteArray> newFrames() const { return sim.frames().mid(framesBefore); }
    void write() { rig.invoke("sendParamA6"); }

    testsupport::Simulator sim;
    LinkRig rig;
    int framesBefore = 0;
};

void WriteTest::writeResult_data()
{
    QTest::addColumn<DeviceConfig>("block");
    QTest::addColumn<bool>("writesIgnored");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QByteArray>("detectorHolds");
    // flag 0x09: class 3 off and the single-blow alarm; 45°; ranges 0, 15, 0.
    QTest::newRow("taken") << DeviceConfig{0, 15, 0, 45, 0x09, 0} << false << Written
                           << frame({0x09, 45, 0, 15, 0});
    // Bytes with the top bit set travel and compare as their 8-bit patterns.
    QTest::newRow("top bits") << DeviceConfig{char(0x81), 3, char(0xFF), char(0xC8), 0x00, 0} << false << Written
                              << frame({0x00, 0xC8, 0x81, 3, 0xFF});
    // spare never travels, so it cannot spoil the comparison.
    QTest::newRow("spare ignored") << DeviceConfig{1, 2, 3, 10, 0x00, 0x55} << false << Written
                                   << frame({0x00, 10, 1, 2, 3});
    QTest::newRow("not taken") << DeviceConfig{1, 2, 3, 10, 0x00, 0} << true << NotWritten << QByteArray();
}

void WriteTest::writeResult()
{
    QFETCH(DeviceConfig, block);
    QFETCH(bool, writesIgnored);
    QFETCH(QString, result);
    QFETCH(QByteArray, detectorHolds);

    const QByteArray before = sim.block();
    sim.setWritesIgnored(writesIgnored);
    rig.block = block;
    ModalAnswerer answerer({"OK"});
    write();
    QVERIFY(rig.waitFree(1, 5000));

    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Конфигурация"));
    QCOMPARE(answerer.seen().first().text, result);
    QCOMPARE(answerer.seen().first().icon, result == Written ? QMessageBox::Information : QMessageBox::Warning);
    QCOMPARE(sim.block(), detectorHolds.isEmpty() ? before : detectorHolds);
    QCOMPARE(rig.watch->events, QStringList({"busy", "busy", "config", "free"}));
}

void WriteTest::writeTraceAndProgress()
{
    rig.block = DeviceConfig{5, 10, 15, 25, 0x01, 0};
    rig.widget<QTextEdit>("sendText")->clear();
    ModalAnswerer answerer({"OK"});
    write();
    QVERIFY(rig.waitFree(1, 5000));

    const QString written = QStringLiteral("10100110|00000001|00011001|00000101|00001010|00001111||\n");
    QVERIFY2(rig.trace().startsWith(written + QStringLiteral("10101001|\n10100011|\n01010011|")), qPrintable(rig.trace()));
    QCOMPARE(newFrames(), (QVector<QByteArray>{frame({0xA6, 0x01, 25, 5, 10, 15}), frame({0xA9}), frame({0xA3})}));
    // 107 + 17 transmit ticks, 17 for the request and 96 for the reply.
    QCOMPARE(rig.ticks(), 107 + 17 + 17 + 96);

    // Every tick of the write frame reports, with the state before the tick;
    // the commit frame closes that display, the read-back opens its own.
    const auto &actions = rig.watch->actions;
    QCOMPARE(actions.size(), 107 + 1 + 96 + 1);
    QCOMPARE(actions.at(0), (QVector<int>{5, 7, 0}));
    QCOMPARE(actions.at(1), (QVector<int>{5, 6, 0}));   // the clock tick after bit 7 went out
    QCOMPARE(actions.at(2), (QVector<int>{5, 6, 0}));
    QCOMPARE(actions.at(16), (QVector<int>{5, -1, 0})); // the idle bit after byte 0
    QCOMPARE(actions.at(17), (QVector<int>{5, 7, 1}));
    QCOMPARE(actions.at(106), (QVector<int>{5, -1, 5}));
    QCOMPARE(actions.at(107), (QVector<int>{0, 0, 33}));
    QCOMPARE(actions.at(108), (QVector<int>{5, 7, 0}));
    QCOMPARE(actions.last(), (QVector<int>{0, 0, 33}));
}

void WriteTest::blockChangedOnTheLine()
{
    rig.block = DeviceConfig{1, 2, 3, 20, 0x00, 0};
    // range_1 changes as its byte starts; range_3 after the write frame but
    // before the commit frame ends.
    QObject::connect(rig.link.get(), &config::action, rig.watch.get(), [this](int total, int step, int cgi) {
        if (total == 5 && cgi == 3 && step == 7 && rig.block.range_1 == 1)
            rig.block.range_1 = 9;
        if (total == 0 && cgi == 33 && rig.block.range_3 == 3)
            rig.block.range_3 = 12;
    });
    ModalAnswerer answerer({"OK"});
    write();
    QVERIFY(rig.waitFree(1, 5000));

    // The bytes sent are those of the moment each bit went out ...
    QCOMPARE(newFrames().value(0), frame({0xA6, 0x00, 20, 9, 2, 3}));
    QCOMPARE(sim.block(), frame({0x00, 20, 9, 2, 3}));
    // ... and the comparison is made with the block as it stood after 0xA9.
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().text, NotWritten);
}

void WriteTest::failedReadBackRetried()
{
    rig.block = DeviceConfig{4, 4, 4, 30, 0x00, 0};
    sim.flipNextReplyBit(0); // the read-back's status byte arrives as 0xD3
    ModalAnswerer answerer({"Да", "OK"});
    write();
    QVERIFY(rig.waitFree(1, 8000));

    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen().at(0).text, ReadQuestion);
    QCOMPARE(answerer.seen().at(1).text, Written);
    // "Да" repeats only the request, at once: no second write frame.
    QCOMPARE(newFrames(),
             (QVector<QByteArray>{frame({0xA6, 0x00, 30, 4, 4, 4}), frame({0xA9}), frame({0xA3}), frame({0xA3})}));
}

void WriteTest::failedReadBackCancelled()
{
    rig.block = DeviceConfig{6, 6, 6, 35, 0x00, 0};
    sim.flipNextReplyBit(0);
    ModalAnswerer answerer({"Отмена", "OK"});
    write();
    QVERIFY(rig.waitFree(1, 8000));
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(rig.watch->actions.last(), (QVector<int>{0, 0, 33}));

    // The write is still waiting for its confirmation: the next good read,
    // whatever started it, shows the result.
    rig.invoke("sendParamA3");
    QVERIFY(rig.waitFree(2, 5000));
    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen().at(1).text, Written);

    rig.invoke("sendParamA3");
    QVERIFY(rig.waitFree(3, 5000));
    QCOMPARE(answerer.seen().size(), 2);
}

void WriteTest::dateFrameCarriesToday()
{
    rig.widget<QTextEdit>("sendText")->clear();
    const QDate today = QDate::currentDate();
    rig.widget<QPushButton>("btn_dt")->click();
    QVERIFY(rig.waitFree());
    if (QDate::currentDate() != today)
        QSKIP("the date changed while the frame was on the line");

    const QByteArray sent = frame({0xA1, today.year() % 100, today.month(), today.day()});
    QCOMPARE(newFrames(), QVector<QByteArray>{sent});
    unsigned char date[3] = {};
    sim.getDate(date);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(date), 3), sent.mid(1));
    QCOMPARE(rig.trace(), digits(0xA1) + QLatin1Char('|') + digits(sent[1]) + QLatin1Char('|') + digits(sent[2])
                              + QLatin1Char('|') + digits(sent[3]) + QStringLiteral("||\n"));
    QCOMPARE(rig.ticks(), 71);
    QCOMPARE(rig.watch->events, QStringList({"busy", "free"}));
    QVERIFY(rig.watch->actions.isEmpty());
}

void WriteTest::dateReplyShownAsSignedNumbers()
{
    // The raw console frame "A1 80 FF" starts a date frame; the idle-high
    // byte of the reception that follows completes it: date 0x80, 0xFF, 0xFF.
    ModalAnswerer answerer({"Отмена"});
    auto *raw = rig.link->findChild<QLineEdit *>(QStringLiteral("rawFrame"));
    raw->setText(QStringLiteral("A1 80 FF"));
    rig.widget<QPushButton>("send")->click();
    QVERIFY(rig.waitFree());
    unsigned char date[3] = {};
    sim.getDate(date);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(date), 3), frame({0x80, 0xFF, 0xFF}));

    auto *shown = rig.widget<QLineEdit>("lineEdit");
    shown->setText(QStringLiteral("old text"));
    rig.widget<QPushButton>("getDT")->click();
    QVERIFY(rig.waitFree(2));
    QVERIFY2(shown->text().startsWith(QStringLiteral("-128  ; -1  ; -1  ; ")), qPrintable(shown->text()));
    QCOMPARE(shown->text().count(QStringLiteral("  ; ")), 5);
    QVERIFY(shown->text().endsWith(QStringLiteral("  ; ")));
    QCOMPARE(rig.ticks() - 47 - 96, 17 + 7 * 16);
}

QTEST_MAIN(WriteTest)
#include "tst_write.moc"
