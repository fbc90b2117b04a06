// Many rounds of the whole host cycle leave nothing behind on the board.
#include "BoardHost.h"
#include "fgsim/FgSimControl.h"

namespace vidrune::test {

using SoakTest = BoardHost;

TEST_F(SoakTest, AThousandRoundsLeaveNoLiveObject) {
    namespace sim = vidrune::fgsim;
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    for (int round = 0; round < 1000; ++round) {
        ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1) << round;
        const char* name = plugin.GetFirstInputDeviceName();
        ASSERT_NE(name, nullptr);
        ASSERT_EQ(plugin.SetCurrentInputDevice(plugin.GetInputDeviceId(name)), 1);
        ASSERT_EQ(plugin.SetCurrentInputMode(plugin.GetInputModeId(plugin.GetFirstInputModeName())),
                  1);
        ASSERT_EQ(plugin.OpenDevice(), 0) << round;
        ASSERT_EQ(plugin.AcqGetLastError(), 0u) << round;
        ASSERT_EQ(plugin.CloseDevice(), 0);
        ASSERT_EQ(plugin.FreeDeviceResources(), 0);
    }
    for (FgObjectKind kind : {FG_KIND_SERVER, FG_KIND_ACQUISITION, FG_KIND_CAMERA, FG_KIND_VIC,
                              FG_KIND_BUFFER, FG_KIND_TRANSFER})
        EXPECT_EQ(sim::LiveObjectCount(kind), 0u) << kind;
}

} // namespace vidrune::test
