// The simulated detector: a byte-level protocol model and a pin-level front
// end that follows the clock edges on the line, as the real detector does.
// Plain C++, no Qt, no I/O, no clock of its own: callers hand in the time of
// every edge, so tests can drive it with made-up timestamps.
#ifndef ZORVEL_SIM_DETECTOR_H
#define ZORVEL_SIM_DETECTOR_H

#include <array>
#include <cstdint>
#include <vector>

namespace sim {

// Command bytes the detector understands.
enum Command : std::uint8_t {
    CmdHandshake = 0xAA,  // reply: 0x55
    CmdReadParams = 0xA3, // reply: 0x53 and the five parameter bytes
    CmdWriteParams = 0xA6, // followed by five parameter bytes, held until 0xA9
    CmdCommit = 0xA9,     // takes the held parameter bytes
    CmdSetDate = 0xA1,    // followed by year % 100, month, day
    CmdGetDate = 0xA2,    // reply: 7 bytes, the date first
};

constexpr std::uint8_t HandshakeReply = 0x55;
constexpr std::uint8_t ParamsStatusGood = 0x53;
constexpr int ParamBytes = 5; // flag, angle, range_1, range_2, range_3
constexpr int DateReplyBytes = 7;

// What the tests can make go wrong at the detector end.
struct Faults {
    bool silent = false;                      // answers nothing; DATA_IN stays high
    bool dataInStuckLow = false;              // DATA_IN reads low whatever happens
    std::uint8_t handshakeReply = HandshakeReply; // what 0xAA is answered with
    bool writesIgnored = false;               // 0xA9 does not take the held block
    bool badParamStatus = false;              // every parameter reply starts 0x52, not 0x53
    bool dateWithheld = false;                // 0xA2 goes unanswered; DATA_IN stays high
    int flipNextReplyBit = -1;                // >= 0: this bit of the next reply is inverted
                                              // (0 = most significant bit of its first byte)
};

// Byte level: command bytes in, reply bytes out.
class DetectorProtocol {
public:
    DetectorProtocol();

    // Back to power-on: default block and date, nothing held, no faults, empty frame log.
    void reset();

    // One whole byte received from the PC. Returns the reply the detector now
    // wants to clock out (empty when it has nothing to say).
    std::vector<std::uint8_t> onByte(std::uint8_t byte);

    // A multi-byte command left unfinished is forgotten (receiver resynchronises).
    void dropPartialFrame();
    bool midFrame() const;

    // Parameter block in frame order: flag, angle, range_1, range_2, range_3.
    std::array<std::uint8_t, ParamBytes> block;
    // Date as last set with 0xA1: year % 100, month, day.
    std::array<std::uint8_t, 3> date;
    // Every complete command frame received, command byte first.
    std::vector<std::vector<std::uint8_t>> frames;
    Faults faults;

    static std::array<std::uint8_t, ParamBytes> defaultBlock();

private:
    std::vector<std::uint8_t> pending_; // the command being collected
    std::array<std::uint8_t, ParamBytes> held_{};
    bool holding_ = false;
};

// Pin level. The PC drives CLOCK and DATA_OUT; the detector drives DATA_IN.
// Listening, the detector samples DATA_OUT on every rising CLOCK edge. Once a
// command asks for a reply it talks instead: at every falling edge it puts the
// next reply bit on DATA_IN (most significant first), which the PC samples
// after the following rising edge. Times are in microseconds, from any origin.
class DetectorLine {
public:
    explicit DetectorLine(DetectorProtocol &protocol);

    void reset(); // idle: CLOCK, DATA_OUT and DATA_IN high, listening
    void setClock(bool level, std::uint64_t nowUs);
    void setDataOut(bool level, std::uint64_t nowUs);
    bool dataIn() const;
    bool talking() const;

    // A byte with no new bit for this long is dropped, and so is a
    // multi-byte command with no new byte. Bits come every 4 ms and bytes
    // every 8; the margin lets a busy PC stall for tens of milliseconds.
    static constexpr std::uint64_t ByteTimeoutUs = 80000;
    static constexpr std::uint64_t FrameTimeoutUs = 150000;
    // A reply nobody clocks out for this long is abandoned.
    static constexpr std::uint64_t ReplyTimeoutUs = 400000;

private:
    DetectorProtocol &protocol_;
    // state is the implementation's
    bool clock_ = true;
    bool dataOut_ = true;
    bool dataIn_ = true;
    int bitsIn_ = 0;
    std::uint8_t shiftIn_ = 0;
    std::uint64_t lastBitUs_ = 0;
    std::uint64_t lastByteUs_ = 0;
    std::vector<std::uint8_t> reply_;
    int replyBit_ = 0; // next reply bit to put out
    std::uint64_t lastReplyEdgeUs_ = 0;
    bool releasePending_ = false; // DATA_IN still shows the last reply bit

    void releaseDataIn();
    void expire(std::uint64_t nowUs);
    void sample(std::uint64_t nowUs);
    void replyFalling();
    void replyRising();
    void endReply();
};

} // namespace sim

#endif
