#include "bridge/usb/diagnosis.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace mcp2200 {

namespace {

// The HID function of the composite device; 0 and 1 are the CDC serial port.
constexpr char HidInterface[] = "02";
// The driver that lets the generic HID layer (and so hidraw) have the device.
constexpr char GenericHidDriver[] = "hid-generic";
constexpr char RuleFile[] = "60-zorvel-mcp2200.rules";

std::string firstWord(const fs::path &file)
{
    std::ifstream in(file);
    std::string word;
    in >> word;
    return word;
}

std::string hex4(unsigned id)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", id & 0xFFFFu);
    return text;
}

bool mayOpen(const std::string &node, const SystemPaths &paths)
{
    if (paths.accessible)
        return paths.accessible(node);
#ifdef _WIN32
    return true;
#else
    return ::access(node.c_str(), R_OK | W_OK) == 0;
#endif
}

// The name of a kernel driver other than the generic one bound to the HID
// interface of `device` (e.g. "1-2"), preferring its module's name, which is
// what a user unloads; empty when there is none.
std::string claimingDriver(const fs::path &devices, const std::string &device)
{
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(devices, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(device + ":", 0) != 0 || firstWord(entry.path() / "bInterfaceNumber") != HidInterface)
            continue;
        for (const fs::directory_entry &child : fs::directory_iterator(entry.path(), error)) {
            const fs::path driver = child.path() / "driver";
            if (!fs::exists(driver, error))
                continue;
            const fs::path bound = fs::read_symlink(driver, error).filename();
            if (bound.empty() || bound == GenericHidDriver)
                continue;
            const fs::path module = fs::read_symlink(driver / "module", error).filename();
            return (module.empty() ? bound : module).string();
        }
    }
    return {};
}

} // namespace

std::string explainOpenFailure(unsigned vid, unsigned pid, bool listed, const std::string &detail,
                               const SystemPaths &paths)
{
    const std::string ids = hex4(vid) + ":" + hex4(pid);
    const std::string notOpened = "The MCP2200 adapter (USB " + ids + ") is plugged in but could not be opened"
        + (detail.empty() ? std::string() : " (" + detail + ")") + "; another program may be using it.";
    const std::string notFound = "No MCP2200 adapter (USB " + ids + ") was found. Check that it is plugged in.";
    std::error_code error;
    // Without sysfs (not Linux) the USB library's listing is all there is to go by.
    if (!fs::exists(paths.usbDevices, error))
        return listed ? notOpened : notFound;
    for (const fs::directory_entry &entry : fs::directory_iterator(paths.usbDevices, error)) {
        if (firstWord(entry.path() / "idVendor") != hex4(vid) || firstWord(entry.path() / "idProduct") != hex4(pid))
            continue;
        char node[32];
        std::snprintf(node, sizeof node, "/%03d/%03d", std::atoi(firstWord(entry.path() / "busnum").c_str()),
                      std::atoi(firstWord(entry.path() / "devnum").c_str()));
        const std::string nodePath = paths.usbNodes + node;
        if (!mayOpen(nodePath, paths))
            return "The MCP2200 adapter (USB " + ids + ") is plugged in, but this user may not open it ("
                + nodePath + "). Install the udev rule " + RuleFile + " and plug the adapter in again.";
        const std::string driver = claimingDriver(paths.usbDevices, entry.path().filename().string());
        if (!driver.empty())
            return "The MCP2200 adapter (USB " + ids + ") is plugged in, but the kernel driver " + driver
                + " has claimed it and would not let go. Unload it (modprobe -r " + driver
                + ") and plug the adapter in again.";
        return notOpened;
    }
    return notFound;
}

} // namespace mcp2200
