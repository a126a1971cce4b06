// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The eight values of a sample, once: the order of a sample's values (and of
// the waveform window's curves and scale factors) and each value's names,
// unit, curve colour and scale-factor field.
#include "sim/sim_result.h"

namespace zelvar {

struct Channel {
    int value;                // index in a sample's values (SampleValue)
    const char* name;         // in the legend of the plot: "Vin", "VC1", …
    const char* report_name;  // in the maxima report ("" for the source): "V1" … "V4", "I1" … "I3"
    const char* csv_name;     // in the CSV header, and the caption of its scale-factor field: "vin", "v1", …
    const char* unit;         // "V" or "A"
    int red, green, blue;     // colour of its curve
    int pen_width;            // of its curve (the reference's is four times as wide)
    const char* scale_field;  // object name of its scale-factor field in the parameter window
};

inline constexpr int kChannelCount = kSampleValues;

inline constexpr Channel kChannels[kChannelCount] = {
    {kVin, "Vin", "", "vin", "V", 192, 192, 192, 1, "NEmvin"},  // silver
    {kV1, "VC1", "V1", "v1", "V", 255, 255, 255, 1, "NEv1"},    // white
    {kV2, "VC2", "V2", "v2", "V", 255, 0, 255, 1, "NEv2"},      // magenta
    {kV3, "VC3", "V3", "v3", "V", 0, 255, 255, 1, "NEv3"},      // cyan
    {kVL, "VCL", "V4", "vl", "V", 255, 0, 0, 1, "NEv4"},        // red
    {kI1, "IL1", "I1", "i1", "A", 255, 255, 0, 1, "NEi1"},      // yellow
    {kI2, "IL2", "I2", "i2", "A", 0, 255, 0, 1, "NEi2"},        // green
    {kI3, "IL3", "I3", "i3", "A", 0, 128, 128, 1, "NEi3"},      // teal
};

}  // namespace zelvar
