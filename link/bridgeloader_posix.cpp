#include "link/simpleioapi.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

namespace {
#ifdef __APPLE__
const char RealLibrary[] = "libSimpleIO-UM.dylib";
const char DemoLibrary[] = "libSimpleIO-UM-demo.dylib";
#else
const char RealLibrary[] = "libSimpleIO-UM.so";
const char DemoLibrary[] = "libSimpleIO-UM-demo.so";
#endif
} // namespace

BridgeLoader::Result BridgeLoader::load(void **handle, QString *detail)
{
    *handle = nullptr;
    const char *name = demo() ? DemoLibrary : RealLibrary;
    const QString chosen = library();
    const QString path =
        chosen.isEmpty() ? QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(name)) : chosen;
    if (!chosen.isEmpty() || QFileInfo::exists(path)) {
        *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (*handle)
            return Result::Loaded;
        *detail = QString::fromLocal8Bit(dlerror());
        return QFileInfo::exists(path) ? Result::Failed : Result::NotFound;
    }
    *handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (*handle)
        return Result::Loaded;
    *detail = QString::fromLocal8Bit(dlerror());
    // The loader's words for a library that is nowhere on the search path.
    if (detail->contains(QLatin1String("No such file")) || detail->contains(QLatin1String("image not found")))
        return Result::NotFound;
    return Result::Failed;
}

void *BridgeLoader::resolve(void *handle, const char *name)
{
    return handle ? dlsym(handle, name) : nullptr;
}
