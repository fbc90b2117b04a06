// The camera's mode switches as a host sends them through the exports.
#include "PseudoTerminal.h"
#include "support/PluginLibrary.h"
#include "support/SimBoardFiles.h"

#include <gtest/gtest.h>

namespace vidrune::test {

TEST(HostModeCommandTest, ModeSwitchesIgnoreTheValueEvenANullOne) {
    PseudoTerminal line;
    ASSERT_TRUE(line.Ok());
    SimBoardFiles files;
    SimMode mode;
    mode.extra = "NORMINIT=N1\nCONTINIT=C1\n";
    const std::string config =
        files.WriteSingle(SimCamera{}, mode, "COMPORT=" + line.PortPath() + "\n");
    PluginLibrary plugin;
    ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1);
    ASSERT_EQ(plugin.SetCurrentInputDevice(plugin.GetInputDeviceId("Cam")), 1);
    ASSERT_EQ(plugin.OpenDevice(), 0u);

    EXPECT_EQ(plugin.AcqInputDeviceSet("NORM MODE", nullptr), 1);
    EXPECT_EQ(plugin.AcqInputDeviceSet("CONT MODE", nullptr), 1);
    EXPECT_EQ(line.Received(), "N1\rC1\r");
    // Every other camera attribute still needs a value to take.
    EXPECT_EQ(plugin.AcqInputDeviceSet("PIXEL SIZE", nullptr), 0);
}

} // namespace vidrune::test
