#include "bridge/usb/mcp2200driver.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "bridge/simpleio.h"

namespace mcp2200 {

namespace {

constexpr char Unplugged[] = "The MCP2200 adapter stopped answering; it may have been unplugged.";
constexpr char NoReply[] = "The MCP2200 adapter did not answer a read of its pins.";

// The detector line's CLOCK (GP2) and DATA_OUT (GP3) idle high.
constexpr std::uint8_t LineIdleHigh = (1u << 2) | (1u << 3);

void setDivisor(ChipConfig &config, std::uint16_t divisor)
{
    config.baudHigh = std::uint8_t(divisor >> 8);
    config.baudLow = std::uint8_t(divisor & 0xFF);
}

std::string refusedRate(unsigned long baud)
{
    return "The MCP2200's UART takes " + std::to_string(MinBaud) + " to " + std::to_string(MaxBaud) + " Bd: "
        + std::to_string(baud) + " Bd was not stored, and the adapter keeps its rate.";
}

// Bytes 4..9 as CONFIGURE carries them, e.g. "f0 00 0c 00 04 e1".
std::string hex(const ChipConfig &config)
{
    const Report report = configureRequest(config);
    std::string text;
    for (std::size_t i = Offset::Directions; i <= Offset::BaudLow; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, i == Offset::Directions ? "%02x" : " %02x", report[i]);
        text += byte;
    }
    return text;
}

} // namespace

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

// The start-up always asks for 6 MBd, beyond the UART. The rate stored in the
// chip is only the serial port's default, which the host sets anew when it
// opens the port, and the detector line does not use the UART at all: the
// directions, which the line needs, are applied, the stored rate is kept, the
// refusal is said once in the status, and the call succeeds, so that every
// start-up does not log a failure the user can do nothing about.
bool Driver::configureMCP2200(std::uint8_t directions, unsigned long baud)
{
    const std::optional<std::uint16_t> divisor = baudDivisor(baud);
    if (!divisor)
        say(refusedRate(baud));
    return reconfigure([directions, divisor](ChipConfig &config) {
        config.directions = directions;
        if (divisor)
            setDivisor(config, *divisor);
    });
}

bool Driver::setBaudRate(unsigned long baud)
{
    const std::optional<std::uint16_t> divisor = baudDivisor(baud);
    if (!divisor) {
        say(refusedRate(baud));
        return false;
    }
    return reconfigure([divisor](ChipConfig &config) { setDivisor(config, *divisor); });
}

std::optional<ChipConfig> Driver::settings()
{
    const std::optional<ChipState> state = readAll();
    return state ? std::optional<ChipConfig>(state->config) : std::nullopt;
}

std::string Driver::takeStatus()
{
    std::string text = findings_;
    findings_.clear();
    const std::string &why = status_.empty() ? noReply_ : status_;
    if (!why.empty())
        text += (text.empty() ? "" : " ") + why;
    noReply_.clear();
    return text;
}

void Driver::say(const std::string &finding)
{
    if (std::find(said_.begin(), said_.end(), finding) != said_.end())
        return;
    said_.push_back(finding);
    findings_ += (findings_.empty() ? "" : " ") + finding;
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
    unanswered_ = silentReads_ = 0;
    std::string why;
    open_ = transport_.open(vid_, pid_, &why);
    status_ = why;
    if (!open_)
        return false;
    // A chip can stay on the bus and answer nothing; until it answers, it is
    // not there.
    if (!readAll()) {
        transport_.close();
        open_ = false;
        lastAttempt_ = clock_();
        status_ = "The MCP2200 adapter is plugged in but does not answer. Unplug it and plug it in again.";
        return false;
    }
    status_.clear();
    // An adapter plugged in again has powered up with its default levels.
    return restoreOutputs();
}

void Driver::lose(const std::string &why, bool retryAtOnce)
{
    transport_.close();
    open_ = false;
    if (retryAtOnce)
        lastAttempt_.reset();
    else
        lastAttempt_ = clock_();
    status_ = why;
}

bool Driver::send(const Report &report)
{
    if (!ensureOpen())
        return false;
    if (transport_.write(numbered(report)))
        return true;
    lose(Unplugged, false);
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
    Report reply;
    // Every reply echoes the same command, so a late one passes for the answer
    // to the next request: one reply is discarded for each request that timed
    // out, each given the full timeout. One that has not come by then never
    // will (the chip dropped the request).
    for (; unanswered_ > 0; --unanswered_) {
        const int got = transport_.read(&reply, ReplyTimeoutMs);
        if (got < 0) {
            lose(Unplugged, false);
            return std::nullopt;
        }
        if (got == 0) {
            unanswered_ = 0;
            break;
        }
    }
    if (!send(readAllRequest()))
        return std::nullopt;
    const int got = transport_.read(&reply, ReplyTimeoutMs);
    if (got < 0) {
        lose(Unplugged, false);
        return std::nullopt;
    }
    if (got == 0) {
        ++unanswered_;
        noReply_ = NoReply;
        if (++silentReads_ >= SilentReadsLost)
            lose("The MCP2200 adapter stopped answering; it is opened again.", true);
        return std::nullopt;
    }
    silentReads_ = 0;
    noReply_.clear();
    // A short report is not the chip's state.
    if (got != int(ReportSize))
        return std::nullopt;
    return parseReadAll(reply);
}

// The chip drops reports while it resets: wait the time other tools wait, then
// ask until it answers; SilentReadsLost unanswered requests bound the wait,
// when readAll gives the adapter up.
std::optional<ChipState> Driver::afterReset()
{
    std::this_thread::sleep_for(ResetSettle);
    std::optional<ChipState> state;
    for (int ask = 0; ask < SilentReadsLost && open_ && !state; ++ask)
        state = readAll();
    return state;
}

bool Driver::reconfigure(const std::function<void(ChipConfig &)> &change)
{
    const std::optional<ChipState> state = readAll();
    if (!state)
        return false;
    ChipConfig wanted = state->config;
    change(wanted);
    // After a reset and at power-up the outputs start at the stored levels:
    // stored idle, the line does not show the detector a false edge.
    wanted.defaultOutputs |= LineIdleHigh;
    // CONFIGURE rewrites non-volatile memory, which wears: only when it differs.
    if (wanted == state->config)
        return true;
    if (!send(configureRequest(wanted)))
        return false;
    const std::optional<ChipState> back = afterReset();
    if (!back)
        return false;
    const bool kept = back->config == wanted;
    if (!kept)
        say("The MCP2200 adapter did not keep the settings written to it (wrote " + hex(wanted) + ", reads back "
            + hex(back->config) + ").");
    // The reset cleared the outputs to their defaults; put back the levels asked
    // for, and make sure the pins follow.
    const std::optional<ChipState> after = restoreOutputs() ? readAll() : std::nullopt;
    if (!after)
        return false;
    const std::uint8_t driven = std::uint8_t((high_ | low_) & ~after->config.directions);
    if ((after->levels ^ high_) & driven) {
        say("The MCP2200 adapter's outputs did not follow after it was configured. Unplug the adapter and plug it "
            "in again, once.");
        return false;
    }
    return kept;
}

} // namespace mcp2200
