#include "bridge/usb/mcp2200driver.h"

#include "bridge/simpleio.h"

namespace mcp2200 {

Driver::Driver(Transport &transport, Clock clock)
    : transport_(transport), clock_(std::move(clock)), vid_(SIMPLEIO_VID), pid_(SIMPLEIO_PID)
{
}

void Driver::init(unsigned vid, unsigned pid)
{
    vid_ = vid;
    pid_ = pid;
    if (open_)
        transport_.close();
    open_ = false;
    tryOpen();
}

bool Driver::isConnected()
{
    return readAll().has_value();
}

bool Driver::setPin(unsigned pin)
{
    return drive(pin, true);
}

bool Driver::clearPin(unsigned pin)
{
    return drive(pin, false);
}

bool Driver::readPin(unsigned pin, unsigned *value)
{
    if (pin >= PinCount || !value)
        return false;
    const std::optional<ChipState> state = readAll();
    if (!state)
        return false;
    *value = (state->levels >> pin) & 1u;
    return true;
}

bool Driver::configureIO(std::uint8_t directions)
{
    return reconfigure([directions](ChipConfig &config) { config.directions = directions; });
}

bool Driver::configureMCP2200(std::uint8_t directions, unsigned long baud)
{
    const std::optional<std::uint16_t> divisor = baudDivisor(baud);
    if (!divisor)
        return false;
    return reconfigure([directions, divisor](ChipConfig &config) {
        config.directions = directions;
        config.baudHigh = std::uint8_t(*divisor >> 8);
        config.baudLow = std::uint8_t(*divisor & 0xFF);
    });
}

bool Driver::setBaudRate(unsigned long baud)
{
    const std::optional<std::uint16_t> divisor = baudDivisor(baud);
    if (!divisor)
        return false;
    return reconfigure([divisor](ChipConfig &config) {
        config.baudHigh = std::uint8_t(*divisor >> 8);
        config.baudLow = std::uint8_t(*divisor & 0xFF);
    });
}

std::optional<ChipConfig> Driver::settings()
{
    const std::optional<ChipState> state = readAll();
    return state ? std::optional<ChipConfig>(state->config) : std::nullopt;
}

bool Driver::ensureOpen()
{
    if (open_)
        return true;
    if (lastAttempt_ && clock_() - *lastAttempt_ < ReopenInterval)
        return false;
    return tryOpen();
}

bool Driver::tryOpen()
{
    lastAttempt_ = clock_();
    std::string why;
    open_ = transport_.open(vid_, pid_, &why);
    status_ = open_ ? std::string() : why;
    // An adapter plugged in again has powered up with its default levels.
    return open_ && restoreOutputs();
}

void Driver::lose()
{
    transport_.close();
    open_ = false;
    lastAttempt_ = clock_();
    status_ = "The MCP2200 adapter stopped answering; it may have been unplugged.";
}

bool Driver::send(const Report &report)
{
    if (!ensureOpen())
        return false;
    if (transport_.write(numbered(report)))
        return true;
    lose();
    return false;
}

bool Driver::drive(unsigned pin, bool high)
{
    if (pin >= PinCount)
        return false;
    const std::uint8_t bit = std::uint8_t(1u << pin);
    // Kept even when the report fails: it is the level to restore once the
    // adapter is back.
    high_ = high ? (high_ | bit) : (high_ & ~bit);
    low_ = high ? (low_ & ~bit) : (low_ | bit);
    return send(high ? setClearOutputs(bit, 0) : setClearOutputs(0, bit));
}

bool Driver::restoreOutputs()
{
    if ((high_ | low_) == 0)
        return true;
    return send(setClearOutputs(high_, low_));
}

std::optional<ChipState> Driver::readAll()
{
    if (!ensureOpen())
        return std::nullopt;
    // A reply to an earlier request that timed out may have arrived since; it
    // tells how the pins were then, not now.
    Report report;
    for (;;) {
        const int drained = transport_.read(&report, 0);
        if (drained == 0)
            break;
        if (drained < 0) {
            lose();
            return std::nullopt;
        }
    }
    if (!send(readAllRequest()))
        return std::nullopt;
    const int got = transport_.read(&report, ReplyTimeoutMs);
    if (got < 0)
        lose();
    if (got <= 0)
        return std::nullopt;
    return parseReadAll(report);
}

bool Driver::reconfigure(const std::function<void(ChipConfig &)> &change)
{
    const std::optional<ChipState> state = readAll();
    if (!state)
        return false;
    ChipConfig wanted = state->config;
    change(wanted);
    // CONFIGURE rewrites non-volatile memory, which wears: only when it differs.
    if (wanted == state->config)
        return true;
    // The chip resets after CONFIGURE, which clears its outputs.
    return send(configureRequest(wanted)) && restoreOutputs();
}

} // namespace mcp2200
