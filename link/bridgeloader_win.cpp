#include "link/simpleioapi.h"

#include <QDir>

#include <windows.h>

BridgeLoader::Result BridgeLoader::load(void **handle, QString *detail)
{
    const QString chosen = QDir::toNativeSeparators(library());
    HMODULE module = !chosen.isEmpty() ? LoadLibraryW(reinterpret_cast<const wchar_t *>(chosen.utf16()))
                     : demo()          ? LoadLibraryW(L"SimpleIO-UM-demo.dll")
                                       : LoadLibraryW(L"SimpleIO-UM.dll");
    *handle = module;
    if (module)
        return Result::Loaded;
    const DWORD error = GetLastError();
    *detail = QStringLiteral("error %1").arg(error);
    return error == ERROR_MOD_NOT_FOUND ? Result::NotFound : Result::Failed;
}

void *BridgeLoader::resolve(void *handle, const char *name)
{
    return handle ? reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(handle), name)) : nullptr;
}
