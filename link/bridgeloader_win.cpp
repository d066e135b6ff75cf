#include "link/simpleioapi.h"

#include <windows.h>

BridgeLoader::Result BridgeLoader::load(void **handle, QString *detail)
{
    HMODULE module = LoadLibraryW(demo() ? L"SimpleIO-UM-demo.dll" : L"SimpleIO-UM.dll");
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
