#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace testsupport {

bool underWine()
{
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= timeoutMs)
            loop.quit();
    });
    poll.start(1);
    loop.exec();
    return done();
}

void serveEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Simulator::load()
{
#ifdef _WIN32
    const char *name = "SimpleIO-UM.dll";
#elif defined(__APPLE__)
    const char *name = "libSimpleIO-UM.dylib";
#else
    const char *name = "libSimpleIO-UM.so";
#endif
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(name));
    // The module the link loaded: the same file, so the same simulated detector.
#ifdef _WIN32
    HMODULE module = LoadLibraryW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()));
    void *handle = module;
    auto symbol = [module](const char *name) { return reinterpret_cast<void *>(GetProcAddress(module, name)); };
#else
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    auto symbol = [handle](const char *name) { return dlsym(handle, name); };
#endif
    if (!handle) {
        qWarning("simulated bridge not found at %s", qPrintable(path));
        return false;
    }
    auto take = [symbol](auto &fn, const char *name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(symbol(name));
        return fn != nullptr;
    };
    return take(reset, "SimReset") && take(getBlock, "SimGetBlock") && take(setBlock, "SimSetBlock")
        && take(getDate, "SimGetDate") && take(frameCount, "SimFrameCount") && take(frame, "SimFrame")
        && take(setSilent, "SimSetSilent") && take(setHandshakeReply, "SimSetHandshakeReply")
        && take(setWritesIgnored, "SimSetWritesIgnored") && take(flipNextReplyBit, "SimFlipNextReplyBit")
        && take(failEntryPoint, "SimFailEntryPoint") && take(shortestClockPhaseUs, "SimShortestClockPhaseUs")
        && take(setFault, "SimSetFault");
}

QByteArray Simulator::block() const
{
    unsigned char out[5] = {};
    getBlock(out);
    return QByteArray(reinterpret_cast<const char *>(out), 5);
}

QVector<QByteArray> Simulator::frames() const
{
    QVector<QByteArray> all;
    const int count = frameCount();
    for (int i = 0; i < count; ++i) {
        unsigned char buffer[16] = {};
        const int length = frame(i, buffer, int(sizeof buffer));
        all.append(QByteArray(reinterpret_cast<const char *>(buffer), qMax(length, 0)));
    }
    return all;
}

} // namespace testsupport
