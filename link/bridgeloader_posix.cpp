#include "link/simpleioapi.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

namespace {
#ifdef __APPLE__
const char LibraryName[] = "libSimpleIO-UM.dylib";
#else
const char LibraryName[] = "libSimpleIO-UM.so";
#endif
} // namespace

BridgeLoader::Result BridgeLoader::load(void **handle, QString *detail)
{
    *handle = nullptr;
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(LibraryName));
    if (QFileInfo::exists(beside)) {
        *handle = dlopen(QFile::encodeName(beside).constData(), RTLD_NOW | RTLD_LOCAL);
        if (*handle)
            return Result::Loaded;
        *detail = QString::fromLocal8Bit(dlerror());
        return Result::Failed;
    }
    *handle = dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
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
