#include "ui/config.h"
#include "ui_config.h"

#include "trace/linetrace.h"
#include "ui/linetracewindow.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextCursor>

namespace {
constexpr int RawFrameBytes = 3;
} // namespace

config::config(QWidget *parent, DetectorLink *detectorLink, LineTrace *lineTrace)
    : QWidget(parent),
      ui(new Ui::config),
      link(detectorLink),
      firstConnect(link->firstConnect),
      configReply(link->configReply),
      trace(lineTrace)
{
    ui->setupUi(this);

    // The raw frame of "send config", as hex bytes beside the button.
    rawFrame = new QLineEdit(this);
    rawFrame->setObjectName(QStringLiteral("rawFrame"));
    rawFrame->setToolTip(tr("Три байта кадра \"send config\" в шестнадцатеричном виде"));
    ui->gridLayout->addWidget(rawFrame, 3, 5, 1, 1);
    showConsoleBytes();

    // Everything the link does on the line, for the waveform window.
    auto *showTrace = new QPushButton(tr("Сигналы линии…"), this);
    showTrace->setObjectName(QStringLiteral("showTrace"));
    ui->gridLayout->addWidget(showTrace, 8, 5, 1, 1);
    connect(showTrace, &QPushButton::clicked, this, &config::showTraceWindow);

    link->setQuestions(this);
    connect(link, &DetectorLink::signal_handshake_ok, this, &config::signal_handshake_ok);
    connect(link, &DetectorLink::setButton, this, &config::setButton);
    connect(link, &DetectorLink::signal_disconnect, this, &config::signal_disconnect);
    connect(link, &DetectorLink::signal_getConfig, this, &config::signal_getConfig);
    connect(link, &DetectorLink::action, this, &config::action);
    connect(link, &DetectorLink::logLine, this, &config::appendLog);
    connect(link, &DetectorLink::logInline, ui->textEdit, &QTextEdit::insertPlainText);
    connect(link, &DetectorLink::traceText, this, &config::insertTrace);
    connect(link, &DetectorLink::traceParagraph, ui->sendText, &QTextEdit::append);
    connect(link, &DetectorLink::panesCleared, this, &config::clr);
    connect(link, &DetectorLink::consoleButtonsEnabled, this, &config::setConsoleButtons);
    connect(link, &DetectorLink::handBoxEnabled, ui->hand, &QWidget::setEnabled);
    connect(link, &DetectorLink::dateReplyShown, ui->lineEdit, &QLineEdit::setText);
    connect(link, &DetectorLink::writeConfirmed, this, &config::showWriteResult);


    connect(ui->set, &QPushButton::clicked, this, &config::set);
    connect(ui->setCheck, &QCheckBox::clicked, this, &config::setDefault);
    connect(ui->set_B, &QPushButton::clicked, this, &config::setBaud);
    connect(ui->send, &QPushButton::clicked, this, &config::sendParam);
    connect(ui->read, &QPushButton::clicked, this, &config::readParam);
    connect(ui->pushButton_3, &QPushButton::clicked, this, &config::clr);
    connect(ui->hand, &QCheckBox::clicked, this, &config::sendHand);

    ui->hand->hide();

    // The directions field shows the defaults the link starts with.
    setDefault(true);
    ui->setCheck->setChecked(true);
    setDefault(true);
    connect(ui->btn_dt, &QPushButton::clicked, this, &config::sendParamA1);
    connect(ui->getDT, &QPushButton::clicked, this, &config::sendParamA2);
}

config::~config()
{
    delete traceWindow;
    delete ui;
}

void config::showTraceWindow()
{
    // A window of its own, like the console: it may stay open beside it.
    if (!traceWindow)
        traceWindow = new LineTraceWindow(trace);
    traceWindow->show();
    traceWindow->raise();
}

// ---------------------------------------------------------------------------
// What the link asks and tells

bool config::retryRead()
{
    QMessageBox box(QMessageBox::Warning, tr("Конфигурация"), tr("Ошибка чтения конфигурации \n Повторить?"),
                    QMessageBox::NoButton);
    box.addButton(tr("Отмена"), QMessageBox::NoRole);
    QPushButton *yes = box.addButton(tr("Да"), QMessageBox::YesRole);
    box.exec();
    return box.clickedButton() == yes;
}

void config::showWriteResult(bool same)
{
    if (!writeResultsShown)
        return;
    QMessageBox box(same ? QMessageBox::Information : QMessageBox::Warning, tr("Конфигурация"),
                    same ? tr("Конфигурация записана успешно") : tr("Ошибка при записи конфигурации"),
                    QMessageBox::Ok);
    box.exec();
}

void config::appendLog(const QString &line)
{
    ui->textEdit->append(line);
}

void config::insertTrace(const QString &text)
{
    // Always at the end, wherever the engineer last clicked in the pane; a
    // cursor of its own spares the widget's cursor and scrolling on every tick.
    QTextCursor end(ui->sendText->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    if (ui->sendText->isVisible()) {
        QScrollBar *bar = ui->sendText->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
}

void config::setConsoleButtons(bool enabled)
{
    ui->send->setEnabled(enabled);
    ui->read->setEnabled(enabled);
}

// ---------------------------------------------------------------------------
// Console

void config::set()
{
    ioMask = 0;
    bool ok = false;
    const int parsed = ui->setLine->text().toInt(&ok, 2);
    if (!ok) {
        ui->setLine->setText(tr("ERROR!"));
        return;
    }
    // Taken as unsigned, so a negative entry clamps to 255 as well.
    ioMask = unsigned(parsed) > 255u ? 255 : parsed;
    ui->setLine->setText(QString::number(ioMask, 2));
    link->configurePort(ioMask);
}

void config::setDefault(bool on)
{
    if (on) {
        ui->setLine->setText(QString::number(LinkPins::DefaultDirections, 2));
        ui->setLine->setEnabled(false);
    } else {
        ui->setLine->setEnabled(true);
    }
}

void config::setBaud()
{
    link->setBaud(ui->comboBox->currentText().toLong());
}

void config::clr()
{
    ui->textEdit->clear();
    ui->sendText->clear();
}

void config::showConsoleBytes()
{
    QStringList bytes;
    for (int value : consoleBytes)
        bytes << QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    rawFrame->setText(bytes.join(QLatin1Char(' ')));
}

bool config::takeConsoleBytes()
{
    // Each byte one or two hex digits and nothing else: no sign, no prefix.
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    static const QRegularExpression hexByte(QStringLiteral("^[0-9A-Fa-f]{1,2}$"));
    const QStringList parts = rawFrame->text().split(separators, Qt::SkipEmptyParts);
    bool ok = parts.size() == RawFrameBytes;
    for (int i = 0; ok && i < RawFrameBytes; ++i)
        ok = hexByte.match(parts.at(i)).hasMatch();
    if (!ok) {
        rawFrame->setText(tr("ERROR!"));
        return false;
    }
    for (int i = 0; i < RawFrameBytes; ++i)
        consoleBytes[i] = parts.at(i).toInt(nullptr, 16);
    showConsoleBytes();
    return true;
}

void config::sendParam()
{
    // A busy line refuses before the typed frame is touched.
    if (link->lineBusy()) {
        link->sendParam(consoleBytes);
        return;
    }
    if (takeConsoleBytes())
        link->sendParam(consoleBytes);
}

void config::sendHand()
{
    link->sendHand(ui->hand->isChecked());
}

// ---------------------------------------------------------------------------
// The rest hands over to the link.

void config::readParam() { link->readParam(); }
void config::sendParamAA() { link->sendParamAA(); }
void config::sendParamA3(bool pause) { link->sendParamA3(pause); }
void config::sendParamA6() { link->sendParamA6(); }
void config::sendParamA1() { link->sendParamA1(); }
void config::sendParamA2() { link->sendParamA2(); }
void config::connection_timer(bool on) { link->connection_timer(on); }
void config::sendParam_timer() { link->sendParam_timer(); }
void config::readParam_timer() { link->readParam_timer(); }
void config::readHandshake() { link->readHandshake(); }
void config::sendParam_timerAA() { link->sendParam_timerAA(); }
void config::sendParam_timerA3() { link->sendParam_timerA3(); }
void config::sendParam_timerA6() { link->sendParam_timerA6(); }
void config::sendParam_timerA9() { link->sendParam_timerA9(); }
void config::sendParam_timerA1() { link->sendParam_timerA1(); }
void config::sendParam_timerA2() { link->sendParam_timerA2(); }
void config::readParam_timerA2r() { link->readParam_timerA2r(); }

void config::closeTrace()
{
    if (traceWindow)
        traceWindow->close();
}
