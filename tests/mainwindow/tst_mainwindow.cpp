// The main window: its parameter block under every control and under a
// received reply, its status display, and start-up with and without the
// catalogue. Signals of the link and the About dialog are emitted directly; the
// link's own work is tested with the link.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QTranslator>

#include <cstring>

#include "about/aboutdilog.h"
#include "link/config.h"
#include "mainwindow/mainwindow.h"
#include "tests/support/testsupport.h"

namespace {

// A fresh window and the link it made. The window never deletes its link;
// the rig does, so that no old link keeps handshaking on the shared bridge.
struct Rig {
    MainWindow *window = new MainWindow;
    config *link = nullptr;

    Rig()
    {
        const auto tops = QApplication::topLevelWidgets();
        for (QWidget *top : tops) {
            if (auto *candidate = qobject_cast<config *>(top))
                link = candidate;
        }
    }
    ~Rig()
    {
        delete window;
        delete link;
    }

    template <class T> T *get(const QString &name) const { return window->findChild<T *>(name); }

    // range_1, range_2, range_3, angle, flag: the block in memory order.
    QByteArray block() const { return QByteArray(reinterpret_cast<const char *>(&window->parameterBlock()), 5); }

    // Each step is "name=value" for a check box or slider, or a button's name to click it.
    void apply(const QStringList &steps) const
    {
        for (const QString &step : steps) {
            const QString name = step.section(QLatin1Char('='), 0, 0);
            const int value = step.section(QLatin1Char('='), 1).toInt();
            if (auto *box = get<QCheckBox>(name))
                box->setChecked(value != 0);
            else if (auto *slider = get<QSlider>(name))
                slider->setValue(value);
            else if (auto *button = get<QPushButton>(name))
                button->click();
            else
                QFAIL(qPrintable(QLatin1String("no control ") + name));
        }
    }

    void receive(const QByteArray &reply) const
    {
        std::memcpy(link->configReply, reply.constData(), sizeof link->configReply);
        emit link->signal_getConfig(link->configReply);
    }

    QLabel *statusLabel(int index) const
    {
        return window->statusBar()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly).value(index);
    }
};

// Restores the working directory when a test has moved it.
struct CurrentDir {
    QString saved = QDir::currentPath();
    ~CurrentDir() { QDir::setCurrent(saved); }
};

const QString Off = QStringLiteral("Выкл");

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void freshWindow();
    void controls_data();
    void controls();
    void receive_data();
    void receive();
    void receiveSameStatesLeavesClasses();
    void degreeSignFromForm();
    void startup_data();
    void startup();
    void fixedSize();
    void progress_data();
    void progress();
    void connectionIndicator_data();
    void connectionIndicator();
    void consoleButton_data();
    void consoleButton();
    void commandButtonsReachLink_data();
    void commandButtonsReachLink();
    void consoleOutlivesMainWindow();
};

void TestMainWindow::freshWindow()
{
    Rig rig;
    QVERIFY(rig.link);
    QCOMPARE(rig.block(), QByteArray::fromHex("000000050e"));
    QCOMPARE(rig.window->parameterBlock().spare, char(0));
    QCOMPARE(rig.statusLabel(0)->text(), QStringLiteral("Нет подключения"));
    QVERIFY(!rig.get<QPushButton>("save")->isEnabled());
    QVERIFY(!rig.get<QPushButton>("get")->isEnabled());
    QVERIFY(rig.get<QPushButton>("pushButton_cfg")->isHidden());
    QVERIFY(rig.window->findChild<QProgressBar *>()->isHidden());
    for (const char *slider : {"horizontalSlider", "horizontalSlider_2", "horizontalSlider_3"})
        QVERIFY(!rig.get<QSlider>(slider)->isEnabled());
    QCOMPARE(rig.get<QLabel>("sLabel_7")->text(), QStringLiteral("5º"));
}

void TestMainWindow::controls_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QByteArray>("block"); // range_1..3, angle, flag
    QTest::addColumn<QString>("angleLabel");

    QTest::newRow("reset") << QStringList{"button_drop"} << QByteArray::fromHex("0000000500") << "5º";
    QTest::newRow("class on, range to min")
        << QStringList{"checkBox_d_1=1", "horizontalSlider=-15"} << QByteArray::fromHex("0f0000050c") << "5º";
    QTest::newRow("class off drops its range")
        << QStringList{"button_drop", "horizontalSlider_2=-7", "checkBox_d_2=0"}
        << QByteArray::fromHex("0000000504") << "5º";
    QTest::newRow("class on again starts at max")
        << QStringList{"button_drop", "horizontalSlider_3=-9", "checkBox_d_3=0", "checkBox_d_3=1"}
        << QByteArray::fromHex("0000000500") << "5º";
    QTest::newRow("angle at 9") << QStringList{"horizontalSlider_4=9"} << QByteArray::fromHex("0000002d0e") << "45º";
    QTest::newRow("single blow") << QStringList{"checkBox=1"} << QByteArray::fromHex("000000050f") << "5º";
    QTest::newRow("reset clears everything")
        << QStringList{"checkBox=1", "horizontalSlider_4=4", "checkBox_d_2=1", "horizontalSlider_2=-3", "button_drop"}
        << QByteArray::fromHex("0000000500") << "5º";
}

void TestMainWindow::controls()
{
    QFETCH(QStringList, steps);
    QFETCH(QByteArray, block);
    QFETCH(QString, angleLabel);

    Rig rig;
    rig.apply(steps);
    QCOMPARE(rig.block().toHex(), block.toHex());
    QCOMPARE(rig.get<QLabel>("sLabel_7")->text(), angleLabel);
}

void TestMainWindow::receive_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QByteArray>("reply"); // status, flag, angle, range_1..3
    QTest::addColumn<QByteArray>("block"); // range_1..3, angle, flag
    QTest::addColumn<QString>("angleLabel");
    QTest::addColumn<QStringList>("received"); // sLabel_4, sLabel_5, sLabel_6

    QTest::newRow("angle 27, classes on")
        << QStringList{"button_drop"} << QByteArray::fromHex("53001b03070f") << QByteArray::fromHex("03070f1900")
        << "27º" << QStringList{"-3", "-7", "-15"};
    QTest::newRow("range 20 clamps to 15")
        << QStringList{"button_drop"} << QByteArray::fromHex("53000a140000") << QByteArray::fromHex("0f00000a00")
        << "10º" << QStringList{"-20", "0", "0"};
    QTest::newRow("negative range bytes clamp to 0")
        << QStringList{"button_drop", "horizontalSlider=-4", "horizontalSlider_2=-6"}
        << QByteArray::fromHex("53000a80ff00") << QByteArray::fromHex("0000000a00") << "10º"
        << QStringList{"128", "1", "0"};
    QTest::newRow("classes off, angle 0, slider already at 1")
        << QStringList{} << QByteArray::fromHex("530e00090909") << QByteArray::fromHex("000000050e") << "0º"
        << QStringList{Off, Off, Off};
    QTest::newRow("angle 0 clamps the slider to 1")
        << QStringList{"horizontalSlider_4=9"} << QByteArray::fromHex("530e00000000")
        << QByteArray::fromHex("000000050e") << "0º" << QStringList{Off, Off, Off};
    QTest::newRow("negative angle byte")
        << QStringList{"horizontalSlider_4=4"} << QByteArray::fromHex("530e80000000")
        << QByteArray::fromHex("000000050e") << "-128º" << QStringList{Off, Off, Off};
    QTest::newRow("flag bits 4..7 ignored")
        << QStringList{} << QByteArray::fromHex("53f10f050505") << QByteArray::fromHex("0505050f01") << "15º"
        << QStringList{"-5", "-5", "-5"};
    QTest::newRow("reply switches a class off")
        << QStringList{"button_drop", "horizontalSlider=-9"} << QByteArray::fromHex("53020a050000")
        << QByteArray::fromHex("0000000a02") << "10º" << QStringList{Off, "0", "0"};
}

void TestMainWindow::receive()
{
    QFETCH(QStringList, steps);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, block);
    QFETCH(QString, angleLabel);
    QFETCH(QStringList, received);

    Rig rig;
    QVERIFY(rig.link);
    rig.apply(steps);
    rig.receive(reply);
    QCOMPARE(rig.block().toHex(), block.toHex());
    QCOMPARE(rig.get<QLabel>("sLabel_7")->text(), angleLabel);
    const QStringList shown{rig.get<QLabel>("sLabel_4")->text(), rig.get<QLabel>("sLabel_5")->text(),
                            rig.get<QLabel>("sLabel_6")->text()};
    QCOMPARE(shown, received);
}

void TestMainWindow::receiveSameStatesLeavesClasses()
{
    // The class rule would move the slider to 0 and back: it must not run at all.
    Rig rig;
    QVERIFY(rig.link);
    rig.apply({"button_drop", "horizontalSlider=-9"});
    QSignalSpy moves(rig.get<QSlider>("horizontalSlider"), &QSlider::valueChanged);
    QSignalSpy toggles(rig.get<QCheckBox>("checkBox_d_1"), &QCheckBox::stateChanged);
    rig.receive(QByteArray::fromHex("53000a090000"));
    QCOMPARE(moves.count(), 0);
    QCOMPARE(toggles.count(), 0);
    QCOMPARE(rig.block().toHex(), QByteArray("0900000a00"));
}

void TestMainWindow::degreeSignFromForm()
{
    Rig rig;
    QVERIFY(rig.link);
    rig.get<QLabel>("label_21")->setText(QStringLiteral("5°"));
    rig.apply({"horizontalSlider_4=3"});
    QCOMPARE(rig.get<QLabel>("sLabel_7")->text(), QStringLiteral("15°"));
    rig.receive(QByteArray::fromHex("530e1b000000"));
    QCOMPARE(rig.get<QLabel>("sLabel_7")->text(), QStringLiteral("27°"));
}

void TestMainWindow::startup_data()
{
    QTest::addColumn<bool>("withFiles");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("resetText");

    QTest::newRow("bare folder") << false << "Конфигуратор Зорвель-3" << "Нет подключения" << "Сброс";
    QTest::newRow("catalogue and pictures") << true << "Zorvel-3 Configurator" << "Not connected" << "Reset";
}

void TestMainWindow::startup()
{
    QFETCH(bool, withFiles);
    QFETCH(QString, title);
    QFETCH(QString, status);
    QFETCH(QString, resetText);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    if (withFiles) {
        QVERIFY(QDir(folder.path()).mkdir("translations"));
        QVERIFY(QFile::copy(QStringLiteral(TEST_CATALOGUE), folder.filePath("translations/zorvel_en.qm")));
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(picture.save(folder.filePath("Untitled.png")));
        QVERIFY(picture.scaled(16, 16).save(folder.filePath("3_x.xpm"), "XPM"));
    }
    CurrentDir restore;
    QVERIFY(QDir::setCurrent(folder.path()));

    // The start-up of main: the catalogue by its relative path, installed even when absent.
    QTranslator translator;
    QCOMPARE(translator.load(QStringLiteral("translations//zorvel_en.qm")), withFiles);
    QCoreApplication::installTranslator(&translator);
    Rig rig;

    QCOMPARE(rig.window->windowTitle(), title);
    QCOMPARE(rig.statusLabel(0)->text(), status);
    QCOMPARE(rig.get<QPushButton>("button_drop")->text(), resetText);
    const QList<QSize> iconSizes = rig.window->windowIcon().availableSizes();
    QVERIFY(iconSizes.contains(QSize(188, 240)));
    QCOMPARE(iconSizes.contains(QSize(16, 16)), withFiles);
    QCOMPARE(rig.get<QLabel>("label_icn")->pixmap().size(), withFiles ? QSize(40, 20) : QSize(0, 0));
}

void TestMainWindow::fixedSize()
{
    Rig rig;
    rig.window->resize(800, 600);
    QCOMPARE(rig.window->size(), QSize(640, 480));
    rig.window->show();
    rig.window->resize(1024, 768);
    QCOMPARE(rig.window->size(), QSize(640, 480));
}

void TestMainWindow::progress_data()
{
    QTest::addColumn<QList<QList<int>>>("reports"); // total, step, cgi
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");

    QTest::newRow("first bit") << QList<QList<int>>{{5, 7, 0}} << true << 35 << 0;
    QTest::newRow("mid frame") << QList<QList<int>>{{5, 7, 0}, {5, 3, 2}} << true << 35 << 18;
    QTest::newRow("last bit hides") << QList<QList<int>>{{5, 7, 0}, {5, 0, 4}} << false << 35 << 35;
    QTest::newRow("past the end keeps 35")
        << QList<QList<int>>{{5, 7, 0}, {5, 0, 4}, {5, 3, 5}} << false << 35 << 35;
    QTest::newRow("end marker resets")
        << QList<QList<int>>{{5, 7, 0}, {5, 3, 2}, {0, 0, 33}} << false << 35 << -1;
}

void TestMainWindow::progress()
{
    QFETCH(QList<QList<int>>, reports);
    QFETCH(bool, shown);
    QFETCH(int, maximum);
    QFETCH(int, value);

    Rig rig;
    QVERIFY(rig.link);
    for (const QList<int> &report : reports)
        emit rig.link->action(report[0], report[1], report[2]);
    const QProgressBar *bar = rig.window->findChild<QProgressBar *>();
    QCOMPARE(!bar->isHidden(), shown);
    QCOMPARE(bar->maximum(), maximum);
    QCOMPARE(bar->value(), value);
}

void TestMainWindow::connectionIndicator_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("dot");

    QTest::newRow("answered") << QStringList{"ok"} << "Подключено" << QColor(Qt::green);
    QTest::newRow("answered, then lost") << QStringList{"ok", "lost"} << "Нет подключения" << QColor(Qt::red);
    QTest::newRow("lost, then answered") << QStringList{"lost", "ok"} << "Подключено" << QColor(Qt::green);
}

void TestMainWindow::connectionIndicator()
{
    QFETCH(QStringList, events);
    QFETCH(QString, text);
    QFETCH(QColor, dot);

    Rig rig;
    QVERIFY(rig.link);
    for (const QString &event : events) {
        if (event == QLatin1String("ok"))
            emit rig.link->signal_handshake_ok();
        else
            emit rig.link->signal_disconnect();
    }
    QCOMPARE(rig.statusLabel(0)->text(), text);
    // The dot is the circle in the 15 x 15 square at the image's corner.
    QCOMPARE(rig.statusLabel(1)->pixmap().toImage().pixelColor(7, 7), dot);
}

void TestMainWindow::consoleButton_data()
{
    QTest::addColumn<bool>("testChecked");
    QTest::addColumn<bool>("code");
    QTest::addColumn<bool>("shown");

    QTest::newRow("code typed") << false << true << true;
    QTest::newRow("other key") << false << false << false;
    QTest::newRow("other key, test action on") << true << false << true;
}

void TestMainWindow::consoleButton()
{
    QFETCH(bool, testChecked);
    QFETCH(bool, code);
    QFETCH(bool, shown);

    Rig rig;
    rig.get<QAction>("action_2")->setChecked(testChecked);
    auto *about = rig.window->findChild<AboutDilog *>();
    QVERIFY(about);
    emit about->show_btn(!code); // the opposite first, so the state really changes
    emit about->show_btn(code);
    QCOMPARE(!rig.get<QPushButton>("pushButton_cfg")->isHidden(), shown);
}

void TestMainWindow::commandButtonsReachLink_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("read") << "get";
    QTest::newRow("write") << "save";
}

void TestMainWindow::commandButtonsReachLink()
{
    QFETCH(QString, button);

    Rig rig;
    QVERIFY(rig.link);
    emit rig.link->setButton(true);
    QVERIFY(rig.get<QPushButton>(button)->isEnabled());
    rig.link->firstConnect = false;
    QSignalSpy busy(rig.link, &config::setButton);

    rig.get<QPushButton>(button)->click();
    // The link takes the line and disables the buttons through the window.
    QVERIFY(!busy.isEmpty());
    QCOMPARE(busy.first().first().toBool(), false);
    QVERIFY(!rig.get<QPushButton>("save")->isEnabled());
    QVERIFY(!rig.get<QPushButton>("get")->isEnabled());
    QCOMPARE(rig.link->firstConnect, button == QLatin1String("get"));
}

void TestMainWindow::consoleOutlivesMainWindow()
{
    // The event loop as main runs it: it may end only when the console closes too.
    Rig rig;
    QVERIFY(rig.link);
    rig.window->show();
    rig.link->show();
    bool consoleClosed = false;
    QTimer::singleShot(0, rig.window, &QWidget::close);
    QTimer::singleShot(50, rig.link, [&] {
        consoleClosed = true;
        rig.link->close();
    });
    QTimer stuck;
    stuck.setSingleShot(true);
    connect(&stuck, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    stuck.start(3000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(consoleClosed);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
