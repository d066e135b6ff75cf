// The main window's files: profiles opened and saved, the journal and its
// window, and the title that names the profile.
#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "ui/journalwindow.h"
#include "ui/parametertracker.h"
#include "ui/savefiledialog.h"
#include "link/detectorlink.h"
#include "link/simpleioapi.h"
#include "protocol/profile.h"
#include "storage/journal.h"
#include "storage/journalrecorder.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

// ---------------------------------------------------------------------------
// Profiles

namespace {
const QString ProfileFolderKey = QStringLiteral("profileFolder");
} // namespace

// The user's documents until a profile has been opened or saved: never the
// working directory, which for a program started from a menu is anybody's.
QString MainWindow::profileFolder() const
{
    return programSettings()
        .value(ProfileFolderKey, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .toString();
}

void MainWindow::rememberProfileFolder(const QString &file) const
{
    programSettings().setValue(ProfileFolderKey, QFileInfo(file).absolutePath());
}

void MainWindow::openProfileDialog()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Открыть профиль"), profileFolder(),
                                                      tr("Профили (*.json);;Все файлы (*)"));
    if (path.isEmpty())
        return;
    rememberProfileFolder(path);
    openProfile(path);
}

void MainWindow::saveProfileDialog()
{
    const QString path = askSaveFileName(this, tr("Сохранить профиль"), profileFolder(), tr("Профили (*.json)"),
                                         QStringLiteral("json"));
    if (path.isEmpty())
        return;
    rememberProfileFolder(path);
    saveProfile(path);
}

bool MainWindow::openProfile(const QString &path)
{
    QString why;
    const std::optional<Profile> profile = Profile::load(path, &why);
    if (!profile) {
        QMessageBox::warning(this, tr("Профиль"), tr("Профиль %1 не открыт: %2").arg(path, why));
        return false;
    }
    // Through the same rules as a reply of the detector.
    const auto frame = profile->toFrame();
    char reply[6] = {char(DetectorReply::ParamsOk)};
    std::copy(frame.begin(), frame.end(), reply + 1);
    showParameters(reply);
    tracker->commitNow();
    useProfile(path, profile->note);
    return true;
}

bool MainWindow::saveProfile(const QString &path)
{
    std::uint8_t frame[ParameterFrame::length];
    for (int i = 0; i < ParameterFrame::length; ++i)
        frame[i] = ParameterFrame::byteAt(block, i);
    Profile profile = Profile::fromFrame(frame);
    profile.note = profileNote;
    // A crash or a full disk leaves the old file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(profile.toJson()) < 0 || !file.commit()) {
        QMessageBox::warning(this, tr("Профиль"), tr("Профиль %1 не сохранён: %2").arg(path, file.errorString()));
        return false;
    }
    useProfile(path, profileNote);
    return true;
}

// The profile last opened or saved names the window, and its note goes with
// every write into the journal, and with no read.
void MainWindow::useProfile(const QString &path, const QString &note)
{
    profileNote = note;
    recorder->setWriteNote(note);
    profileName = QFileInfo(path).fileName();
    updateTitle();
}

void MainWindow::updateTitle()
{
    const QString program = BridgeLoader::demo() ? tr("Конфигуратор Зорвель-3 — демонстрация на имитаторе датчика")
                                                 : tr("Конфигуратор Зорвель-3");
    // "[*]" is where the title shows "*" while the window differs from the detector.
    setWindowTitle(profileName.isEmpty() ? program + QStringLiteral("[*]")
                                         : QStringLiteral("%1[*] — %2").arg(profileName, program));
}

// ---------------------------------------------------------------------------
// The journal

namespace {
// A note or an entry tried while another program writes waits this long at
// most: an INSERT holds the lock for milliseconds, and a frame's 2 ms ticks
// barely notice the wait.
constexpr int JournalBusyTimeoutMs = 20;
} // namespace

void MainWindow::setUpJournal()
{
    journal = std::make_unique<Journal>();
    // The window never waits for the journal: an entry that meets another
    // program's write lock waits in the recorder's queue, and a note edited
    // meanwhile fails at once rather than freezing the window.
    journal->setBusyTimeout(JournalBusyTimeoutMs);
    recorder = new JournalRecorder(detector, journal.get(), JournalEntry::Source::Window, this);
    recorder->setQueued(true);
    // The queue goes in before the window and the journal do.
    connect(qApp, &QCoreApplication::aboutToQuit, recorder, &JournalRecorder::flush);
    // A journal that cannot be kept never stops the configurator: it says so and works on.
    journalState = new QLabel;
    journalState->setObjectName(QStringLiteral("journalState"));
    ui->statusBar->addPermanentWidget(journalState);
    journalState->setVisible(!journal->isWritable());
    journalState->setText(journal->errorString());
    connect(recorder, &JournalRecorder::failed, this, [this](const QString &why) {
        journalState->setText(why);
        journalState->show();
    });
    connect(recorder, &JournalRecorder::waiting, this, [this](int count) {
        journalState->setText(count > 0 ? tr("Журнал занят другой программой: записей ждут %1").arg(count)
                                        : journal->errorString());
        journalState->setVisible(count > 0 || !journal->isWritable());
    });
    connect(recorder, &JournalRecorder::recorded, this, [this] {
        if (journalWindow)
            journalWindow->refresh();
    });
    // A damaged journal was moved aside: told once, without holding the window up.
    auto tell = [this](const QString &notice) {
        auto *box = new QMessageBox(QMessageBox::Information, tr("Журнал"), notice, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        QTimer::singleShot(0, box, &QWidget::show);
    };
    connect(recorder, &JournalRecorder::moved, this, tell);
    const QString notice = journal->takeNotice();
    if (!notice.isEmpty())
        tell(notice);
}

void MainWindow::showJournal()
{
    if (!journalWindow)
        journalWindow = new JournalWindow(journal.get());
    journalWindow->refresh();
    journalWindow->show();
    journalWindow->raise();
}
