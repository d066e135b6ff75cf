// The main window's sliders over the detector's limits: the range sliders run
// -15 .. 0 so that the longest range sits at the right end, the angle slider
// 1 .. 9 in steps of five degrees.
#ifndef ZORVEL_UI_SLIDERS_H
#define ZORVEL_UI_SLIDERS_H

#include "protocol/deviceconfig.h"

namespace DeviceRange {
// 0 is the right end ("max"), -15 the left ("min").
constexpr int sliderMin = -DetectorLimits::rangeShortest;
constexpr int sliderMax = -DetectorLimits::rangeLongest;
constexpr char fromSlider(int value) { return char(-value); }
} // namespace DeviceRange

namespace DeviceAngle {
constexpr int degreesPerStep = DetectorLimits::angleStep;
constexpr int sliderMin = DetectorLimits::angleMin / degreesPerStep;
constexpr int sliderMax = DetectorLimits::angleMax / degreesPerStep;
constexpr char fromSlider(int value) { return char(value * degreesPerStep); }
// A received angle as a slider position: truncated toward zero; the slider clamps.
constexpr int toSlider(int degrees) { return degrees / degreesPerStep; }
} // namespace DeviceAngle

#endif
