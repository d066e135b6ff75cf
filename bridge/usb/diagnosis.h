// Why an adapter could not be opened, in words a user can act on. Linux tells
// through sysfs whether there is such a device on the bus and whether its
// device node is closed to this user; beyond that, the USB library's own word.
// (The kernel's MCP2200 GPIO driver is no reason: hidapi's libusb flavour
// detaches it from the HID interface itself.)
#ifndef ZORVEL_USB_DIAGNOSIS_H
#define ZORVEL_USB_DIAGNOSIS_H

#include <functional>
#include <string>

namespace mcp2200 {

struct SystemPaths {
    std::string usbDevices = "/sys/bus/usb/devices";
    std::string usbNodes = "/dev/bus/usb";
    // Whether this user may read and write the node; the tests replace it,
    // since root may open anything.
    std::function<bool(const std::string &node)> accessible;
};

// `listed`: the USB library saw such a device; `detail`: its own word on the
// failure, if any.
std::string explainOpenFailure(unsigned vid, unsigned pid, bool listed, const std::string &detail,
                               const SystemPaths &paths = SystemPaths());

} // namespace mcp2200

#endif
