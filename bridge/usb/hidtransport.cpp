// The transport of the real bridge: hidapi. On Linux it is hidapi's libusb
// flavour, which detaches the kernel's MCP2200 GPIO driver from the HID
// interface while the adapter is open (the hidraw flavour would find no node).
#include "bridge/usb/diagnosis.h"
#include "bridge/usb/transport.h"

#include <hidapi.h>

namespace mcp2200 {

namespace {

// The HID function of the composite device; the CDC serial port takes 0 and 1.
constexpr int HidInterface = 2;

[[maybe_unused]] std::string narrow(const wchar_t *text)
{
    std::string out;
    for (; text && *text; ++text)
        out += *text < 0x80 ? char(*text) : '?';
    return out;
}

class HidTransport final : public Transport
{
public:
    HidTransport() { hid_init(); }
    ~HidTransport() override
    {
        close();
        hid_exit();
    }

    bool open(unsigned vid, unsigned pid, std::string *why) override
    {
        close();
        std::string path;
        hid_device_info *devices = hid_enumerate(static_cast<unsigned short>(vid), static_cast<unsigned short>(pid));
        for (const hid_device_info *d = devices; d; d = d->next) {
            if (path.empty() || d->interface_number == HidInterface)
                path = d->path;
            if (d->interface_number == HidInterface)
                break;
        }
        hid_free_enumeration(devices);
        if (!path.empty())
            device_ = hid_open_path(path.c_str());
        if (device_)
            return true;
#ifdef __linux__
        // The libusb flavour keeps no error text (it answers a placeholder);
        // sysfs tells more.
        const std::string detail;
#else
        const std::string detail = narrow(hid_error(nullptr));
#endif
        *why = explainOpenFailure(vid, pid, !path.empty(), detail);
        return false;
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

private:
    hid_device *device_ = nullptr;
};

} // namespace

std::unique_ptr<Transport> createTransport()
{
    return std::make_unique<HidTransport>();
}

} // namespace mcp2200
