// The whole program on the simulated detector: start, first read, edit, save,
// read back, and the service code that opens the engineering console.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QtTest>

#include "mainwindow/mainwindow.h"
#include "tests/support/testsupport.h"

using testsupport::ModalAnswerer;
using testsupport::waitUntil;

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(sim.load()); }
    void startEditSaveReadBack();
    void serviceCodeOpensConsole();
    void cleanup();

private:
    template <class T> T *find(const char *name) const { return window->findChild<T *>(QLatin1String(name)); }
    QWidget *console() const
    {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String("config"))
                return top;
        }
        return nullptr;
    }
    QByteArray block() const
    {
        const DeviceConfig &b = window->parameterBlock();
        return QByteArray{} + b.flag + b.angle + b.range_1 + b.range_2 + b.range_3;
    }
    bool waitIdle(int timeoutMs = 6000)
    {
        return waitUntil([this] { return find<QPushButton>("save")->isEnabled(); }, timeoutMs);
    }

    testsupport::Simulator sim;
    MainWindow *window = nullptr;
};

void EndToEndTest::cleanup()
{
    delete window;
    window = nullptr;
    delete console(); // the link outlives its window
}

void EndToEndTest::startEditSaveReadBack()
{
    sim.reset();
    // Class 2 off, 35°, ranges 3, 0, 12.
    const unsigned char detector[5] = {0x04, 35, 3, 0, 12};
    sim.setBlock(detector);

    window = new MainWindow;
    window->show();
    QVERIFY(!find<QPushButton>("save")->isEnabled());
    QVERIFY(waitIdle());

    // The first handshake is followed by a read that fills the controls.
    auto *status = window->statusBar()->findChildren<QLabel *>().value(0);
    QVERIFY(status);
    QCOMPARE(status->text(), QStringLiteral("Подключено"));
    QVERIFY(find<QCheckBox>("checkBox_d_1")->isChecked());
    QVERIFY(!find<QCheckBox>("checkBox_d_2")->isChecked());
    QVERIFY(!find<QSlider>("horizontalSlider_2")->isEnabled());
    QVERIFY(find<QCheckBox>("checkBox_d_3")->isChecked());
    QCOMPARE(find<QSlider>("horizontalSlider")->value(), -3);
    QCOMPARE(find<QSlider>("horizontalSlider_3")->value(), -12);
    QCOMPARE(find<QSlider>("horizontalSlider_4")->value(), 7);
    QCOMPARE(find<QLabel>("sLabel_7")->text(), QStringLiteral("35º"));
    QCOMPARE(block(), QByteArray("\x04\x23\x03\x00\x0c", 5));

    // The user edits: class 2 on at range 9, class 1 to its minimum, the
    // single-blow alarm, 15°.
    find<QCheckBox>("checkBox_d_2")->click();
    find<QSlider>("horizontalSlider_2")->setValue(-9);
    find<QSlider>("horizontalSlider")->setValue(-15);
    find<QCheckBox>("checkBox")->click();
    find<QSlider>("horizontalSlider_4")->setValue(3);
    const QByteArray edited("\x01\x0f\x0f\x09\x0c", 5);
    QCOMPARE(block(), edited);

    ModalAnswerer answerer({"OK"});
    auto *progress = window->statusBar()->findChild<QProgressBar *>();
    bool progressShown = false;
    QTimer watchProgress;
    QObject::connect(&watchProgress, &QTimer::timeout, [&] { progressShown = progressShown || progress->isVisible(); });
    watchProgress.start(5);
    find<QPushButton>("save")->click();
    QVERIFY(!find<QPushButton>("save")->isEnabled());
    QVERIFY(waitUntil([&] { return !answerer.seen().isEmpty(); }, 6000));
    QVERIFY(waitIdle());
    QVERIFY(progressShown);
    QVERIFY(!progress->isVisible());
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Конфигурация записана успешно"));
    QCOMPARE(sim.block(), edited);

    // "Сброс" changes only the window; "Считать" brings the detector's block back.
    find<QPushButton>("button_drop")->click();
    QCOMPARE(block(), QByteArray("\x00\x05\x00\x00\x00", 5));
    QCOMPARE(sim.block(), edited);
    find<QPushButton>("get")->click();
    QVERIFY(!find<QPushButton>("get")->isEnabled());
    QVERIFY(waitIdle());
    QCOMPARE(block(), edited);
    QVERIFY(find<QCheckBox>("checkBox")->isChecked());
    QCOMPARE(find<QSlider>("horizontalSlider_2")->value(), -9);
    QCOMPARE(find<QLabel>("sLabel_7")->text(), QStringLiteral("15º"));
}

void EndToEndTest::serviceCodeOpensConsole()
{
    sim.reset();
    window = new MainWindow;
    window->show();
    auto *consoleButton = find<QPushButton>("pushButton_cfg");
    QVERIFY(!consoleButton->isVisible());

    find<QAction>("action_3")->trigger(); // "О программе"
    QDialog *about = window->findChild<QDialog *>(QStringLiteral("AboutDilog"));
    QVERIFY(about && about->isVisible());
    QTest::keyClicks(about, QStringLiteral("12583019"));
    QVERIFY(consoleButton->isVisible());

    QVERIFY(console() && !console()->isVisible());
    consoleButton->click();
    QVERIFY(console()->isVisible());

    // Any further key hides the button again.
    QTest::keyClick(about, Qt::Key_5);
    QVERIFY(!consoleButton->isVisible());
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
