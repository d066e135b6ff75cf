// The detector's parameter block: six bytes owned by the main window and read
// live by the link while it clocks a write frame out. No widget code here.
#ifndef ZORVEL_DEVICECONFIG_H
#define ZORVEL_DEVICECONFIG_H

#include <cstdint>

struct DeviceConfig {
    char range_1; // class 1 detection range, 0 (longest) .. 15 (shortest); 0 while the class is off
    char range_2;
    char range_3;
    char angle;   // tilt threshold in degrees, 5 .. 45 in steps of 5
    char flag;    // DeviceFlag bits; bits 4..7 always 0
    char spare;   // reserved: never sent, never compared
};
static_assert(sizeof(DeviceConfig) == 6, "the block is six bytes");

namespace DeviceFlag {
constexpr char single_blow = 0x01; // alarm on a single blow
constexpr char d1_off = 0x02;      // class 1 off
constexpr char d2_off = 0x04;
constexpr char d3_off = 0x08;

// Off bit of tool class 1..3.
constexpr char classOff(int toolClass) { return char(0x01 << toolClass); }
} // namespace DeviceFlag

// What the detector accepts, as it counts: range 0 is the longest and 15 the
// shortest; the tilt threshold goes from 5 to 45 degrees in steps of 5.
namespace DetectorLimits {
constexpr int rangeLongest = 0;
constexpr int rangeShortest = 15;
constexpr int angleStep = 5;
constexpr int angleMin = 5;
constexpr int angleMax = 45;
} // namespace DetectorLimits

// The five parameter bytes travel in this order in both the write frame and
// the detector's reply, behind the command (0xA6) or status (0x53) byte.
namespace ParameterFrame {
constexpr int length = 5;
enum Index { Flag = 0, Angle, Range1, Range2, Range3 };

inline std::uint8_t byteAt(const DeviceConfig &block, int index)
{
    switch (index) {
    case Flag: return std::uint8_t(block.flag);
    case Angle: return std::uint8_t(block.angle);
    case Range1: return std::uint8_t(block.range_1);
    case Range2: return std::uint8_t(block.range_2);
    case Range3: return std::uint8_t(block.range_3);
    }
    return 0;
}

// The block that sends these five frame bytes; spare stays 0.
inline DeviceConfig toBlock(const std::uint8_t frame[length])
{
    DeviceConfig block{};
    block.flag = char(frame[Flag]);
    block.angle = char(frame[Angle]);
    block.range_1 = char(frame[Range1]);
    block.range_2 = char(frame[Range2]);
    block.range_3 = char(frame[Range3]);
    return block;
}
} // namespace ParameterFrame

#endif
