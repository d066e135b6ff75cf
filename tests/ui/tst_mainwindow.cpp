// The main window: its parameter block and what it shows under controls, link signals and keys typed into About; start-up, its window and forms; profiles, the journal's notes and a series.
#include <QtTest>
#include <QtWidgets>

#include <cstring>

#include "ui/aboutdilog.h"
#include "app/language.h"
#include "ui/config.h"
#include "link/simpleioapi.h"
#include "ui/mainwindow.h"
#include "ui/seriesdialog.h"
#include "ui/serieswindow.h"
#include "storage/journalrecorder.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testsupport.h"

namespace {

QStringList opened; // what the About dialog asked the web browser to open

// A fresh window, its console and the link they show. The window deletes
// both with itself, so that no old link keeps handshaking on the shared bridge.
struct Rig {
    MainWindow *window = new MainWindow;
    config *link = nullptr;

    Rig()
    {
        opened.clear();
        for (QWidget *top : QApplication::topLevelWidgets())
            link = link ? link : qobject_cast<config *>(top);
    }
    ~Rig() { delete window; }
    template <class T = QObject> T *get(const QString &name) const { return window->findChild<T *>(name); }

    // "name=value" sets that check box, slider, label or action, a bare name
    // clicks that button or emits that signal of the link; "rx=hex" receives a
    // reply (status, flag, angle, range_1..3), "action=total,step,cgi" reports
    // progress. "keys=..." types into About, opened from the menu: '^' is Shift
    // alone, '~' Escape, '|' Return, '/' closes it and opens it again;
    // "link=url" activates that link of About, "link=own" its own.
    void apply(const QStringList &steps)
    {
        auto *about = window->findChild<AboutDilog *>();
        for (const QString &step : steps) {
            const QString name = step.section(u'=', 0, 0), value = step.section(u'=', 1);
            const QStringList numbers = value.split(u',');
            if (name == "rx") {
                std::memcpy(link->configReply, QByteArray::fromHex(value.toLatin1()).constData(), 6);
                emit link->detectorLink()->signal_getConfig(link->configReply);
            } else if (name == "action") {
                emit link->detectorLink()->action(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt());
            } else if (name == "keys") {
                get<QAction>("action_3")->trigger();
                for (const QChar c : value) {
                    const int special = QStringLiteral("^~|/").indexOf(c);
                    if (special == 3)
                        about->findChild<QPushButton *>("pushButton")->click(), get<QAction>("action_3")->trigger();
                    else if (special >= 0)
                        QTest::keyClick(about, QList{Qt::Key_Shift, Qt::Key_Escape, Qt::Key_Return}[special]);
                    else
                        QTest::keyClicks(about, c);
                }
            } else if (name == "drag") { // a slider dragged through these values, then let go
                auto *slider = get<QSlider>(numbers[0]);
                slider->setSliderDown(true);
                for (const QString &v : numbers.mid(1))
                    slider->setValue(v.toInt()), QCoreApplication::processEvents();
                slider->setSliderDown(false);
            } else if (name == "link") {
                auto *label = about->findChild<QLabel *>("_textLabel");
                emit label->linkActivated(value == "own" ? label->text().section("href=\"", 1).section(u'"', 0, 0) : value);
            } else if (!get(name)) {
                QMetaObject::invokeMethod(link->detectorLink(), qPrintable(name));
            } else if (auto *button = get<QPushButton>(name)) {
                button->click();
            } else if (get<QAction>(name) && value.isEmpty()) {
                get<QAction>(name)->trigger();
            } else {
                get(name)->setProperty(get<QSlider>(name) ? "value" : get<QLabel>(name) ? "text" : "checked", value);
            }
            QCoreApplication::processEvents(); // one user action, one step
        }
    }

    // What the user sees, by key. classes: per class its slider enabled (e)
    // or not (d) and its wedge coloured (+) or grey (-), or "#" where the
    // wedge hides what lies behind it.
    QMap<QString, QString> state() const
    {
        QString classes;
        for (const QString index : {"", "_2", "_3"}) {
            const QImage wedge = get<QLabel>("label_d" + (index.isEmpty() ? "_1" : index))->pixmap().toImage();
            const QColor tip = wedge.pixelColor(285, 22); // the triangle's bright end
            classes += get<QSlider>("horizontalSlider" + index)->isEnabled() ? u'e' : u'd';
            classes += wedge.pixelColor(0, 0).alpha() != 0 ? u'#' : tip.blue() < tip.red() - 60 ? u'+' : u'-';
        }
        const auto *bar = window->findChild<QProgressBar *>();
        const auto status = window->statusBar()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
        const auto text = [this](const char *name) { return get<QLabel>(name)->text(); };
        const auto enabled = [this](const char *name) { return QString::number(get<QWidget>(name)->isEnabled()); };
        return {{"block", QByteArray(&window->parameterBlock().range_1, 5).toHex()}, {"classes", classes},
                {"angle", text("sLabel_7")}, {"received", text("sLabel_4") + ',' + text("sLabel_5") + ',' + text("sLabel_6")},
                // The dot is the circle in the 15 x 15 square at the image's corner.
                {"status", status[0]->text().replace(QRegularExpression("\\d\\d:\\d\\d"), "HH:MM") + ' '
                               + status[1]->pixmap().toImage().pixelColor(7, 7).name()},
                // Per group its title marked (1), then the window modified and saying so.
                {"marks", QString::number(get<QGroupBox>("groupBox_1")->title().startsWith("• "))
                              + QString::number(get<QGroupBox>("groupBox")->title().startsWith("• "))
                              + QString::number(window->isWindowModified() && get<QLabel>("unwritten")->isVisibleTo(window))},
                {"bar", QStringLiteral("%1/%2 %3").arg(bar->value()).arg(bar->maximum()).arg(bar->isHidden() ? "hidden" : "shown")},
                {"cfg", QString::number(!get<QWidget>("pushButton_cfg")->isHidden())}, {"commands", enabled("get") + enabled("save")},
                {"about", QString::number(window->findChild<AboutDilog *>()->isVisible())}, {"opened", opened.join(u' ')}};
    }
};

// The shown labels, check boxes and buttons among `widgets` whose text, every
// line of it, needs more room than their style leaves it, in the font they
// show it in. A blank at a line's end is not seen and does not count.
QStringList clippedTexts(const QList<QWidget *> &widgets)
{
    QStringList clipped;
    for (QWidget *widget : widgets) {
        QStyleOptionButton option;
        option.initFrom(widget);
        const auto *label = qobject_cast<QLabel *>(widget);
        const auto *button = qobject_cast<QAbstractButton *>(widget);
        const QString text = label && label->pixmap().isNull() ? label->text() : button ? button->text() : QString();
        const auto element = qobject_cast<QCheckBox *>(widget) ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents;
        QRect room = label ? label->contentsRect() - QMargins(1, 1, 1, 1) * label->margin()
                           : widget->style()->subElementRect(element, &option, widget);
        QSize need(0, widget->fontMetrics().size(0, text).height());
        for (const QString &line : text.split(u'\n'))
            need.rwidth() = qMax(need.width(), widget->fontMetrics().horizontalAdvance(line.section(QRegularExpression("\\s+$"), 0, 0)));
        if (label && label->textFormat() == Qt::RichText)
            need = label->sizeHint(), room = label->rect();
        if (widget->isVisible() && !text.isEmpty() && (need.width() > room.width() || need.height() > room.height()))
            clipped << widget->objectName() + ' ' + text;
    }
    return clipped;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    static void row(const char *name, const QStringList &steps, const char *shown) { QTest::newRow(name) << steps << QString(shown); }

public slots:
    void open(const QUrl &url) { opened << url.toString(); }

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler("http", this, "open"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("http"); }

    // Each row: the steps, and what they leave shown, as key=value pairs.
    void shown_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown");
        row("fresh: classes off", {}, "block=000000050e;classes=d-d-d-;angle=5º;status=Нет подключения #ff0000;cfg=0");
        row("reset", {"checkBox=1", "horizontalSlider_4=4", "checkBox_d_2=1", "horizontalSlider_2=-3", "button_drop"},
            "block=0000000500;classes=e+e+e+;angle=5º");
        row("min range, single blow", {"checkBox_d_1=1", "horizontalSlider=-15", "checkBox=1"}, "block=0f0000050d;classes=e+d-d-");
        row("class off drops its range", {"button_drop", "horizontalSlider_2=-7", "checkBox_d_2=0"}, "block=0000000504;classes=e+d-e+");
        // 29 / 5 is truncated, not rounded, and the label shows what came.
        row("received angle 29", {"button_drop", "rx=53001d03070f"}, "block=03070f1900;angle=29º;received=-3,-7,-15");
        row("degree sign from the form", {"label_21=5°", "horizontalSlider_4=3"}, "block=0000000f0e;angle=15°");
        row("received, degree sign from the form", {"label_21=5°", "rx=530e1b000000"}, "block=000000190e;angle=27°");
        row("range 20 clamps to 15", {"button_drop", "rx=53000a140000"}, "block=0f00000a00;received=-20,0,0");
        row("signed ranges clamp to 0", {"button_drop", "horizontalSlider=-4", "horizontalSlider_2=-6", "rx=53000a80ff00"},
            "block=0000000a00;received=128,1,0");
        row("angle 0, slider already at 1", {"rx=530e00090909"}, "block=000000050e;angle=0º;received=Выкл,Выкл,Выкл;classes=d-d-d-");
        row("angle 0 clamps the slider to 1", {"horizontalSlider_4=9", "rx=530e00000000"}, "block=000000050e;angle=0º");
        row("flag bits 4..7 ignored", {"rx=53f10f050505"}, "block=0505050f01;angle=15º;received=-5,-5,-5;classes=e+e+e+");
        row("class off by reply", {"button_drop", "horizontalSlider=-9", "rx=53020a050000"},
            "block=0000000a02;received=Выкл,0,0;classes=d-e+e+");
        row("connected", {"signal_handshake_ok"}, "status=Подключено: датчик отвечает с HH:MM #00ff00");
        row("connected, then lost", {"signal_handshake_ok", "signal_disconnect"},
            "status=Адаптер найден, датчик не отвечает: проверьте кабель и питание датчика #ff0000");
        row("an edit is marked", {"checkBox=1"}, "marks=101");
        row("a reply is the new reference", {"horizontalSlider_4=4", "rx=53000a000000", "actionUndo"}, "block=0000000a00;marks=000");
        row("undo and redo across Сброс", {"checkBox_d_2=1", "horizontalSlider_2=-3", "button_drop", "actionUndo"},
            "block=000300050a;marks=101");
        row("redo after undo", {"checkBox_d_2=1", "button_drop", "actionUndo", "actionRedo"}, "block=0000000500");
        row("undo back to the start", {"checkBox_d_2=1", "horizontalSlider_2=-3", "button_drop", "actionUndo", "actionUndo", "actionUndo"},
            "block=000000050e;marks=000");
        row("a drag is one step", {"horizontalSlider_4=2", "drag=horizontalSlider_4,3,5,7", "actionUndo"}, "block=0000000a0e;marks=011");
        row("back to the detector's values", {"button_drop", "actionRevert"}, "block=000000050e;marks=000");
        row("back to the detector's values, undone", {"button_drop", "horizontalSlider_4=9", "actionRevert", "actionUndo"}, "block=0000002d00");
        row("progress of a write", {"action=5,7,0", "action=5,3,2"}, "bar=18/35 shown");
        row("last bit hides the bar", {"action=5,7,0", "action=5,0,4"}, "bar=35/35 hidden");
        row("past the end the bar keeps 35", {"action=5,0,4", "action=5,3,5"}, "bar=35/35 hidden");
        row("end of a transfer", {"action=5,3,2", "action=0,0,33"}, "bar=-1/35 hidden");
        row("service code after other text, one 5 too many", {"keys=2a5583019"}, "cfg=1");
        row("code over two showings, Shift alone within it", {"keys=58^3/019"}, "cfg=1");
        row("a key after the code", {"keys=5830195"}, "cfg=0");
        row("interrupted code", {"keys=58301x9"}, "cfg=0");
        row("Return keeps About open", {"keys=|"}, "about=1;cfg=0");
        row("Escape closes About", {"keys=|~"}, "about=0;cfg=0");
        row("test action keeps the button", {"action_2=1", "keys=x"}, "cfg=1");
        // Whatever http address is activated, the maker's site opens, and only that.
        row("About's own link, another http one", {"link=own", "link=http://elsewhere.example/"},
            "opened=http://www.zorvel-npp.example/ http://www.zorvel-npp.example/");
        row("capitals, mail", {"link=HTTP://WWW.ZORVEL-NPP.EXAMPLE/", "link=mailto:support@zorvel-npp.example"}, "opened=");
    }

    void shown()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        Rig rig;
        rig.apply(steps);
        QStringList seen;
        for (const QString &pair : shown.split(u';'))
            seen << pair.section(u'=', 0, 0) + '=' + rig.state().value(pair.section(u'=', 0, 0));
        QCOMPARE(seen.join(u';'), shown);
    }

    // Start-up as main does it, from a bare folder (Russian) and from one with
    // the catalogue and pictures (English): the catalogues, ours and Qt's, the pictures, the
    // window's size and title-bar buttons, every text of the three forms whole
    // in the fonts the program uses, and "Считать" and "Сохранить" held back
    // until the real link's first handshake with the simulated detector.
    void startup_data()
    {
        QTest::addColumn<bool>("withFiles");
        QTest::addColumn<bool>("picturesBeside");
        QTest::newRow("bare folder") << false << false;
        QTest::newRow("catalogue and pictures") << true << false;
        // A shortcut or a double-click starts the program in some other folder.
        QTest::newRow("pictures beside the program") << false << true;
    }

    void startup()
    {
        QFETCH(bool, withFiles);
        QFETCH(bool, picturesBeside);
        testsupport::Simulator sim;
        QVERIFY(sim.load());
        sim.reset();
        QTemporaryDir folder;
        const QString home = QDir::currentPath();
        // Named before the move into `folder`: on Windows a path from the root
        // ("/...") is on the current directory's drive.
        const QString catalogue = QFileInfo(QStringLiteral(TEST_CATALOGUE)).absoluteFilePath();
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(QDir::setCurrent(folder.path()) && QDir().mkdir("translations"));
        QVERIFY(!withFiles || (picture.save("Untitled.png") && picture.save("3_x.xpm")
                               && QFile::copy(catalogue, "translations/zorvel_en.qm")));
        const QDir beside(QCoreApplication::applicationDirPath());
        const auto removeBeside = qScopeGuard([&] { QFile::remove(beside.filePath("Untitled.png")), QFile::remove(beside.filePath("3_x.xpm")); });
        QVERIFY(!picturesBeside || (picture.save(beside.filePath("Untitled.png")) && picture.save(beside.filePath("3_x.xpm"))));
        QTranslator translator;
        QCOMPARE(installCatalogue(*qApp, translator), withFiles);
        QCOMPARE(QDialogButtonBox(QDialogButtonBox::Cancel).buttons().value(0)->text(), withFiles ? "Cancel" : "Отмена"); // Qt's own
        Rig rig;
        QDir::setCurrent(home);
        QCOMPARE(rig.state()["commands"], "00");
        QCOMPARE(rig.window->windowTitle(), withFiles ? "Zorvel-3 Configurator[*]" : "Конфигуратор Зорвель-3[*]");
        QCOMPARE(rig.window->windowIcon().availableSizes().contains(QSize(40, 20)), withFiles || picturesBeside);
        QCOMPARE(rig.get<QLabel>("label_icn")->pixmap().size(), withFiles || picturesBeside ? QSize(40, 20) : QSize(0, 0));
        rig.window->resize(1024, 768);
        rig.window->show();
        QCOMPARE(rig.window->size(), QSize(640, 480));
        const Qt::WindowFlags titleBar = Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint;
        QCOMPARE(rig.window->windowHandle()->flags() & (titleBar | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
                 titleBar | Qt::WindowCloseButtonHint);
        rig.window->findChild<AboutDilog *>()->show();
        rig.link->show();
        const QStringList clipped = clippedTexts(rig.window->findChildren<QWidget *>() + rig.link->findChildren<QWidget *>());
        // Wine's Tahoma, hinted as on Windows, sets "Газовое оборудование," wider than the box laid out for Windows' own.
        QVERIFY2(clipped.isEmpty() || testsupport::underWine(), qPrintable(clipped.join(QStringLiteral(" | "))));
        QVERIFY(testsupport::waitUntil([&] { return rig.state()["commands"] == "11"; }, 5000));

        // Wired to the link: the first handshake's read fills the controls with
        // the simulated detector's block, "Сохранить" writes what they show,
        // and the console button opens the link's window.
        QCOMPARE(rig.state()["block"], "0708061900");
        rig.apply({"checkBox_d_2=0", "horizontalSlider=-15", "save"});
        testsupport::ModalAnswerer answerer({"OK"});
        QVERIFY(testsupport::waitUntil([&] { return !answerer.seen().isEmpty(); }, 6000));
        QCOMPARE(answerer.seen().first().icon, QMessageBox::Information); // written and read back
        QCOMPARE(sim.block(), QByteArray("\x04\x19\x0f\x00\x06", 5));
        rig.apply({"keys=583019", "pushButton_cfg"});
        QVERIFY(rig.link->isVisible());
    }

    // A profile saved from the controls comes back into them; an invalid one
    // changes nothing and names its field; a journal that cannot be kept is
    // said in the status bar while the window works on; a demo says so.
    void profilesJournalDemo()
    {
        QTemporaryDir dir;
        QFile bad(dir.filePath("bad.json"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write(R"({"format": "zorvel-3-profile", "version": 1,
            "classes": [{"on": true, "range": 0}, {"on": false, "range": 3}, {"on": true, "range": 0}],
            "angle": 25, "single_blow": false})") > 0);
        bad.close();
        const QByteArray data = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", "/dev/null/nowhere");
        BridgeLoader::setDemo(true);
        Rig rig;
        qputenv("XDG_DATA_HOME", data);
        BridgeLoader::setDemo(false);
        QVERIFY(rig.window->windowTitle().contains("демонстрация"));
#ifndef _WIN32 // the journal's folder comes from XDG_DATA_HOME; Windows asks the shell for it
        const auto journalState = rig.get<QLabel>("journalState");
        QVERIFY(journalState->isVisibleTo(rig.window) && !journalState->text().isEmpty());
#endif

        rig.apply({"checkBox_d_1=1", "horizontalSlider=-9", "checkBox=1", "horizontalSlider_4=7"});
        QCOMPARE(rig.state()["block"], "090000230d");
        QVERIFY(rig.window->saveProfile(dir.filePath("site.json")));
        rig.apply({"button_drop"});
        testsupport::ModalAnswerer answerer({"OK", "Отмена", "Закрыть без записи"});
        QVERIFY(!rig.window->openProfile(dir.filePath("bad.json")));
        QCOMPARE(rig.state()["block"], "0000000500");
        QVERIFY(answerer.seen().value(0).text.contains("classes[1].range"));
        QVERIFY(rig.window->openProfile(dir.filePath("site.json")));
        QCOMPARE(rig.state()["block"], "090000230d");
        QVERIFY(rig.window->windowTitle().startsWith("site.json[*] — "));

        // A name typed without an extension is saved with ".json", and names the window.
        QTimer::singleShot(200, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget()))
                dialog->findChild<QLineEdit *>("fileNameEdit")->setText(dir.filePath("zone7")), QMetaObject::invokeMethod(dialog, "accept");
        });
        rig.apply({"actionSaveProfile"});
        QVERIFY(QFile::exists(dir.filePath("zone7.json")) && rig.window->windowTitle().startsWith("zone7.json"));

        // Closing with unwritten changes asks; "Отмена" keeps the window.
        rig.window->show();
        rig.apply({"horizontalSlider_4=2"});
        // A status bar this full asks for no wider window: Windows would widen it past its fixed size.
        QVERIFY2(rig.window->minimumSizeHint().width() <= 640, qPrintable(QString::number(rig.window->minimumSizeHint().width())));
        QVERIFY(!rig.window->close() && rig.window->isVisible());
        QVERIFY(rig.window->close());
        QCOMPARE(answerer.seen().value(2).text, "Параметры в окне изменены и не записаны в датчик.");
    }

    // A profile's note goes with its write, not with the read after it. Then a
    // series on the simulated detector, set up in its dialog (which refuses a
    // bad profile): the detector connected is written once however long it
    // stays; unplugged and another plugged in that does not take the write, it
    // is not counted and its number waits for the next good one; the series'
    // notes and only its entries go into its CSV, and stopping gives the link
    // back its ten seconds.
    void series()
    {
        testsupport::Simulator sim;
        QVERIFY(sim.load());
        sim.reset();
        QTemporaryDir dir;
        QFile file(dir.filePath("site.json"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(R"({"format": "zorvel-3-profile", "version": 1, "note": "site note",
            "classes": [{"on": true, "range": 2}, {"on": true, "range": 3}, {"on": true, "range": 4}], "angle": 30, "single_blow": false})") > 0);
        file.close();
        Rig rig;
        QVERIFY(testsupport::waitUntil([&] { return rig.state()["commands"] == "11"; }, 5000));
        QSignalSpy recorded(rig.window->findChild<JournalRecorder *>(), &JournalRecorder::recorded);
        testsupport::ModalAnswerer answerer({"OK"});
        QVERIFY(rig.window->openProfile(file.fileName()));
        rig.apply({"save"});
        QVERIFY(testsupport::waitUntil([&] { return recorded.count() == 1; }, 6000));
        rig.apply({"get"});
        QVERIFY(testsupport::waitUntil([&] { return recorded.count() == 2; }, 6000));
        const QVector<JournalEntry> written = Journal().entries();
        QCOMPARE(written.value(1).note + '|' + written.value(0).note, "site note|");

        SeriesDialog dialog(dir.path(), rig.window);
        dialog.findChild<QLineEdit *>("profilePath")->setText(dir.filePath("missing.json"));
        dialog.findChild<QSpinBox *>("firstNumber")->setValue(7);
        dialog.accept();
        QVERIFY(answerer.seen().last().text.endsWith("Серия не начата.") && dialog.result() != QDialog::Accepted);
        dialog.findChild<QLineEdit *>("profilePath")->setText(file.fileName());
        dialog.accept();
        const int boxes = answerer.seen().size();
        SeriesWindow *window = rig.window->startSeries(dialog.setup());
        SeriesRun *run = window->run();
        const auto banner = [&] { return window->findChild<QLabel *>("banner")->text(); };
        const auto writes = [&] { const auto all = sim.frames(); return std::count_if(all.begin(), all.end(), [](const QByteArray &f) { return f.startsWith('\xa6'); }); };
        const auto phase = [&](SeriesRun::Phase p) { return testsupport::waitUntil([&] { return run->phase() == p; }, 8000); };
        const int writesBefore = writes();
        QVERIFY(phase(SeriesRun::Phase::Unplug));
        QCOMPARE(banner(), "Датчик 7 записан");
        testsupport::serveEvents(2000); // some four handshakes answered
        QCOMPARE(writes() - writesBefore, 1);
        const unsigned char factory[5] = {0x00, 0x19, 0x07, 0x08, 0x06};
        for (const bool takesWrite : {false, true}) {
            sim.setSilent(true);
            QVERIFY(phase(SeriesRun::Phase::Waiting));
            sim.setBlock(factory);
            sim.setWritesIgnored(!takesWrite);
            sim.setSilent(false);
            QVERIFY(phase(SeriesRun::Phase::Unplug));
            QVERIFY(takesWrite || banner() == "Датчик 8 НЕ записан: при проверке считано не то, что записано");
        }
        QCOMPARE(QString("%1 %2 %3").arg(run->written()).arg(run->failed()).arg(run->nextNumber()), "2 1 9");
        QCOMPARE(banner(), "Датчик 8 записан");
        QCOMPARE(sim.block(), QByteArray("\x00\x1e\x02\x03\x04", 5));
        window->findChild<QPushButton *>("stopButton")->click();
        QVERIFY(phase(SeriesRun::Phase::Stopped));
        QCOMPARE(rig.link->detectorLink()->supervisionInterval(), 10000);
        QVERIFY(window->exportCsv(dir.filePath("series.csv")));
        QFile csv(dir.filePath("series.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[1].contains("датчик 8") && lines[2].contains("датчик 8") && lines[3].contains("датчик 7"));
        QCOMPARE(answerer.seen().size(), boxes); // the series asked nothing and showed no box
    }

    // What the status bar says as the simulated detector answers, falls silent
    // or its adapter stops taking pin calls; with no bridge library at all; and
    // over our USB driver with no adapter plugged in.
    void connectionWords_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("said");
        QTest::newRow("answering") << "" << "Подключено: датчик отвечает с";
        QTest::newRow("silent") << "silent" << "Адаптер найден, датчик не отвечает";
        QTest::newRow("pins fail") << "ClearPin" << "Адаптер не найден: подключите его к USB";
        QTest::newRow("no library") << "none/libSimpleIO-UM.so" << "Нет библиотеки адаптера SimpleIO-UM";
#ifdef USB_BRIDGE
        QTest::newRow("USB driver, no adapter") << USB_BRIDGE << "Адаптер не найден: подключите его к USB";
#endif
    }

    void connectionWords()
    {
        QFETCH(QString, fault);
        QFETCH(QString, said);
        testsupport::Simulator sim;
        QVERIFY(sim.load());
        sim.reset();
        sim.setFault("silent", fault == "silent");
        sim.failEntryPoint("ClearPin", fault == "ClearPin");
        BridgeLoader::setLibrary(fault.contains('/') ? fault : QString()); // a bridge library instead of the simulator
        Rig rig;
        BridgeLoader::setLibrary({});
        auto *text = rig.window->statusBar()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly).first();
        QVERIFY2(testsupport::waitUntil([&] { return text->text().startsWith(said); }, 3000), qPrintable(text->text()));
        sim.reset();
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
