// The board's attributes as the host sets them through the exports.
#include "BoardHost.h"
#include "FgSimControl.h"
#include "support/LibraryOperations.h"

#include <memory>
#include <string>
#include <string_view>
#include <tuple>

namespace vidrune::test {

using AttributeTest = BoardHost;

TEST_F(AttributeTest, SetsAreCheckedAndAppliedThenDisplayCommandsAndRefusedValues) {
    // A mode wider than the sensor is limited to it; its sub-sampling leaves "DATA SCALE" 1.
    ASSERT_TRUE(Open(files.WriteSingle(
        SimCamera{.maxWidth = 1024, .maxHeight = 512},
        SimMode{.width = 2000, .height = 480, .extra = "XSUBSAMPLE=2\nYSUBSAMPLE=2\n"})));
    EXPECT_EQ(Numeric("MAX USER WIDTH"), 1024);
    EXPECT_EQ(Numeric("DATA SCALE"), 1);
    // In order: the set, its result, an attribute read back (if any) and the data set size.
    const std::tuple<const char*, double, int, const char*, double, double> steps[] = {
        {"DATA SCALE", 1, 1, "X DATA SCALE", 1, 1024 * 480}, // sets both scales, though unchanged
        {"WIDTH", 1025, 0, "WIDTH", 1024, 1024 * 480},
        {"WIDTH", 640, 1, "WIDTH", 640, 640 * 480},
        {"WIDTH", 640, 1, "WIDTH", 640, 640 * 480},
        {"DATA SCALE", 2, 1, "Y DATA SCALE", 2, 320 * 240},
        {"DATA SCALE", 3, 0, "DATA SCALE", 2, 320 * 240},
        {"X DATA SCALE", 4, 1, "X DATA SCALE", 4, 160 * 240},
        // One frame kept in 1 to 1000, fractions included.
        {"DATA SKIP", 0.5, 0, "DATA SKIP", 1, 160 * 240},
        {"DATA SKIP", 2.5, 1, nullptr, 0, 160 * 240},
        {"DATA SKIP", 1000, 1, "DATA SKIP", 1000, 160 * 240},
        {"DATA SKIP", 1000.5, 0, "DATA SKIP", 1000, 160 * 240},
        {"DATA SKIP", 2147483648.0, 0, "DATA SKIP", 1000, 160 * 240},
        // Read-only.
        {"DATA SIZE", 1, 0, "DATA SIZE", 1, 160 * 240},
        {"DATA RESOLUTION", 1, 0, "DATA RESOLUTION", 8, 160 * 240},
    };
    for (const auto& [name, value, result, query, shown, size] : steps) {
        SCOPED_TRACE(std::string(name) + " " + std::to_string(value));
        EXPECT_EQ(Set(name, value), result);
        if (result == 0) {
            EXPECT_EQ(plugin.AcqGetLastError(), 12u);
        }
        if (query != nullptr) {
            EXPECT_EQ(Numeric(query), shown);
        }
        EXPECT_EQ(Numeric("DATA SET SIZE"), size);
    }

    // On the same device: display commands, and texts and numbers that are refused.
    EXPECT_EQ(Numeric("DISPLAY MODE"), 1);
    for (const auto& [mode, shown] : {std::pair{5, 1}, {4, 4}}) {
        GraphicsCommand command = Graphics(10, 0, 0);
        command.displayMode = mode;
        EXPECT_EQ(plugin.AcqDeviceSet("GRAPHICS COMMAND", &command), 1);
        EXPECT_EQ(Numeric("DISPLAY MODE"), shown);
    }

    // Exactly as long as the text: reading a double from it would run past the end.
    for (const char* name : {"NAME", "VERSION", "CONFIG FILE PATH", "NO SUCH TEXT"}) {
        auto text = std::make_unique<char[]>(2);
        text[0] = 'x';
        EXPECT_TRUE(Fails(plugin.AcqDeviceSet(name, text.get()), 12)) << name;
    }
}

// A set whose buffers or transfer the board library refuses fails with 9 and leaves no start
// to run on a half-built one; one whose settings the board refuses fails with 12. A set of
// the value in force must then carry it out rather than answer "unchanged".
TEST_F(AttributeTest, ASetTheLibraryCannotCarryOutFailsAndASetOfTheValueInForceRebuilds) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    for (const char* call : {"FgBufferNew", "FgBufferGetPrm", "FgXferNew", "FgXferConnect",
                             "FgXferRegisterCallback"}) {
        for (const auto& [name, value, original] :
             {std::tuple{"DATA SKIP", 2.0, 1.0}, {"WIDTH", 32.0, 64.0}, {"HEIGHT", 24.0, 48.0}}) {
            // Only a new frame size makes new buffers.
            if ((std::string_view(call).starts_with("FgBuffer") &&
                 name == std::string("DATA SKIP")) ||
                RefusalWaitsForAUser(call))
                continue;
            SCOPED_TRACE(std::string(call) + ", " + name);
            fgsim::FailNextCall(call, FG_ERR_INJECTED);
            EXPECT_TRUE(Fails(Set(name, value), 9));
            EXPECT_TRUE(Fails(Acquire(1, true), 7));
            // The value in force: the refused width, or the skip from before.
            EXPECT_EQ(Set(name, Numeric(name)), 1);
            EXPECT_EQ(Acquire(2, true), 1) << plugin.AcqGetLastError();
            ASSERT_EQ(Set(name, original), 1);
            GrabsTheRightPixels();
        }
    }

    // The board refuses its crop. Reads follow the stored scales at once; the same set again
    // reaches the board, which refuses once more, then takes it.
    for (const auto& [name, value, seen] :
         {std::tuple{"DATA SCALE", 2.0, FrameGeometry{.xs = 2, .ys = 2}},
          {"WIDTH", 32.0, FrameGeometry{.cropLeft = 16}}}) {
        SCOPED_TRACE(name);
        for (int refusal = 0; refusal < 2; ++refusal) {
            fgsim::FailNextCall("FgVicSetPrm", FG_ERR_INJECTED);
            EXPECT_TRUE(Fails(Set(name, value), 12));
            EXPECT_EQ(Numeric(name), value);
            if (seen.ys == 2) {
                EXPECT_EQ(Numeric("DATA SET SIZE"), 32 * 24);
            }
        }
        // A set the board takes in between puts the crop in force, not the buffers.
        EXPECT_EQ(Set("Y DATA SCALE", 1), 1);
        EXPECT_EQ(Set(name, value), 1);
        GrabsTheRightPixels(seen, 32, seen.ys == 2 ? 24 : 48);
        std::vector<uint8_t> frame;
        EXPECT_TRUE(Fails(Read(VIDRUNE_READ_BY_INDEX, 1, 32, 0, 1, 1, frame), 12)); // 32 wide
        ASSERT_EQ(Set(name, seen.ys == 2 ? 1 : 64), 1);
    }
}

// A set that must stop a continuous acquisition whose thread is held up in the library fails
// with 5 and changes nothing: that thread still uses the transfer and the buffers. The same
// set goes through once the thread has ended.
TEST_F(AttributeTest, ASetThatCannotStopTheContinuousAcquisitionChangesNothing) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    for (const auto& [name, value, original] :
         {std::tuple{"WIDTH", 32.0, 64.0}, {"DATA SKIP", 2.0, 1.0}}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(StartContinuous(), 1);
        // The live thread's last call, as it stops, outlasts the stop's wait of 1000 ms.
        fgsim::StallNextCall("FgXferAbort", 1500);
        EXPECT_TRUE(Fails(Set(name, value), 5));
        EXPECT_EQ(Numeric(name), original);
        EXPECT_EQ(Set(name, value), 1) << plugin.AcqGetLastError();
        EXPECT_EQ(plugin.AcquireStop(), 1);
        ASSERT_EQ(Set(name, original), 1);
        GrabsTheRightPixels();
    }
}

} // namespace vidrune::test
