#include "link/simpleioapi.h"

void SimpleIoApi::InitMCP2200(unsigned int vid, unsigned int pid) const
{
    if (initMCP2200)
        initMCP2200(vid, pid);
}

bool SimpleIoApi::IsConnected() const
{
    return isConnected && isConnected();
}

bool SimpleIoApi::ConfigureIO(unsigned char ioMap) const
{
    return configureIO && configureIO(ioMap);
}

bool SimpleIoApi::SetPin(unsigned int pin) const
{
    return setPin && setPin(pin);
}

bool SimpleIoApi::ClearPin(unsigned int pin) const
{
    return clearPin && clearPin(pin);
}

bool SimpleIoApi::ReadPin(unsigned int pin, unsigned int *value) const
{
    return readPin && readPin(pin, value);
}

bool SimpleIoApi::fnSetBaudRate(unsigned long baudRate) const
{
    return setBaudRate && setBaudRate(baudRate);
}

bool SimpleIoApi::ConfigureMCP2200(unsigned char ioMap, unsigned long baudRate) const
{
    // The LED modes, flow control, USB-load and suspend options stay off.
    return configureMCP2200 && configureMCP2200(ioMap, baudRate, 0, 0, false, false, false);
}

namespace {
bool demoMode = false;
QString chosenLibrary;
} // namespace

void BridgeLoader::setLibrary(const QString &path)
{
    chosenLibrary = path;
}

QString BridgeLoader::library()
{
    return chosenLibrary;
}

void BridgeLoader::setDemo(bool demo)
{
    demoMode = demo;
}

bool BridgeLoader::demo()
{
    return demoMode;
}

QStringList resolveSimpleIo(void *handle, SimpleIoApi *api)
{
    QStringList missing;
    auto take = [&](auto &slot, const char *name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(BridgeLoader::resolve(handle, name));
        if (!slot)
            missing << QString::fromLatin1(name);
    };
    take(api->initMCP2200, "InitMCP2200");
    take(api->isConnected, "IsConnected");
    take(api->configureIO, "ConfigureIO");
    take(api->setPin, "SetPin");
    take(api->clearPin, "ClearPin");
    take(api->readPin, "ReadPin");
    take(api->setBaudRate, "fnSetBaudRate");
    take(api->configureMCP2200, "ConfigureMCP2200");
    return missing;
}
