// The main window: its parameter block under every control and under a
// received reply, its status display, its storage slot, and start-up with and
// without the catalogue. Signals of the link and the About dialog are emitted
// directly; the link's own work is tested with the link.
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
#include <QTest>
#include <QTimer>
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
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *candidate = qobject_cast<config *>(top))
                link = candidate;
    }
    ~Rig() { delete window; delete link; }

    template <class T> T *get(const QString &name) const { return window->findChild<T *>(name); }
    QString text(const QString &label) const { return get<QLabel>(label)->text(); }
    // range_1, range_2, range_3, angle, flag: the block in memory order, in hex.
    QByteArray block() const { return QByteArray(&window->parameterBlock().range_1, 5).toHex(); }

    // "name=value" sets a check box, slider or label, "rx=hex" receives a reply
    // (status, flag, angle, range_1..3), and a bare name clicks a button.
    void apply(const QStringList &steps) const
    {
        for (const QString &step : steps) {
            const QString name = step.section(QLatin1Char('='), 0, 0), value = step.section(QLatin1Char('='), 1);
            if (name == QLatin1String("rx")) {
                std::memcpy(link->configReply, QByteArray::fromHex(value.toLatin1()).constData(), 6);
                emit link->signal_getConfig(link->configReply);
            } else if (auto *box = get<QCheckBox>(name)) {
                box->setChecked(value.toInt() != 0);
            } else if (auto *slider = get<QSlider>(name)) {
                slider->setValue(value.toInt());
            } else if (auto *label = get<QLabel>(name)) {
                label->setText(value);
            } else {
                get<QPushButton>(name)->click();
            }
        }
    }
};

// Puts the test in a folder of its own and moves back when done.
struct Folder : QTemporaryDir {
    QString saved = QDir::currentPath();
    Folder() { QDir::setCurrent(path()); }
    ~Folder() { QDir::setCurrent(saved); }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    static void row(const char *name, const QStringList &steps, const char *block, const char *labels = "")
    {
        QTest::newRow(name) << steps << QByteArray(block) << QString::fromUtf8(labels);
    }

private slots:
    // Each row: the steps, the block (range_1..3, angle, flag) they leave, and
    // how sLabel_7 and the received ranges sLabel_4..6 begin, space separated.
    void block_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("labels");
        row("fresh: classes off", {}, "000000050e", "5º");
        row("reset", {"checkBox=1", "horizontalSlider_4=4", "checkBox_d_2=1", "horizontalSlider_2=-3", "button_drop"},
            "0000000500", "5º");
        row("min range, single blow", {"checkBox_d_1=1", "horizontalSlider=-15", "checkBox=1"}, "0f0000050d");
        row("class off drops its range", {"button_drop", "horizontalSlider_2=-7", "checkBox_d_2=0"}, "0000000504");
        row("class on again", {"checkBox_d_3=1", "checkBox_d_3=0", "checkBox_d_3=1"}, "0000000506");
        row("degree sign from the form", {"label_21=5°", "horizontalSlider_4=3"}, "0000000f0e", "15°");
        row("received angle 27", {"button_drop", "rx=53001b03070f"}, "03070f1900", "27º -3 -7 -15");
        row("received, degree sign from the form", {"label_21=5°", "rx=530e1b000000"}, "000000190e", "27°");
        row("range 20 clamps to 15", {"button_drop", "rx=53000a140000"}, "0f00000a00", "10º -20 0 0");
        row("signed ranges clamp to 0",
            {"button_drop", "horizontalSlider=-4", "horizontalSlider_2=-6", "rx=53000a80ff00"}, "0000000a00", "10º 128 1 0");
        row("angle 0, slider already at 1", {"rx=530e00090909"}, "000000050e", "0º Выкл Выкл Выкл");
        row("angle 0 clamps the slider to 1", {"horizontalSlider_4=9", "rx=530e00000000"}, "000000050e", "0º");
        row("flag bits 4..7 ignored", {"rx=53f10f050505"}, "0505050f01", "15º -5 -5 -5");
        row("class off by reply", {"button_drop", "horizontalSlider=-9", "rx=53020a050000"}, "0000000a02", "10º Выкл");
    }

    void block()
    {
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, block);
        QFETCH(QString, labels);
        Rig rig;
        rig.apply(steps);
        QCOMPARE(rig.block(), block);
        const QStringList shown{rig.text("sLabel_7"), rig.text("sLabel_4"), rig.text("sLabel_5"), rig.text("sLabel_6")};
        QCOMPARE(shown.join(QLatin1Char(' ')).left(labels.size()), labels);
    }

    void receiveSameStatesLeavesClasses()
    {
        // The class rule would move the slider to 0 and back: it must not run at all.
        Rig rig;
        rig.apply({"button_drop", "horizontalSlider=-9"});
        QSignalSpy moves(rig.get<QSlider>("horizontalSlider"), &QSlider::valueChanged);
        rig.apply({"rx=53000a090000"});
        QCOMPARE(moves.count(), 0);
    }

    void startup_data()
    {
        QTest::addColumn<bool>("withFiles");
        QTest::addColumn<QString>("title");
        QTest::newRow("bare folder") << false << "Конфигуратор Зорвель-3";
        QTest::newRow("catalogue and pictures") << true << "Zorvel-3 Configurator";
    }

    void startup()
    {
        QFETCH(bool, withFiles);
        QFETCH(QString, title);
        Folder folder;
        if (withFiles) {
            QImage picture(40, 20, QImage::Format_RGB32);
            picture.fill(Qt::blue);
            QVERIFY(picture.save("Untitled.png") && picture.scaled(16, 16).save("3_x.xpm", "XPM"));
            QVERIFY(QDir().mkdir("translations") && QFile::copy(TEST_CATALOGUE, "translations/zorvel_en.qm"));
        }
        // As main does: the catalogue by its relative path, installed even when absent.
        QTranslator translator;
        QCOMPARE(translator.load(QStringLiteral("translations//zorvel_en.qm")), withFiles);
        QCoreApplication::installTranslator(&translator);
        Rig rig;
        QCOMPARE(rig.window->windowTitle(), title);
        QCOMPARE(rig.window->windowIcon().availableSizes().contains(QSize(16, 16)), withFiles);
        QCOMPARE(rig.get<QLabel>("label_icn")->pixmap().size(), withFiles ? QSize(40, 20) : QSize(0, 0));
        rig.window->resize(1024, 768);
        QCOMPARE(rig.window->size(), QSize(640, 480));
    }

    void shownForSignals()
    {
        Rig rig;
        const auto labels = rig.window->statusBar()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
        const auto connection = [&] {
            // The dot is the circle in the 15 x 15 square at the image's corner.
            return labels.value(0)->text() + u' ' + labels.value(1)->pixmap().toImage().pixelColor(7, 7).name();
        };
        emit rig.link->signal_handshake_ok();
        QCOMPARE(connection(), QStringLiteral("Подключено #00ff00"));
        emit rig.link->signal_disconnect();
        QCOMPARE(connection(), QStringLiteral("Нет подключения #ff0000"));

        const auto report = [&](int total, int step, int cgi) {
            emit rig.link->action(total, step, cgi);
            const QProgressBar *bar = rig.window->findChild<QProgressBar *>();
            return QStringLiteral("%1/%2 %3").arg(bar->value()).arg(bar->maximum()).arg(!bar->isHidden());
        };
        QCOMPARE(report(5, 7, 0), QStringLiteral("0/35 1"));
        QCOMPARE(report(5, 3, 2), QStringLiteral("18/35 1"));
        QCOMPARE(report(0, 0, 33), QStringLiteral("-1/35 0"));
        QCOMPARE(report(5, 0, 4), QStringLiteral("35/35 0"));
        // 39 is past the maximum: the bar keeps 35 and is hidden again.
        QCOMPARE(report(5, 3, 5), QStringLiteral("35/35 0"));

        // The About dialog's code shows the console button; the test action keeps it.
        auto *about = rig.window->findChild<AboutDilog *>();
        const QPushButton *console = rig.get<QPushButton>("pushButton_cfg");
        emit about->show_btn(true);
        QVERIFY(!console->isHidden());
        emit about->show_btn(false);
        QVERIFY(console->isHidden());
        rig.get<QAction>("action_2")->setChecked(true);
        emit about->show_btn(false);
        QVERIFY(!console->isHidden());
    }

    void storageBySender()
    {
        Folder folder;
        QVERIFY(QDir().mkdir("data"));
        Rig rig;
        testsupport::ModalAnswerer answerer({QStringLiteral("OK")});
        for (const char *name : {"Save", "save", "open"}) {
            QPushButton sender;
            sender.setObjectName(name);
            QVERIFY(connect(&sender, SIGNAL(clicked()), rig.window, SLOT(file_wr())));
            sender.click();
        }
        QStringList boxes;
        for (const auto &box : answerer.seen())
            boxes << box.text;
        QCOMPARE(boxes, (QStringList{"Write configuration complete!", "No saved configuration!"}));
    }

    void consoleOutlivesMainWindow()
    {
        // The event loop as main runs it: it may end only when the console closes too.
        Rig rig;
        rig.window->show();
        rig.link->show();
        bool consoleClosed = false; // quitting closes it too: only this says who came first
        QTimer::singleShot(0, rig.window, &QWidget::close);
        QTimer::singleShot(50, rig.link, [&] { consoleClosed = rig.link->close(); });
        QTimer::singleShot(3000, rig.window, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(consoleClosed);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
