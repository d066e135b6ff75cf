// The one way the driver reaches an adapter: open it, write a report, read a
// report with a timeout. hidapi is one implementation; the tests' emulated
// chip is another.
#ifndef ZORVEL_USB_TRANSPORT_H
#define ZORVEL_USB_TRANSPORT_H

#include <memory>
#include <string>

#include "bridge/usb/mcp2200reports.h"

namespace mcp2200 {

class Transport
{
public:
    virtual ~Transport() = default;

    // Opens the first adapter with these ids. On failure `why` tells, in plain
    // words, what stands in the way.
    virtual bool open(unsigned vid, unsigned pid, std::string *why) = 0;
    virtual void close() = 0;
    // False when the adapter is gone.
    virtual bool write(const OutputReport &report) = 0;
    // Waits up to `timeoutMs` for the next report (0: only one already
    // there). Returns how many bytes came, 0 when none did, -1 when the
    // adapter is gone.
    virtual int read(Report *report, int timeoutMs) = 0;
    // Which adapter open() would take, in a few words that stay the same
    // while it stays plugged in (its serial number, else its bus path),
    // found without opening it; empty when none is there.
    virtual std::string identity(unsigned vid, unsigned pid) = 0;
};

// Defined once per library variant: the real bridge links the hidapi
// transport, the tests' variant the emulated chip.
std::unique_ptr<Transport> createTransport();

} // namespace mcp2200

#endif
