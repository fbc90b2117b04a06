#include "display/DisplaySettings.h"
#include "support/Environment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace vidrune::test {

namespace {

constexpr SettingsKey kFirstMode{0x10000, 0x10100, 0x10101};
constexpr SettingsKey kSecondMode{0x10000, 0x10100, 0x10102};
constexpr float kAspect = 4.0f / 3.0f;

// Every test gets its own application-data folder; the user's is never touched.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { Environment::SetSettingsFolder(home_.Path()); }
    void TearDown() override { Environment::UnsetSettingsFolder(); }

    TempDir home_;
    MonitorLayout oneMonitor_ = MonitorLayout::FromMonitors({}, 1920, 1080);
};

DisplaySettingsValues Values(int left, int top, int width, int state, int onTop) {
    return DisplaySettingsValues{left, top, width, state, onTop};
}

} // namespace

// A fresh account gets its data folder at the first save.
TEST_F(SettingsTest, FirstRunKeepsTheValuesAndModesKeepTheirOwnPlacement) {
    const std::string data = home_.File("fresh/.local/share");
    Environment::SetSettingsFolder(data);
    const std::string path = "fresh/.local/share/Vorn/Quorvane/LiveDisplay.ini";
    EXPECT_EQ(DisplaySettings::FilePath(), home_.File(path));
    DisplaySettingsValues first = Values(-1, -1, 320, 1, 1);
    EXPECT_FALSE(DisplaySettings::Load(kFirstMode, kAspect, oneMonitor_, first));
    EXPECT_EQ(first, Values(-1, -1, 320, 1, 1));

    ASSERT_TRUE(DisplaySettings::Save(kFirstMode, Values(1930, 120, 640, 0, 1)));
    // Folders made for the user's data are the user's alone, where the file system keeps
    // owner and group permissions (Windows reports all or read-only).
    const auto permissions = std::filesystem::status(data).permissions();
    if (permissions != std::filesystem::perms::all) {
        EXPECT_EQ(permissions, std::filesystem::perms::owner_all);
    }
    // Lines end as the system's profile writer ends them.
    std::string file = home_.Read(path);
    file.erase(std::remove(file.begin(), file.end(), '\r'), file.end());
    EXPECT_EQ(file, "[Mode65536_65792_65793]\nXoffset=1930\nYoffset=120\nXpixels=640\nState=0\n"
                    "OnTop=1\n");

    ASSERT_TRUE(DisplaySettings::Save(kSecondMode, Values(300, 400, 480, 2, 0)));
    ASSERT_TRUE(DisplaySettings::Save(kFirstMode, Values(110, 210, 644, 0, 0)));
    EXPECT_TRUE(DisplaySettings::Load(kFirstMode, kAspect, oneMonitor_, first));
    EXPECT_EQ(first, Values(110, 210, 644, 0, 0));
    DisplaySettingsValues second = Values(-1, -1, 320, 1, 1);
    EXPECT_TRUE(DisplaySettings::Load(kSecondMode, kAspect, oneMonitor_, second));
    EXPECT_EQ(second, Values(300, 400, 480, 2, 0));
}

TEST_F(SettingsTest, PositionOffTheMonitorsIsDiscardedAndMissingKeysTakeTheirDefaults) {
    const MonitorLayout twoMonitors = MonitorLayout::FromMonitors(
        {MonitorInfo{Rect{0, 0, 1920, 1080}, true}, MonitorInfo{Rect{1920, 0, 3200, 1024}, false}},
        1920, 1080);
    ASSERT_TRUE(DisplaySettings::Save(kFirstMode, Values(2500, 300, 640, 0, 0)));
    DisplaySettingsValues values;
    EXPECT_TRUE(DisplaySettings::Load(kFirstMode, kAspect, twoMonitors, values));
    EXPECT_EQ(values, Values(2500, 300, 640, 0, 0));
    // The secondary monitor has since been unplugged.
    values = DisplaySettingsValues{};
    EXPECT_FALSE(DisplaySettings::Load(kFirstMode, kAspect, oneMonitor_, values));
    EXPECT_EQ(values, Values(-1, -1, 640, 0, 0));

    // Partly off the left and top edges is still reachable: up to a window's size.
    EXPECT_TRUE(DisplaySettings::PositionVisible(-640, -480, 640, kAspect, oneMonitor_));
    EXPECT_FALSE(DisplaySettings::PositionVisible(-641, 0, 640, kAspect, oneMonitor_));
    EXPECT_FALSE(DisplaySettings::PositionVisible(0, -481, 640, kAspect, oneMonitor_));
    EXPECT_FALSE(DisplaySettings::PositionVisible(0, 1081, 640, kAspect, oneMonitor_));

    // Keys missing from the file take their defaults.
    home_.Write("Vorn/Quorvane/LiveDisplay.ini",
                "[Mode65536_65792_65793]\nXoffset=10\nYoffset=20\n");
    values = Values(-1, -1, 320, 2, 0);
    EXPECT_TRUE(DisplaySettings::Load(kFirstMode, kAspect, oneMonitor_, values));
    EXPECT_EQ(values, Values(10, 20, 0, 2, 1)); // Xpixels 0, State as it was, OnTop 1

    values = Values(-1, -1, 320, 1, 0);
    EXPECT_FALSE(DisplaySettings::Load(kSecondMode, kAspect, oneMonitor_, values));
    EXPECT_EQ(values, Values(-1, -1, 0, 1, 1)); // no section: no position
}

} // namespace vidrune::test
