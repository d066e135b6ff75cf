#include "bridge/simulator/detector.h"

#include <algorithm>

namespace sim {

namespace {

// Classes all on, middling ranges, a 25° tilt threshold.
constexpr std::array<std::uint8_t, ParamBytes> FactoryBlock = {0x00, 25, 7, 8, 6};
// 5 March 2024, as year % 100, month, day.
constexpr std::array<std::uint8_t, 3> FactoryDate = {24, 3, 5};
// The four bytes after the date in the 0xA2 reply: product family, firmware
// version 1, two reserved zeros.
constexpr std::uint8_t FamilyCode = 0x03;
constexpr std::uint8_t FirmwareVersion = 0x01;

// Bytes a command carries after its own code.
int dataBytesOf(std::uint8_t command)
{
    switch (command) {
    case CmdWriteParams:
        return ParamBytes;
    case CmdSetDate:
        return 3;
    default:
        return 0;
    }
}

std::uint64_t since(std::uint64_t then, std::uint64_t now)
{
    return now > then ? now - then : 0;
}

} // namespace

DetectorProtocol::DetectorProtocol()
{
    // The longest command is 0xA6 and its five bytes; collecting one then
    // never allocates on the pin path.
    pending_.reserve(1 + ParamBytes);
    reset();
}

std::array<std::uint8_t, ParamBytes> DetectorProtocol::defaultBlock()
{
    return FactoryBlock;
}

void DetectorProtocol::reset()
{
    block = FactoryBlock;
    date = FactoryDate;
    frames.clear();
    faults = Faults{};
    pending_.clear();
    held_ = {};
    holding_ = false;
}

void DetectorProtocol::dropPartialFrame()
{
    pending_.clear();
}

bool DetectorProtocol::midFrame() const
{
    return !pending_.empty();
}

std::vector<std::uint8_t> DetectorProtocol::onByte(std::uint8_t byte)
{
    if (!pending_.empty()) {
        // Collecting a command's data: every byte is data, even one that
        // spells a command code.
        pending_.push_back(byte);
        if (int(pending_.size()) < 1 + dataBytesOf(pending_.front()))
            return {};
        frames.push_back(pending_);
        if (pending_.front() == CmdWriteParams) {
            std::copy(pending_.begin() + 1, pending_.end(), held_.begin());
            holding_ = true;
        } else {
            std::copy(pending_.begin() + 1, pending_.end(), date.begin());
        }
        pending_.clear();
        return {};
    }

    std::vector<std::uint8_t> reply;
    switch (byte) {
    case CmdWriteParams:
    case CmdSetDate:
        pending_.push_back(byte);
        return {};
    case CmdHandshake:
        reply = {faults.handshakeReply};
        break;
    case CmdReadParams:
        reply.reserve(1 + ParamBytes);
        reply.push_back(faults.badParamStatus ? ParamsStatusGood - 1 : ParamsStatusGood);
        reply.insert(reply.end(), block.begin(), block.end());
        break;
    case CmdCommit:
        // The held block is used up whether or not it is taken, so a second
        // 0xA9 cannot bring back an old write.
        if (holding_ && !faults.writesIgnored)
            block = held_;
        holding_ = false;
        break;
    case CmdGetDate:
        if (!faults.dateWithheld)
            reply = {date[0], date[1], date[2], FamilyCode, FirmwareVersion, 0, 0};
        break;
    default:
        return {}; // not a command: no frame, no reply
    }
    frames.push_back({byte});

    // A silent detector still hears and obeys; only its output is dead.
    if (reply.empty() || faults.silent)
        return {};
    if (faults.flipNextReplyBit >= 0) {
        const auto bit = std::size_t(faults.flipNextReplyBit);
        if (bit < reply.size() * 8)
            reply[bit / 8] ^= std::uint8_t(0x80u >> (bit % 8));
        faults.flipNextReplyBit = -1;
    }
    return reply;
}

DetectorLine::DetectorLine(DetectorProtocol &protocol) : protocol_(protocol)
{
    reply_.reserve(DateReplyBytes);
    reset();
}

void DetectorLine::reset()
{
    clock_ = true;
    dataOut_ = true;
    dataIn_ = true;
    bitsIn_ = 0;
    shiftIn_ = 0;
    lastBitUs_ = 0;
    lastByteUs_ = 0;
    reply_.clear();
    replyBit_ = 0;
    lastReplyEdgeUs_ = 0;
    releasePending_ = false;
}

bool DetectorLine::dataIn() const
{
    return dataIn_ && !protocol_.faults.dataInStuckLow;
}

bool DetectorLine::talking() const
{
    return !reply_.empty();
}

void DetectorLine::setDataOut(bool level, std::uint64_t)
{
    releaseDataIn();
    // Only its level at a rising clock edge matters.
    dataOut_ = level;
}

void DetectorLine::setClock(bool level, std::uint64_t nowUs)
{
    releaseDataIn();
    if (level == clock_)
        return; // raising a high clock (or lowering a low one) is no edge
    clock_ = level;
    expire(nowUs);
    if (talking()) {
        lastReplyEdgeUs_ = nowUs;
        level ? replyRising() : replyFalling();
    } else if (level) {
        sample(nowUs);
    }
}

void DetectorLine::releaseDataIn()
{
    // The last reply bit stays on DATA_IN until the PC next touches the line:
    // the PC reads it only after the rising edge that ends the reply.
    if (releasePending_) {
        dataIn_ = true;
        releasePending_ = false;
    }
}

void DetectorLine::expire(std::uint64_t nowUs)
{
    if (talking()) {
        if (since(lastReplyEdgeUs_, nowUs) > ReplyTimeoutUs)
            endReply();
        return;
    }
    if (bitsIn_ > 0 && since(lastBitUs_, nowUs) > ByteTimeoutUs) {
        // A byte cut short leaves the rest of its command out of step: start
        // afresh with this edge.
        bitsIn_ = 0;
        shiftIn_ = 0;
        protocol_.dropPartialFrame();
    }
    // Measured to the first bit of the next byte: inside a frame that is two
    // clock periods (8 ms) after the last byte, the idle one included.
    if (bitsIn_ == 0 && protocol_.midFrame() && since(lastByteUs_, nowUs) > FrameTimeoutUs)
        protocol_.dropPartialFrame();
}

void DetectorLine::sample(std::uint64_t nowUs)
{
    shiftIn_ = std::uint8_t((shiftIn_ << 1) | (dataOut_ ? 1 : 0));
    lastBitUs_ = nowUs;
    if (++bitsIn_ < 8)
        return;
    const std::uint8_t byte = shiftIn_;
    bitsIn_ = 0;
    shiftIn_ = 0;
    lastByteUs_ = nowUs;
    reply_ = protocol_.onByte(byte);
    replyBit_ = 0;
    lastReplyEdgeUs_ = nowUs;
}

void DetectorLine::replyFalling()
{
    const int bit = replyBit_;
    if (bit >= int(reply_.size()) * 8)
        return;
    dataIn_ = (reply_[std::size_t(bit / 8)] & (0x80u >> (bit % 8))) != 0;
    ++replyBit_;
}

void DetectorLine::replyRising()
{
    if (replyBit_ >= int(reply_.size()) * 8) {
        const bool lastBit = dataIn_;
        endReply();
        dataIn_ = lastBit;
        releasePending_ = true;
    }
}

void DetectorLine::endReply()
{
    reply_.clear();
    replyBit_ = 0;
    dataIn_ = true;
    bitsIn_ = 0;
    shiftIn_ = 0;
}

} // namespace sim
