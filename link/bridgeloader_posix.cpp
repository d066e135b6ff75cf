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
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(name));
    if (QFileInfo::exists(beside)) {
        *handle = dlopen(QFile::encodeName(beside).constData(), RTLD_NOW | RTLD_LOCAL);
        if (*handle)
            return Result::Loaded;
        *detail = QString::fromLocal8Bit(dlerror());
        return Result::Failed;
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
