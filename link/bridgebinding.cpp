// The bridge library and its adapter: loading the library, initialising and
// configuring the adapter, and the lock that keeps a second program off it.
#include "link/detectorlink.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <utility>

// The link's texts are the console's: they keep the context "config" in the
// catalogue, which is the window that shows them.
namespace {
constexpr unsigned long BridgeUartBaud = 6000000;
} // namespace

bool DetectorLink::loadBridge()
{
    void *handle = nullptr;
    QString detail;
    switch (BridgeLoader::load(&handle, &detail)) {
    case BridgeLoader::Result::Loaded:
        emit logLine(QCoreApplication::translate("config", ">> DLL has been loaded\n\n"));
        break;
    case BridgeLoader::Result::NotFound:
        emit logLine(QCoreApplication::translate("config", ">> There was an error finding the specified DLL.\n\n"));
        bridgeProblem_ = detail;
        break;
    case BridgeLoader::Result::Failed:
        emit logLine(QCoreApplication::translate("config", ">> Loading of the DLL failed\n\n"));
        // What the system loader said, for the engineer: a wrong architecture, a missing dependency.
        emit logLine(QStringLiteral(">> %1\n\n").arg(detail));
        bridgeProblem_ = detail;
        break;
    }
    if (!handle) {
        // Nothing to initialise: saying it was would report a failure as success.
        emit logLine(QCoreApplication::translate("config", ">> The device is DISCONNECTED\n\n"));
        return false;
    }
    bridgeLoaded_ = true;

    const QStringList missing = resolveSimpleIo(handle, &api);
    for (const QString &name : missing)
        emit logLine(QCoreApplication::translate("config", ">> Entry point %1 was not found in the DLL\n\n").arg(name));

    // A bridge library of ours may say in plain words why it cannot reach the adapter.
    bridgeStatus = reinterpret_cast<BridgeStatusFn>(BridgeLoader::resolve(handle, SIMPLEIO_STATUS_SYMBOL));
    // Not even opened while another program drives it: opening resets nothing,
    // but configuring does, under that program's frames.
    prepareAdapterLock(handle);
    adapterInitDeferred_ = !holdAdapter();
    if (!adapterInitDeferred_)
        initAdapter();
    return true;
}

void DetectorLink::initAdapter()
{
    api.InitMCP2200(SIMPLEIO_VID, SIMPLEIO_PID);
    if (api.initMCP2200)
        emit logLine(QCoreApplication::translate("config", ">> The MCP2200 was successfully initialized.\n\n"));
    adapterConnected_ = api.IsConnected();
    emit logLine(adapterConnected_ ? QCoreApplication::translate("config", ">> The device is CONNECTED\n\n") : QCoreApplication::translate("config", ">> The device is DISCONNECTED\n\n"));
    logBridgeStatus();
}

void DetectorLink::prepareAdapterLock(void *library)
{
    const auto adapterName = reinterpret_cast<BridgeAdapterFn>(BridgeLoader::resolve(library, SIMPLEIO_ADAPTER_SYMBOL));
    const char *name = adapterName ? adapterName() : nullptr;
    if (name && !*name)
        return; // a simulated detector: nobody else can reach it
    QString file = QStringLiteral("zorvel-adapter-%1-%2")
                       .arg(SIMPLEIO_VID, 4, 16, QLatin1Char('0'))
                       .arg(SIMPLEIO_PID, 4, 16, QLatin1Char('0'));
    if (name) {
        static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
        file += QLatin1Char('-') + QString::fromUtf8(name).replace(unsafe, QStringLiteral("_"));
    }
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    adapterLockPath_ = QDir(folder).filePath(file + QStringLiteral(".lock"));
    adapterLock_ = std::make_unique<QLockFile>(adapterLockPath_);
    // Never stale by age: the window holds its lock for hours. A lock whose
    // process is gone is stale all the same, and taken over.
    adapterLock_->setStaleLockTime(0);
}

bool DetectorLink::holdAdapter()
{
    if (!adapterLock_ || adapterLock_->isLocked())
        return true;
    if (!adapterLock_->tryLock()) {
        if (adapterLock_->error() != QLockFile::LockFailedError) {
            // A folder we cannot write in keeps nobody from the adapter, this program least.
            emit logLine(QStringLiteral(">> %1\n\n").arg(QCoreApplication::translate("config", "Файл блокировки адаптера %1 не создаётся: адаптер используется без него").arg(adapterLockPath_)));
            adapterLock_.reset();
            return holdAdapter();
        }
        qint64 pid = 0;
        QString host;
        QString program;
        adapterLock_->getLockInfo(&pid, &host, &program);
        const QString message = QCoreApplication::translate("config", "адаптер занят программой %1 (процесс %2)")
                                    .arg(program.isEmpty() ? QStringLiteral("zorvel-configurator") : program)
                                    .arg(pid);
        emit logLine(QStringLiteral(">> %1\n\n").arg(message));
        emit adapterBusy(message);
        return false;
    }
    if (adapterInitDeferred_) {
        // Free at last: what the start-up could not do is done now.
        adapterInitDeferred_ = false;
        initAdapter();
        if (deferredDirections_ >= 0)
            configurePort(std::exchange(deferredDirections_, -1));
    }
    return true;
}

void DetectorLink::logBridgeStatus()
{
    // Each finding is told once; configuring the adapter or its rate may bring new ones.
    if (const char *text = bridgeStatus ? bridgeStatus() : nullptr) {
        bridgeProblem_ = QString::fromUtf8(text);
        emit logLine(QStringLiteral(">> %1\n\n").arg(bridgeProblem_));
    }
}

// ---------------------------------------------------------------------------
// The console's adapter settings

void DetectorLink::configurePort(int ioMask)
{
    if (!holdAdapter()) {
        deferredDirections_ = ioMask;
        return;
    }
    const auto mask = static_cast<unsigned char>(ioMask);
    if (api.ConfigureMCP2200(mask, BridgeUartBaud))
        emit logLine(QCoreApplication::translate("config", ">> success configure MCP\n"));
    else
        emit logLine(QCoreApplication::translate("config", ">> Invalid command MCP2200\n\n"));

    if (api.ConfigureIO(mask))
        emit logLine(QCoreApplication::translate("config", ">> success configure IO") + QString::number(ioMask, 2) + QStringLiteral("\n\n"));
    else
        emit logLine(QCoreApplication::translate("config", ">> Invalid command IO\n\n"));

    idlePins();
    logBridgeStatus();
}

void DetectorLink::setBaud(long rate)
{
    if (!holdAdapter())
        return;
    if (api.fnSetBaudRate(static_cast<unsigned long>(rate)))
        emit logLine(QCoreApplication::translate("config", ">> Baud rate set") + QString::number(rate) + QStringLiteral("\n\n"));
    else
        emit logLine(QCoreApplication::translate("config", ">> Error setting baud rate\n\n"));
    logBridgeStatus();
}
