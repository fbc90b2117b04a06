#pragma once

#include "display/WindowGeometry.h"

#include <cstdint>
#include <string>

namespace vidrune {

// The acquisition set-up a placement belongs to: device, input device and mode ids.
struct SettingsKey {
    uint32_t deviceId = 0;
    uint32_t inputDeviceId = 0;
    uint32_t modeId = 0;
};

// The remembered placement of the display window.
struct DisplaySettingsValues {
    int32_t left = -1;
    int32_t top = -1;
    int32_t preferredClientWidth = 320;
    int32_t windowState = 1; // 0 normal, 1 minimized, 2 maximized
    int32_t onTop = 1;
    bool operator==(const DisplaySettingsValues&) const = default;
};

// LiveDisplay.ini in the user's local application-data folder: one section per device,
// input device and mode, so that each camera set-up keeps its own window placement.
// The caller skips Load and Save when the display shows no device.
class DisplaySettings {
public:
    // <local application data>/Vorn/Quorvane/LiveDisplay.ini; empty without that folder.
    static std::string FilePath();
    // "Mode<device>_<input device>_<mode>", decimal.
    static std::string SectionName(const SettingsKey& key);

    // Reads the five values. A missing file leaves them all as they are and gives false.
    // A stored position off the known monitors becomes -1, -1 (false); the other values
    // are used anyway. True when the stored position was accepted.
    static bool Load(const SettingsKey& key, float aspect, const MonitorLayout& monitors,
                     DisplaySettingsValues& values);
    // Writes the five values, creating the folders on the way as needed (the data folder
    // too). True when written.
    static bool Save(const SettingsKey& key, const DisplaySettingsValues& values);

    // Whether a window at left/top with that client width lies on the known monitors.
    static bool PositionVisible(int32_t left, int32_t top, int32_t preferredClientWidth,
                                float aspect, const MonitorLayout& monitors);
};

} // namespace vidrune
