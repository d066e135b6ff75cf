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
        return notOpened;
    }
    return notFound;
}

} // namespace mcp2200
