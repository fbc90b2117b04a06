#include "display/DisplaySettings.h"

#include "platform/FileSystem.h"
#include "platform/Profile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>
#include <utility>

namespace vidrune {

namespace {

using platform::FileSystem;
using platform::Profile;

constexpr const char* kVendorFolder = "Vorn";
constexpr const char* kProductFolder = "Quorvane";
constexpr const char* kFileName = "LiveDisplay.ini";

std::string Decimal(int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

// Where the settings file lives; empty without a data folder.
std::string ProductFolder() {
    const std::string folder = FileSystem::LocalAppDataFolder();
    if (folder.empty())
        return {};
    return FileSystem::Join(FileSystem::Join(folder, kVendorFolder), kProductFolder);
}

} // namespace

std::string DisplaySettings::FilePath() {
    const std::string folder = ProductFolder();
    return folder.empty() ? std::string() : FileSystem::Join(folder, kFileName);
}

std::string DisplaySettings::SectionName(const SettingsKey& key) {
    char section[64];
    std::snprintf(section, sizeof section, "Mode%d_%d_%d", static_cast<int>(key.deviceId),
                  static_cast<int>(key.inputDeviceId), static_cast<int>(key.modeId));
    return section;
}

bool DisplaySettings::PositionVisible(int32_t left, int32_t top, int32_t preferredClientWidth,
                                      float aspect, const MonitorLayout& monitors) {
    int64_t height = 0;
    if (aspect != 0.0f) {
        // Truncated; a degenerate aspect must not turn into an undefined conversion.
        const float quotient = static_cast<float>(preferredClientWidth) / aspect;
        height = std::isfinite(quotient)
                     ? static_cast<int64_t>(std::clamp(quotient, -4.0e9f, 4.0e9f))
                     : 0;
    }
    const Rect& a = monitors.primary;
    const Rect& b = monitors.secondary;
    return left >= int64_t{std::min(a.left, b.left)} - preferredClientWidth &&
           top >= std::min(a.top, b.top) - height && left <= std::max(a.right, b.right) &&
           top <= std::max(a.bottom, b.bottom);
}

bool DisplaySettings::Load(const SettingsKey& key, float aspect, const MonitorLayout& monitors,
                           DisplaySettingsValues& values) {
    const std::string path = FilePath();
    if (path.empty() || FileSystem::KindOf(path) != FileSystem::Kind::File)
        return false;
    const std::string section = SectionName(key);
    const Profile::Batch readOnce;
    values.left = Profile::GetInt(path, section, "Xoffset", -1);
    values.top = Profile::GetInt(path, section, "Yoffset", -1);
    values.preferredClientWidth = Profile::GetInt(path, section, "Xpixels", 0);
    values.windowState = Profile::GetInt(path, section, "State", values.windowState);
    values.onTop = Profile::GetInt(path, section, "OnTop", 1);
    if (PositionVisible(values.left, values.top, values.preferredClientWidth, aspect, monitors))
        return true;
    values.left = -1;
    values.top = -1;
    return false;
}

bool DisplaySettings::Save(const SettingsKey& key, const DisplaySettingsValues& values) {
    const std::string folder = ProductFolder();
    if (folder.empty())
        return false;
    const std::string path = FileSystem::Join(folder, kFileName);
    const std::string section = SectionName(key);
    const std::pair<const char*, std::string> entries[] = {
        {"Xoffset", Decimal(values.left)},
        {"Yoffset", Decimal(values.top)},
        {"Xpixels", Decimal(values.preferredClientWidth)},
        {"State", Decimal(values.windowState)},
        {"OnTop", Decimal(values.onTop)},
    };
    // Saved at every close, mostly unchanged: a file that holds them all already stays as
    // it is, found with one read instead of one per key.
    const Profile::Batch readOnce;
    if (std::all_of(std::begin(entries), std::end(entries), [&](const auto& entry) {
            return Profile::GetString(path, section, entry.first, "\n", 16) == entry.second;
        }))
        return true;
    // On a fresh account even the data folder may be missing.
    FileSystem::MakeDirectories(folder);
    bool written = true;
    for (const auto& [name, value] : entries)
        written = Profile::WriteString(path, section, name, value) && written;
    return written;
}

} // namespace vidrune
