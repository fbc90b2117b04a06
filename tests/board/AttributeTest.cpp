// The board's attributes as the host sets them through the exports.
#include "BoardHost.h"

#include <cmath>
#include <memory>

namespace vidrune::test {

using AttributeTest = BoardHost;

TEST_F(AttributeTest, ScalesAreCheckedAndApplied) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    EXPECT_EQ(Set("DATA SCALE", 2), 1);
    EXPECT_EQ(Numeric("X DATA SCALE"), 2);
    EXPECT_EQ(Numeric("Y DATA SCALE"), 2);
    EXPECT_EQ(Numeric("DATA SET SIZE"), 32.0 * 24.0); // trunc(64/2 + 0.5) x trunc(48/2 + 0.5)
    EXPECT_EQ(Set("DATA SCALE", 3), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);
    EXPECT_EQ(Numeric("DATA SCALE"), 2);
    EXPECT_EQ(Set("Y DATA SCALE", 0), 0);
    EXPECT_EQ(Set("X DATA SCALE", 4), 1);
}

TEST_F(AttributeTest, ReadOnlyAndUnknownAttributesAreRejected) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    for (const char* name : {"TRIGGER SOURCE", "DATA SIZE", "MAX WIDTH", "DATA RESOLUTION",
                             "GRAB DATA BUFFERS", "NO SUCH THING"}) {
        EXPECT_EQ(Set(name, 1), 0) << name;
        EXPECT_EQ(plugin.AcqGetLastError(), 12u) << name;
    }
    for (const char* name : {"NAME", "VERSION"}) {
        EXPECT_EQ(plugin.AcqDeviceSet(name, const_cast<char*>("renamed")), 0) << name;
        EXPECT_EQ(plugin.AcqGetLastError(), 12u) << name;
    }
    const char* version = nullptr;
    ASSERT_EQ(plugin.AcqDeviceQuery("VERSION", &version), 1);
    EXPECT_STREQ(version, VIDRUNE_VERSION_STRING);
}

TEST_F(AttributeTest, WidthAndHeightAreLimitedToTheUserMaxima) {
    SimCamera camera;
    camera.maxWidth = 1024;
    camera.maxHeight = 512;
    SimMode mode;
    mode.width = 2000; // more than the sensor: limited to it
    mode.height = 480;
    ASSERT_TRUE(Open(files.WriteSingle(camera, mode)));
    EXPECT_EQ(Numeric("MAX WIDTH"), 1024);
    EXPECT_EQ(Numeric("MAX USER WIDTH"), 1024);
    EXPECT_EQ(Numeric("WIDTH"), 1024);
    EXPECT_EQ(Numeric("HEIGHT"), 480);
    EXPECT_EQ(Set("WIDTH", 1025), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);
    EXPECT_EQ(Set("WIDTH", 0), 0);
    EXPECT_EQ(Set("WIDTH", 640), 1);
    EXPECT_EQ(Numeric("WIDTH"), 640);
    EXPECT_EQ(Set("WIDTH", 640), 1); // unchanged
    EXPECT_EQ(Numeric("DATA SET SIZE"), 640.0 * 480.0);
}

TEST_F(AttributeTest, DeepPixelsCountTwiceInTheDataSetSize) {
    SimCamera camera;
    camera.depth = 12;
    camera.maxWidth = 640;
    camera.maxHeight = 480;
    SimMode mode;
    mode.width = 640;
    mode.height = 480;
    ASSERT_TRUE(Open(files.WriteSingle(camera, mode)));
    EXPECT_EQ(Numeric("DATA SET SIZE"), 1281.0 * 961.0);
}

TEST_F(AttributeTest, ARotatedCameraSwapsTheNamesTheHostUses) {
    SimCamera camera;
    camera.maxWidth = 80;
    camera.maxHeight = 60;
    SimMode mode;
    mode.width = 80;
    mode.height = 40;
    ASSERT_TRUE(Open(files.WriteSingle(camera, mode, "ROTATEDATA=1\n")));
    // The host's WIDTH is the camera's height: limited by MAX USER HEIGHT (40).
    EXPECT_EQ(Set("WIDTH", 50), 0);
    EXPECT_EQ(Set("WIDTH", 30), 1);
    EXPECT_EQ(Numeric("WIDTH"), 30);
    EXPECT_EQ(Numeric("HEIGHT"), 80);
    double rawHeight = 0;
    VidruneDevice* device = plugin.GetDeviceHandle();
    ASSERT_EQ(device->ops->AcqDeviceQuery(device, "HEIGHT", &rawHeight, 0), 1);
    EXPECT_EQ(rawHeight, 30);
    // Names outside the table are never swapped.
    EXPECT_EQ(Numeric("DATA SIZE"), 1);
}

TEST_F(AttributeTest, DisplayModeCommands) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    EXPECT_EQ(Numeric("DISPLAY MODE"), 1);
    GraphicsCommand command{};
    command.type = 10;
    command.displayMode = 5;
    EXPECT_EQ(plugin.AcqDeviceSet("GRAPHICS COMMAND", &command), 1);
    EXPECT_EQ(Numeric("DISPLAY MODE"), 1);
    command.displayMode = 4;
    EXPECT_EQ(plugin.AcqDeviceSet("GRAPHICS COMMAND", &command), 1);
    EXPECT_EQ(Numeric("DISPLAY MODE"), 4);
    // Drawing without a display does nothing and is no error.
    command.type = 1;
    EXPECT_EQ(plugin.AcqDeviceSet("GRAPHICS COMMAND", &command), 1);
}

TEST_F(AttributeTest, TriggerAndShutterSettings) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    EXPECT_EQ(Numeric("TRIGGER MODE"), 1);
    EXPECT_EQ(Numeric("TRIGGER LEVEL"), 2);
    EXPECT_EQ(Set("TRIGGER MODE", 2), 1);
    EXPECT_EQ(Numeric("TRIGGER MODE"), 2);
    EXPECT_EQ(Set("TRIGGER MODE", 3), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);
    EXPECT_EQ(Set("TRIGGER LEVEL", 1), 1);
    EXPECT_EQ(Set("TRIGGER LEVEL", 3), 0);
    EXPECT_EQ(Set("TRIGGER MODE", 1), 1);
    // A triggered acquisition still runs (the simulated camera fires at its trigger rate).
    EXPECT_EQ(Acquire(2, true), 1);
    EXPECT_EQ(Set("MAN SHUTTER", 500), 1); // offered to the camera
}

TEST_F(AttributeTest, DataScaleAlwaysSetsBothScales) {
    SimMode mode;
    mode.extra = "XSUBSAMPLE=2\nYSUBSAMPLE=2\n"; // "DATA SCALE" stays 1
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, mode)));
    ASSERT_EQ(Numeric("DATA SCALE"), 1);
    EXPECT_EQ(Set("DATA SCALE", 1), 1);
    EXPECT_EQ(Numeric("X DATA SCALE"), 1);
    EXPECT_EQ(Numeric("Y DATA SCALE"), 1);
    EXPECT_EQ(Numeric("DATA SET SIZE"), 64.0 * 48.0);
}

TEST_F(AttributeTest, NumbersOutsideWhatASettingHoldsAreRefused) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    // "DATA SKIP" keeps one frame in 1 to 1000, fractions included.
    const std::pair<double, int> skips[] = {
        {0.5, 0}, {1, 1}, {2.5, 1}, {1000, 1}, {1000.5, 0}, {1e5, 0}, {2147483648.0, 0},
    };
    for (const auto& [skip, result] : skips) {
        EXPECT_EQ(Set("DATA SKIP", skip), result) << skip;
        if (result == 0) {
            EXPECT_EQ(plugin.AcqGetLastError(), 12u) << skip;
        }
    }
    EXPECT_EQ(Numeric("DATA SKIP"), 1000);

    // The generic levels refuse them too, without an error code of their own.
    double value = std::nan("");
    EXPECT_EQ(plugin.AcqInputModeSet("DATA SKIP", &value), 0);
    EXPECT_EQ(plugin.AcqInputDeviceSet("PIXEL SIZE", &value), 0);
    ASSERT_EQ(plugin.AcqInputDeviceQuery("PIXEL SIZE", &value), 1);
    EXPECT_EQ(value, 0.0074);
}

TEST_F(AttributeTest, TextGivenForATextAttributeIsNotReadAsANumber) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    // Exactly as long as the text: reading a double from it would run past the end.
    for (const char* name : {"NAME", "CONFIG FILE PATH", "NO SUCH TEXT"}) {
        auto text = std::make_unique<char[]>(2);
        text[0] = 'x';
        EXPECT_EQ(plugin.AcqDeviceSet(name, text.get()), 0) << name;
        EXPECT_EQ(plugin.AcqGetLastError(), 12u) << name;
    }
}

} // namespace vidrune::test
