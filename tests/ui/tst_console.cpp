// The engineering console over the link: its start-up log, the pin-direction field, the bridge calls it logs, the raw frame it accepts, and the boxes it answers the link with.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <memory>

#include "trace/linetrace.h"
#include "ui/config.h"
#include "tests/link/linkfixture.h"
#include "tests/support/modalanswerer.h"

using testsupport::ModalAnswerer;

class ConsoleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(sim.load()); }
    void init()
    {
        sim.reset();
        link = std::make_unique<DetectorLink>(&block);
        link->setTrace(&trace);
        console = std::make_unique<config>(nullptr, link.get(), &trace);
        link->startUp();
        console->firstConnect = false;
        freed = 0;
        connect(console.get(), &config::setButton, this, [this](bool on) { freed += on; });
    }
    void cleanup()
    {
        console.reset();
        link.reset();
    }

    void startUp();
    void bridgeCalls_data();
    void bridgeCalls();
    void rawFrameEntry_data();
    void rawFrameEntry();
    void boxes();

private:
    template <class T> T *widget(const char *name) const { return console->findChild<T *>(QLatin1String(name)); }
    QString log() const { return widget<QTextEdit>("textEdit")->toPlainText(); }
    // Waits until the link has freed the line `count` times; the first is the
    // end of the handshake half a second after start.
    bool waitFree(int count = 1)
    {
        return testsupport::waitUntil([&] { return freed >= count; }, 8000);
    }

    testsupport::Simulator sim;
    DeviceConfig block{0, 0, 0, 5, 0x0E, 0};
    LineTrace trace;
    std::unique_ptr<DetectorLink> link;
    std::unique_ptr<config> console;
    int freed = 0;
};

void ConsoleTest::startUp()
{
    // How the link reports loading the bridge is the degraded bridges' test.
    QVERIFY2(log().endsWith(QStringLiteral(">> The device is CONNECTED\n\n\n>> success configure MCP\n\n"
                                           ">> success configure IO11110000\n\n\n"
                                           ">> success setting PINS\n\n\n>> success setting PINS\n\n")),
             qPrintable(log()));
    QVERIFY(!widget<QCheckBox>("hand")->isVisibleTo(console.get()) && !widget<QPushButton>("send")->isEnabled());

    // The first receive frame enables the raw transfers; the trace shows its bits.
    QVERIFY(waitFree());
    QVERIFY(widget<QPushButton>("send")->isEnabled() && widget<QPushButton>("read")->isEnabled());
    QCOMPARE(widget<QTextEdit>("sendText")->toPlainText(), QStringLiteral("10101010|\n01010101||\n"));
}

void ConsoleTest::bridgeCalls_data()
{
    QTest::addColumn<QString>("typed"); // into the direction field, "default" unticked; null: "set Baud" at 9600
    QTest::addColumn<QString>("failing"); // the entry point made to fail, if any
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("logged"); // empty: nothing reaches the bridge
    const QString pins = "\n>> success setting PINS\n\n", configured = ">> success configure MCP\n\n>> success configure IO";
    QTest::newRow("leading zeros") << "00001111" << "" << "1111" << configured + "1111\n\n" + pins;
    QTest::newRow("-1 clamps") << "-1" << "" << "11111111" << configured + "11111111\n\n" + pins;
    QTest::newRow("a two") << "1021" << "" << "ERROR!" << "";
    QTest::newRow("empty") << "" << "" << "ERROR!" << "";
    QTest::newRow("baud 9600") << QString() << "" << "11110000" << ">> Baud rate set9600\n\n";
    QTest::newRow("baud fails") << QString() << "fnSetBaudRate" << "11110000" << ">> Error setting baud rate\n\n";
}

void ConsoleTest::bridgeCalls()
{
    QFETCH(QString, typed);
    QFETCH(QString, failing);
    auto *check = widget<QCheckBox>("setCheck");
    auto *line = widget<QLineEdit>("setLine");
    if (!typed.isNull()) {
        check->click(); // the field opens, its text stays
        QVERIFY(line->isEnabled() && line->text() == QStringLiteral("11110000"));
        line->setText(typed);
    }
    widget<QComboBox>("comboBox")->setCurrentText(QStringLiteral("9600"));
    widget<QTextEdit>("textEdit")->clear();
    sim.failEntryPoint(qPrintable(failing), true);
    widget<QPushButton>(typed.isNull() ? "set_B" : "set")->click();
    sim.failEntryPoint(qPrintable(failing), false);
    QTEST(line->text(), "shown");
    QTEST(log(), "logged");
    if (!typed.isNull())
        check->click(); // "default" again: its mask, and the field shut
    QVERIFY(!line->isEnabled() && line->text() == QStringLiteral("11110000"));
}

void ConsoleTest::rawFrameEntry_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // "ERROR!": refused, nothing sent
    QTest::newRow("one digit, commas") << "f,ff;a3" << "0F FF A3";
    QTest::newRow("signed") << "-1 0 0" << "ERROR!";
    QTest::newRow("plus") << "+F 0 0" << "ERROR!";
    QTest::newRow("prefix") << "0xA3 0 0" << "ERROR!";
    QTest::newRow("two bytes") << "A3 00" << "ERROR!";
}

void ConsoleTest::rawFrameEntry()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QVERIFY(waitFree());
    const int before = sim.frameCount();
    ModalAnswerer answerer({"Отмена"});

    auto *raw = console->findChild<QLineEdit *>(QStringLiteral("rawFrame"));
    raw->setText(typed);
    widget<QPushButton>("send")->click();
    QCOMPARE(raw->text(), shown);
    if (shown == QLatin1String("ERROR!")) {
        QVERIFY(freed == 1 && widget<QPushButton>("send")->isEnabled());
        return;
    }
    QVERIFY(waitFree(2));
    QCOMPARE(sim.frames().mid(before).value(0), QByteArray("\xA3", 1));
}

void ConsoleTest::boxes()
{
    // A read whose status byte arrives bad asks; "Отмена" sends no second request.
    QVERIFY(waitFree());
    sim.flipNextReplyBit(0);
    ModalAnswerer answerer({"Отмена", "Да", "OK"});
    QMetaObject::invokeMethod(console.get(), "sendParamA3");
    QVERIFY(waitFree(2));
    QCOMPARE(sim.frames().mid(1), QVector<QByteArray>{QByteArray("\xA3", 1)});
    // A write's read-back arrives bad: "Да" reads again, and the result is told.
    block = DeviceConfig{1, 2, 3, 10, 0x00, 0};
    sim.flipNextReplyBit(0);
    QMetaObject::invokeMethod(console.get(), "sendParamA6");
    QVERIFY(waitFree(3));
    // The detector keeps its old block: the warning.
    sim.setWritesIgnored(true);
    block.range_1 = 9;
    QMetaObject::invokeMethod(console.get(), "sendParamA6");
    QVERIFY(waitFree(4));
    QStringList seen;
    for (const ModalAnswerer::Seen &box : answerer.seen())
        seen << box.text + (box.icon == QMessageBox::Warning ? " (!)" : "");
    QCOMPARE(seen, QStringList({"Ошибка чтения конфигурации \n Повторить? (!)", "Ошибка чтения конфигурации \n Повторить? (!)",
                                "Конфигурация записана успешно", "Ошибка при записи конфигурации (!)"}));
}

QTEST_MAIN(ConsoleTest)
#include "tst_console.moc"
