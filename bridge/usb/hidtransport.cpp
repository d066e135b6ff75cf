// The transport of the real bridge: hidapi. On Linux it is hidapi's libusb
// flavour, which detaches the kernel's MCP2200 GPIO driver from the HID
// interface while the adapter is open (the hidraw flavour would find no node)
// and attaches it again on close.
#include "bridge/usb/diagnosis.h"
#include "bridge/usb/transport.h"

#include <hidapi.h>
// hidapi before 0.10 has no version macros; hid_error(NULL) is documented
// from 0.13, the Windows write timeout from 0.15.
#ifdef HID_API_MAKE_VERSION
#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 13, 0)
#define ZORVEL_HID_GLOBAL_ERROR
#endif
#if defined(_WIN32) && HID_API_VERSION >= HID_API_MAKE_VERSION(0, 15, 0)
#include <hidapi_winapi.h>
#define ZORVEL_HID_WRITE_TIMEOUT
#endif
#endif

namespace mcp2200 {

namespace {

// The HID function of the composite device; the CDC serial port takes 0 and 1.
constexpr int HidInterface = 2;
// A report leaves within a 1 ms frame; hidapi's Windows default of a second
// would hold every pin call of a chip that stopped taking reports that long.
[[maybe_unused]] constexpr unsigned long WriteTimeoutMs = 50;

// hidapi's own word on why the last open failed, when it has one: its libusb
// flavour before 0.14 answers every failure with a placeholder.
std::string openError()
{
    std::string text;
#ifdef ZORVEL_HID_GLOBAL_ERROR
    for (const wchar_t *c = hid_error(nullptr); c && *c; ++c)
        text += *c < 0x80 ? char(*c) : '?';
#endif
    const bool none = text.empty() || text == "Success" || text.find("not implemented") != std::string::npos;
    return none ? std::string() : text;
}

class HidTransport final : public Transport
{
public:
    HidTransport() { hid_init(); }
    ~HidTransport() override
    {
        // Closing hands the HID interface back to the kernel's GPIO driver.
        close();
        // The library's one transport dies in a static destructor, which on
        // Windows runs while the DLL is unloaded, where freeing libraries, as
        // hid_exit does, is forbidden; the process's end frees it all there.
#ifndef _WIN32
        hid_exit();
#endif
    }

    bool open(unsigned vid, unsigned pid, std::string *why) override
    {
        close();
        const std::string path = find(vid, pid).path;
        if (!path.empty())
            device_ = hid_open_path(path.c_str());
        if (!device_) {
            *why = explainOpenFailure(vid, pid, !path.empty(), openError());
            return false;
        }
#ifdef ZORVEL_HID_WRITE_TIMEOUT
        hid_winapi_set_write_timeout(device_, WriteTimeoutMs);
#endif
        return true;
    }

    void close() override
    {
        if (device_)
            hid_close(device_);
        device_ = nullptr;
    }

    bool write(const OutputReport &report) override
    {
        return device_ && hid_write(device_, report.data(), report.size()) >= 0;
    }

    int read(Report *report, int timeoutMs) override
    {
        if (!device_)
            return -1;
        report->fill(0);
        return hid_read_timeout(device_, report->data(), report->size(), timeoutMs);
    }

    std::string identity(unsigned vid, unsigned pid) override
    {
        const Found found = find(vid, pid);
        return found.serial.empty() ? found.path : found.serial;
    }

private:
    struct Found {
        std::string path;
        std::string serial;
    };

    // The HID interface of the first adapter with these ids, else its first interface.
    static Found find(unsigned vid, unsigned pid)
    {
        Found found;
        hid_device_info *devices = hid_enumerate(static_cast<unsigned short>(vid), static_cast<unsigned short>(pid));
        for (const hid_device_info *d = devices; d; d = d->next) {
            if (found.path.empty() || d->interface_number == HidInterface) {
                found.path = d->path;
                found.serial.clear();
                for (const wchar_t *c = d->serial_number; c && *c; ++c)
                    found.serial += *c < 0x80 ? char(*c) : '?';
            }
            if (d->interface_number == HidInterface)
                break;
        }
        hid_free_enumeration(devices);
        return found;
    }

    hid_device *device_ = nullptr;
};

} // namespace

std::unique_ptr<Transport> createTransport()
{
    return std::make_unique<HidTransport>();
}

} // namespace mcp2200
