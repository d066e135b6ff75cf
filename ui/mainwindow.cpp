#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "ui/aboutdilog.h"
#include "ui/config.h"
#include "link/detectorlink.h"
#include "trace/linetrace.h"
#include "link/simpleioapi.h"
#include "ui/connectionstatus.h"
#include "ui/journalwindow.h"
#include "ui/parametertracker.h"
#include "ui/file.h"
#include "ui/sliders.h"
#include "storage/journal.h"
#include "storage/programfiles.h"

#include "resources/zorvel_icon.xpm"

#include <QBrush>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QStandardPaths>

namespace {
// The link counts a byte's bits down from 7; the bar gives each byte seven units.
constexpr int UnitsPerByte = 7;

constexpr char StorageSender[] = "save";
constexpr char LoadSender[] = "open";

// The form was laid out for Tahoma at 11 px. Linux has none, and its fallback
// is wider: "Газовое оборудование," no longer fits the class box's 141 px.
// Wine's Tahoma (Debian's fonts-wine) has the same widths and Cyrillic, but
// lies in a folder fontconfig does not scan, so the program loads it itself.
void provideTahoma()
{
    static bool looked = false;
    if (looked || QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
        return;
    looked = true;
    const QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                 QStringLiteral("wine/fonts/tahoma.ttf"));
    if (!found.isEmpty())
        QFontDatabase::addApplicationFont(found);
}

// Reply bytes are signed: 0x80..0xFF are negative.
int signedByte(char byte) { return static_cast<signed char>(byte); }
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), wedgePoints{}
{
    ui = new Ui::MainWindow;
    ui->setupUi(this);

    provideTahoma();
    QFont windowFont(QStringLiteral("Tahoma"));
    windowFont.setPixelSize(11);
    setFont(windowFont);
    ui->label->setFont(QFont(QStringLiteral("Tahoma"), 16));

    about = new AboutDilog(this);
    ui->pushButton_cfg->hide();

    // Ranges and flag start at 0; the angle comes from the angle rule below.
    block = DeviceConfig{};

    // The window owns the link and what it records; the console is a view of both.
    detector = new DetectorLink(&block, this);
    trace = std::make_unique<LineTrace>();
    detector->setTrace(trace.get());
    link = new config(nullptr, detector, trace.get());

    updateTitle();

    // A missing "3_x.xpm" adds nothing: the built-in picture stays alone.
    // The working directory first, as always; an installed program started
    // in the user's own folder finds them in its data folder.
    QIcon icon{QPixmap(zorvel_icon_xpm)};
    icon.addFile(programFile(QStringLiteral("3_x.xpm")), QSize(), QIcon::Normal, QIcon::Off);
    ui->label_icn->setPixmap(QPixmap(programFile(QStringLiteral("Untitled.png"))));
    setWindowIcon(icon);
    // Closing the window is the only way to end the program ("Выход" is in no
    // menu), so it needs the close hint: without it X window managers get no
    // close function in the Motif hints (IceWM shows no close button) and
    // Windows greys Close. The form is at most 640 x 480: no maximize. Qt
    // would add the title and system menu by itself; they are named so that
    // the flags say all the window gets.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    setUpStatusBar();
    paintWedges();
    buttonsEnable(false);
    connectControls();
    connectLink();
    setUpJournal();
    setUpEditing();
    setUpSeries();

    // The user reads with "Считать", whose slot clicks the hidden handshake button.
    ui->hand->hide();
    ui->sLabel->hide();
    ui->sLabel_2->hide();
    ui->sLabel_3->hide();
    ui->sLabel_4->hide();
    ui->sLabel_5->hide();
    ui->sLabel_6->hide();

    ui->horizontalSlider->setEnabled(false);
    ui->horizontalSlider_2->setEnabled(false);
    ui->horizontalSlider_3->setEnabled(false);

    // The check boxes start unchecked: all three classes off, angle 5 degrees.
    setmem_d_1();
    setmem_d_2();
    setmem_d_3();
    setmem_angle(1);
    setmem_flag(1);

    // Everything is connected: the link may start talking.
    detector->startUp();
    connection->judgeBridge();
    // A simulated detector needs no lock: nobody else can reach it.
    about->setBridge(!detector->bridgeLoaded()           ? tr("библиотека адаптера не загружена")
                     : detector->adapterLockPath().isEmpty() ? tr("имитатор датчика")
                                                             : tr("USB-адаптер MCP2200"));
    // What the controls show now is all the window knows of the detector.
    tracker->adoptReceived();
}

void MainWindow::connectControls()
{
    connect(ui->action, &QAction::triggered, this, &QWidget::close);
    connect(ui->action_3, &QAction::triggered, this, &MainWindow::show_about);
    connect(about, &AboutDilog::show_btn, this, &MainWindow::test_button);
    ui->sLabel->setNum(ui->horizontalSlider->value());
    ui->sLabel_2->setNum(ui->horizontalSlider_2->value());
    ui->sLabel_3->setNum(ui->horizontalSlider_3->value());
    connect(ui->horizontalSlider, &QSlider::valueChanged, ui->sLabel, qOverload<int>(&QLabel::setNum));
    connect(ui->horizontalSlider_2, &QSlider::valueChanged, ui->sLabel_2, qOverload<int>(&QLabel::setNum));
    connect(ui->horizontalSlider_3, &QSlider::valueChanged, ui->sLabel_3, qOverload<int>(&QLabel::setNum));
    connect(ui->horizontalSlider, &QSlider::valueChanged, this, &MainWindow::setmem);
    connect(ui->horizontalSlider_2, &QSlider::valueChanged, this, &MainWindow::setmem_2);
    connect(ui->horizontalSlider_3, &QSlider::valueChanged, this, &MainWindow::setmem_3);
    connect(ui->checkBox_d_1, &QCheckBox::stateChanged, this, &MainWindow::setmem_d_1);
    connect(ui->checkBox_d_2, &QCheckBox::stateChanged, this, &MainWindow::setmem_d_2);
    connect(ui->checkBox_d_3, &QCheckBox::stateChanged, this, &MainWindow::setmem_d_3);
    connect(ui->horizontalSlider_4, &QSlider::valueChanged, this, &MainWindow::setmem_angle);
    connect(ui->checkBox, &QCheckBox::stateChanged, this, &MainWindow::setmem_flag);
    connect(ui->pushButton_cfg, &QPushButton::clicked, this, &MainWindow::conf_wgt);
    connect(ui->get, &QPushButton::clicked, this, &MainWindow::get_connect);
    connect(ui->button_drop, &QPushButton::clicked, this, &MainWindow::slot_reset);
    connect(ui->actionOpenProfile, &QAction::triggered, this, &MainWindow::openProfileDialog);
    connect(ui->actionSaveProfile, &QAction::triggered, this, &MainWindow::saveProfileDialog);
    connect(ui->actionJournal, &QAction::triggered, this, &MainWindow::showJournal);
}

void MainWindow::connectLink()
{
    connection = new ConnectionStatus(detector, this);
    connect(connection, &ConnectionStatus::changed, this, [this] {
        showConnection(connection->text(), connection->answering() ? Qt::green : Qt::red);
        statusText->setToolTip(connection->detail());
    });
    connect(ui->save, &QPushButton::clicked, detector, &DetectorLink::sendParamA6);
    connect(ui->hand, &QPushButton::clicked, detector, &DetectorLink::sendParamAA);
    // Closing waited for the write it asked for.
    connect(detector, &DetectorLink::writeConfirmed, this, [this](bool same) {
        if (std::exchange(closeAfterWrite, false) && same)
            close();
    });
    connect(detector, &DetectorLink::lineFailed, this, [this] { closeAfterWrite = false; });
    connect(detector, &DetectorLink::setButton, this, &MainWindow::buttonsEnable);
    connect(detector, &DetectorLink::signal_getConfig, this, &MainWindow::set_dev_config);
    connect(detector, &DetectorLink::action, this, &MainWindow::set_curr_action);
}

MainWindow::~MainWindow()
{
    delete journalWindow;
    // The console is a window of its own, outliving this one on screen, but
    // not the link it shows.
    delete link;
    // Each painter ends before its image goes.
    delete indicatorPainter;
    delete indicatorPixmap;
    delete wedgeOffPainter;
    delete wedgeOff;
    delete wedgeOnPainter;
    delete wedgeOn;
    delete ui;
}

MainWindow::ToolClass MainWindow::toolClass(int index)
{
    switch (index) {
    case 1:
        return {ui->checkBox_d_1, ui->horizontalSlider, ui->label_d_1, ui->sLabel, ui->sLabel_4,
                &block.range_1, DeviceFlag::d1_off};
    case 2:
        return {ui->checkBox_d_2, ui->horizontalSlider_2, ui->label_d_2, ui->sLabel_2, ui->sLabel_5,
                &block.range_2, DeviceFlag::d2_off};
    default:
        return {ui->checkBox_d_3, ui->horizontalSlider_3, ui->label_d_3, ui->sLabel_3, ui->sLabel_6,
                &block.range_3, DeviceFlag::d3_off};
    }
}

// Toggles one bit only when it differs, so the other bits keep their values.
void MainWindow::setFlagBit(char mask, bool on)
{
    if (((block.flag & mask) != 0) != on)
        block.flag ^= mask;
}

QString MainWindow::degreeSign() const
{
    // The form's "5º" under the angle slider carries the sign in the catalogue's spelling.
    return ui->label_21->text().mid(1, 1);
}

void MainWindow::applyRange(int index, int sliderValue)
{
    const ToolClass tool = toolClass(index);
    *tool.rangeByte = DeviceRange::fromSlider(sliderValue);
    setFlagBit(tool.offBit, false);
}

void MainWindow::applyClassState(int index)
{
    const ToolClass tool = toolClass(index);
    const bool on = tool.enabled->isChecked();
    // A class switched either way starts again from the maximum range.
    tool.range->setValue(DeviceRange::sliderMax);
    tool.range->setEnabled(on);
    tool.wedge->clear();
    tool.wedge->setPixmap(on ? *wedgeOn : *wedgeOff);
    *tool.rangeByte = 0;
    setFlagBit(tool.offBit, !on);
    if (!on)
        tool.value->setText(tr("Выкл"));
}

void MainWindow::setmem(int i)
{
    applyRange(1, i);
}

void MainWindow::setmem_2(int i)
{
    applyRange(2, i);
}

void MainWindow::setmem_3(int i)
{
    applyRange(3, i);
}

void MainWindow::setmem_d_1()
{
    applyClassState(1);
}

void MainWindow::setmem_d_2()
{
    applyClassState(2);
}

void MainWindow::setmem_d_3()
{
    applyClassState(3);
}

void MainWindow::setmem_angle(int i)
{
    block.angle = DeviceAngle::fromSlider(i);
    ui->sLabel_7->setText(QString::number(i * DeviceAngle::degreesPerStep) + degreeSign());
}

void MainWindow::setmem_flag(int)
{
    setFlagBit(DeviceFlag::single_blow, ui->checkBox->isChecked());
}

void MainWindow::conf_wgt()
{
    link->show();
}

void MainWindow::file_wr()
{
    file storage(this, recordValues);
    const QString name = sender() ? sender()->objectName() : QString();
    if (name == QLatin1String(StorageSender))
        storage.writeRecord(0);
    if (name == QLatin1String(LoadSender))
        storage.readRecord(0);
}

// The controls take the reply and their own slots write the block, so the
// block always matches what the controls show. The argument is the same six
// bytes as the link's configReply, which is read instead.
void MainWindow::set_dev_config(char *)
{
    showParameters(detector->lastReply());
    tracker->adoptReceived();
}

void MainWindow::showBlock(const DeviceConfig &shown)
{
    char reply[6] = {char(DetectorReply::ParamsOk)};
    for (int i = 0; i < ParameterFrame::length; ++i)
        reply[1 + i] = char(ParameterFrame::byteAt(shown, i));
    showParameters(reply);
}

void MainWindow::showParameters(const char rx[6])
{
    const int flags = static_cast<unsigned char>(rx[1 + ParameterFrame::Flag]);
    const int angle = signedByte(rx[1 + ParameterFrame::Angle]);

    // The slider clamps to 1..9 and keeps 5 x its value in the block; the
    // label shows what the detector holds.
    ui->horizontalSlider_4->setValue(DeviceAngle::toSlider(angle));
    ui->sLabel_7->setText(QString::number(angle) + degreeSign());

    ui->checkBox->setChecked(flags & DeviceFlag::single_blow);
    setmem_flag(0);

    for (int index = 1; index <= 3; ++index) {
        const ToolClass tool = toolClass(index);
        // setChecked only emits, and so runs the class rule, when the state changes.
        if (flags & tool.offBit) {
            tool.received->setText(tr("Выкл"));
            tool.enabled->setChecked(false);
        } else {
            const int range = signedByte(rx[1 + ParameterFrame::Range1 + index - 1]);
            tool.enabled->setChecked(true);
            tool.received->setText(QString::number(-range));
            tool.range->setValue(-range); // clamps to -15..0
        }
    }
}

void MainWindow::set_curr_action(int total, int step, int cgi)
{
    if (cgi == LinkProgress::Done) {
        progressBar->hide();
        progressBar->reset();
        return;
    }
    progressBar->show();
    progressBar->setMaximum(UnitsPerByte * total);
    // Reports past the last byte are out of range: the bar ignores them.
    progressBar->setValue(UnitsPerByte * cgi + (UnitsPerByte - step));
    if (progressBar->value() == UnitsPerByte * total)
        progressBar->hide();
}

void MainWindow::test_button(bool b)
{
    ui->pushButton_cfg->setVisible(ui->action_2->isChecked() || b);
}

void MainWindow::show_about()
{
    about->show();
}

void MainWindow::get_connect()
{
    // The link reads the parameters once this handshake succeeds.
    detector->readAfterNextHandshake();
    ui->hand->click();
}

void MainWindow::slot_reset()
{
    // Each control writes the block through its own slot, and only if it changes.
    ui->checkBox_d_1->setChecked(true);
    ui->checkBox_d_2->setChecked(true);
    ui->checkBox_d_3->setChecked(true);
    ui->checkBox->setChecked(false);
    ui->horizontalSlider->setValue(DeviceRange::sliderMax);
    ui->horizontalSlider_2->setValue(DeviceRange::sliderMax);
    ui->horizontalSlider_3->setValue(DeviceRange::sliderMax);
    ui->horizontalSlider_4->setValue(DeviceAngle::sliderMin);
}

void MainWindow::buttonsEnable(bool b)
{
    ui->save->setEnabled(b);
    ui->get->setEnabled(b);
    ui->hand->setEnabled(b);
}
