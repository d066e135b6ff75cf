// The engineering console over the link: its start-up log, the pin-direction field, the bridge calls it logs, the raw frame it accepts, and the boxes it answers the link with.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <memory>

#include "link/config.h"
#include "tests/link/linkfixture.h"

using testsupport::ModalAnswerer;

class ConsoleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(sim.load()); }
    void init()
    {
        sim.reset();
        console = std::make_unique<config>(nullptr, &block);
        console->firstConnect = false;
        freed = 0;
        connect(console.get(), &config::setButton, this, [this](bool on) { freed += on; });
    }
    void cleanup() { console.reset(); }

    void startUp();
    void directionMask_data();
    void directionMask();
    void bridgeCallsAreLogged_data();
    void bridgeCallsAreLogged();
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
    std::unique_ptr<config> console;
    int freed = 0;
};

void ConsoleTest::startUp()
{
    QCOMPARE(log(), QStringLiteral(">> DLL has been loaded\n\n\n"
                                   ">> The MCP2200 was successfully initialized.\n\n\n"
                                   ">> The device is CONNECTED\n\n\n"
                                   ">> success configure MCP\n\n"
                                   ">> success configure IO11110000\n\n\n"
                                   ">> success setting PINS\n\n\n"
                                   ">> success setting PINS\n\n"));
    QCOMPARE(widget<QLineEdit>("setLine")->text(), QStringLiteral("11110000"));
    QVERIFY(!widget<QLineEdit>("setLine")->isEnabled());
    QVERIFY(widget<QCheckBox>("setCheck")->isChecked());
    QVERIFY(!widget<QCheckBox>("hand")->isVisibleTo(console.get()));
    QVERIFY(!widget<QPushButton>("send")->isEnabled());
    QCOMPARE(widget<QComboBox>("comboBox")->currentText(), QStringLiteral("300"));

    // The first receive frame enables the raw transfers; the trace shows its bits.
    QVERIFY(waitFree());
    QVERIFY(widget<QPushButton>("send")->isEnabled() && widget<QPushButton>("read")->isEnabled());
    QCOMPARE(widget<QTextEdit>("sendText")->toPlainText(), QStringLiteral("10101010|\n01010101||\n"));
}

void ConsoleTest::directionMask_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("logged"); // empty: nothing reaches the bridge
    QTest::newRow("default") << "11110000" << "11110000" << ">> success configure IO11110000\n\n";
    QTest::newRow("leading zeros") << "00001111" << "1111" << ">> success configure IO1111\n\n";
    QTest::newRow("511 clamps") << "111111111" << "11111111" << ">> success configure IO11111111\n\n";
    QTest::newRow("-1 clamps") << "-1" << "11111111" << ">> success configure IO11111111\n\n";
    QTest::newRow("empty") << "" << "ERROR!" << "";
    QTest::newRow("a two") << "1021" << "ERROR!" << "";
}

void ConsoleTest::directionMask()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, logged);
    auto *check = widget<QCheckBox>("setCheck");
    auto *line = widget<QLineEdit>("setLine");
    check->click(); // "default" off: the field opens, its text stays
    QVERIFY(line->isEnabled());
    QCOMPARE(line->text(), QStringLiteral("11110000"));
    widget<QTextEdit>("textEdit")->clear();

    line->setText(typed);
    widget<QPushButton>("set")->click();
    QCOMPARE(line->text(), shown);
    QCOMPARE(log(), logged.isEmpty() ? QString()
                                     : QStringLiteral(">> success configure MCP\n\n") + logged
                                           + QStringLiteral("\n>> success setting PINS\n\n"));
    check->click();
    QCOMPARE(line->text(), QStringLiteral("11110000"));
    QVERIFY(!line->isEnabled());
}

void ConsoleTest::bridgeCallsAreLogged_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("failing"); // the entry point made to fail, if any
    QTest::addColumn<QString>("logged");
    QTest::newRow("ConfigureMCP2200 fails") << "set" << "ConfigureMCP2200"
                                            << ">> Invalid command MCP2200\n\n\n>> success configure IO11110000\n\n\n"
                                               ">> success setting PINS\n\n";
    QTest::newRow("ConfigureIO fails") << "set" << "ConfigureIO"
                                       << ">> success configure MCP\n\n>> Invalid command IO\n\n\n"
                                          ">> success setting PINS\n\n";
    QTest::newRow("SetPin fails") << "set" << "SetPin"
                                  << ">> success configure MCP\n\n>> success configure IO11110000\n\n\n"
                                     ">> ERROR setting PINS\n\n";
    QTest::newRow("baud 9600") << "set_B" << "" << ">> Baud rate set9600\n\n";
    QTest::newRow("baud fails") << "set_B" << "fnSetBaudRate" << ">> Error setting baud rate\n\n";
}

void ConsoleTest::bridgeCallsAreLogged()
{
    QFETCH(QString, button);
    QFETCH(QString, failing);
    QFETCH(QString, logged);
    widget<QComboBox>("comboBox")->setCurrentText(QStringLiteral("9600"));
    widget<QTextEdit>("textEdit")->clear();
    sim.failEntryPoint(failing.toLatin1().constData(), true);
    console->findChild<QPushButton *>(button)->click();
    sim.failEntryPoint(failing.toLatin1().constData(), false);
    QCOMPARE(log(), logged);
}

void ConsoleTest::rawFrameEntry_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // "ERROR!": refused, nothing sent
    QTest::newRow("default") << "FF FF A3" << "FF FF A3";
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
        QCOMPARE(freed, 1);
        QVERIFY(widget<QPushButton>("send")->isEnabled());
        return;
    }
    QVERIFY(waitFree(2));
    QCOMPARE(sim.frames().mid(before).value(0), QByteArray("\xA3", 1));
}

void ConsoleTest::boxes()
{
    // A read-back whose status byte arrives bad: the question, "Да", then the result.
 QVERIFY(waitFree());
    block = DeviceConfig{1, 2, 3, 10, 0x00, 0};
    sim.flipNextReplyBit(0);
    ModalAnswerer answerer({"Да", "OK"});
    QMetaObject::invokeMethod(console.get(), "sendParamA6");
    QVERIFY(waitFree(2));
    QCOMPARE(answerer.seen().size(), 2);
    const auto &question = answerer.seen().at(0);
    QCOMPARE(question.title, QStringLiteral("Конфигурация"));
    QCOMPARE(question.text, QStringLiteral("Ошибка чтения конфигурации \n Повторить?"));
    QCOMPARE(question.icon, QMessageBox::Warning);
    QStringList buttons = question.buttons; // the box lays them out by role
    buttons.sort();
    QCOMPARE(buttons, QStringList({"Да", "Отмена"}));
    QCOMPARE(answerer.seen().at(1).text, QStringLiteral("Конфигурация записана успешно"));
    QCOMPARE(answerer.seen().at(1).icon, QMessageBox::Information);

    // The detector keeps its old block: the warning.
    sim.setWritesIgnored(true);
    block.range_1 = 9;
    QMetaObject::invokeMethod(console.get(), "sendParamA6");
    QVERIFY(waitFree(3));
    QCOMPARE(answerer.seen().value(2).text, QStringLiteral("Ошибка при записи конфигурации"));
    QCOMPARE(answerer.seen().value(2).icon, QMessageBox::Warning);
}

QTEST_MAIN(ConsoleTest)
#include "tst_console.moc"
