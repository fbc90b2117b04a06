// Initialising, opening, closing and freeing the board device through the exports and
// through its table.
#include "BoardHost.h"
#include "FgSimControl.h"
#include "platform/Clock.h"
#include "support/Environment.h"
#include "support/LibraryOperations.h"
#include "support/Scheduling.h"
#include "support/ThreadRefusal.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace vidrune::test {

using LifecycleTest = BoardHost;

// How many objects of each kind the board library holds.
std::vector<size_t> LiveObjects() {
    std::vector<size_t> counts;
    for (FgObjectKind kind : {FG_KIND_SERVER, FG_KIND_ACQUISITION, FG_KIND_CAMERA, FG_KIND_VIC,
                              FG_KIND_BUFFER, FG_KIND_TRANSFER})
        counts.push_back(fgsim::LiveObjectCount(kind));
    return counts;
}
using vidrune::platform::Clock;

// Close, open and initialise in each state; what they refuse changes nothing.
TEST_F(LifecycleTest, CloseOpenAndInitialiseInEachState) {
    // Before initialisation: close gives 7 and leaves the last error alone.
    VidruneDevice* device = Device();
    device->ops->SetLastError(device, 12);
    EXPECT_EQ(plugin.CloseDevice(), 7);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);

    // Without a board the device does not start.
    const std::string config = files.WriteSingle(SimCamera{.extra = "DropFrames=2\n"}, {});
    Environment::Set("VIDRUNE_SIM_BOARDS", "0");
    EXPECT_TRUE(Fails(plugin.InitializeDevice(config.c_str()), 7));
    Environment::Unset("VIDRUNE_SIM_BOARDS");
    ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1);
    EXPECT_EQ(plugin.OpenDevice(), 11); // no camera chosen yet
    ASSERT_EQ(plugin.SetCurrentInputDevice(plugin.GetInputDeviceId("Cam")), 1);
    // A scale the host gives the mode meets the same refusal as one in the file.
    for (auto [scale, opened] : {std::pair{3.0, 12}, {1.0, 0}}) {
        ASSERT_EQ(plugin.AcqInputModeSet("X DATA SCALE", &scale), 1);
        EXPECT_EQ(plugin.OpenDevice(), opened);
    }
    EXPECT_EQ(plugin.CloseDevice(), 0);
    EXPECT_EQ(plugin.SetCurrentInputMode(plugin.GetCurrentInputMode()), 1);

    // Initialised again from another file in another folder: still the first cameras and
    // the first folder.
    const char* folder = nullptr;
    ASSERT_EQ(plugin.AcqDeviceQuery("CONFIG FILE PATH", &folder), 1);
    const std::string firstFolder = folder;
    SimBoardFiles other;
    const std::string otherConfig =
        other.WriteSingle(SimCamera{}, SimMode{}, "",
                          SimBoardFiles::CameraSection("CAMERA2", "Other") +
                              SimBoardFiles::ModeSection("CAMERA2_MODE1", SimMode{}));
    EXPECT_EQ(plugin.InitializeDevice(otherConfig.c_str()), 1);
    EXPECT_EQ(plugin.GetNumInputDevices(), 1u);
    ASSERT_EQ(plugin.AcqDeviceQuery("CONFIG FILE PATH", &folder), 1);
    EXPECT_EQ(folder, firstFolder);

    ASSERT_EQ(plugin.OpenDevice(), 0);
    // A refused second open leaves the frame rate, so a lost frame is still a gap. The read
    // that reports it still copies the frame that came.
    EXPECT_EQ(plugin.OpenDevice(), 1u);
    ASSERT_EQ(Acquire(4, true), 1);
    std::vector<uint8_t> frame;
    EXPECT_TRUE(Fails(Read(VIDRUNE_READ_BY_INDEX, 2, 0, 0, 64, 48, frame), 21));
    EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, 3), "");
}

// A host short of memory or thread slots: each call that needs a thread the system refuses
// fails with its code instead of ending the host's process, and leaves nothing half started.
// Once threads can be had again, the same device initialises, opens and grabs.
TEST_F(LifecycleTest, CallsWhoseThreadTheSystemRefusesFailAndTheDeviceGoesOn) {
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    const int threads = ThreadsInThisProcess();
    {
        const ThreadRefusal refusal;
        if (!refusal.Active())
            GTEST_SKIP() << "this system cannot be made to refuse a thread";
        // No grab thread: the device is not started.
        EXPECT_TRUE(Fails(plugin.InitializeDevice(config.c_str()), 7));
        EXPECT_EQ(plugin.OpenDevice(), 22);
    }
    ASSERT_TRUE(Open(config)) << plugin.AcqGetLastError();
    {
        const ThreadRefusal refusal;
        // No live thread: nothing would fill the ring.
        EXPECT_TRUE(Fails(StartContinuous(), 9));
        EXPECT_EQ(plugin.AcquireStop(), 1);
        // The board cannot start the transfer: no frame comes.
        EXPECT_TRUE(Fails(Acquire(1, true), 16));
        // The display goes without its update thread; the device opens all the same.
        EXPECT_EQ(plugin.CloseDevice(), 0);
        EXPECT_EQ(plugin.OpenDevice(), 0);
    }
    GrabsTheRightPixels();
    ASSERT_EQ(StartContinuous(), 1);
    std::vector<uint8_t> frame;
    EXPECT_EQ(Read(VIDRUNE_READ_LATEST, 0, 0, 0, 64, 48, frame), 1) << plugin.AcqGetLastError();
    EXPECT_EQ(plugin.FreeDeviceResources(), 0);
    EXPECT_LE(ThreadsOnceSettled(threads), threads);
}

// A mode's camera file by rooted or relative path, with the VIC file beside it. A first mode
// the board cannot open fails the open with its code; not open, the mode can be changed, and
// the good one opens.
TEST_F(LifecycleTest, EachModeOpensOnItsControlFileOrFailsWithItsCode) {
    SimBoardFiles elsewhere;
    const std::string rooted = elsewhere.WriteCamera(SimCamera{.file = "away.cam", .maxWidth = 40});
    std::string forward = rooted; // Windows reads '/' and '\' alike
    std::replace(forward.begin(), forward.end(), '\\', '/');
    files.WriteCamera(SimCamera{.file = "cams.v2/inner.cam", .maxWidth = 24});
    // Without an extension the one file serves both loads.
    files.Dir().Write("mono", "[Camera]\nPixelDepth=8\nFrameRate=100\n[Vic]\nMaxWidth=32\n"
                              "MaxHeight=16\nPixelDepth=8\n");
    files.Dir().Write("novic.cam", "[Camera]\nPixelDepth=8\n");
    // The first mode's camera file and keys, the open's code and, once open, "MAX WIDTH".
    const std::tuple<std::string, const char*, int, double> cases[] = {
        {rooted, "", 0, 40},
        {forward, "", 0, 40},
        {"cams.v2/inner.cam", "", 0, 24},
        {"mono", "", 0, 32},
        {"novic.cam", "", 1, 0}, // no VIC file beside it
        {"mono8.cam", "XSUBSAMPLE=3\n", 12, 0},
        {"mono8.cam", "YSUBSAMPLE=3\n", 12, 0},
        {"mono8.cam", "XSUBSAMPLE=0\n", 12, 0},
        {"mono8.cam", "FRAMESKIP=1001\n", 12, 0},
    };
    for (const auto& [controlFile, keys, code, maxWidth] : cases) {
        SCOPED_TRACE(controlFile + " " + keys);
        const SimMode first{
            .name = "First", .controlFile = controlFile, .width = 16, .height = 16, .extra = keys};
        ASSERT_TRUE(Initialize(files.WriteSingle(
            SimCamera{}, first, "", SimBoardFiles::ModeSection("CAMERA1_MODE2", SimMode{}))));
        EXPECT_EQ(plugin.OpenDevice(), code);
        if (code == 0) {
            EXPECT_EQ(Numeric("MAX WIDTH"), maxWidth);
        }
        EXPECT_EQ(plugin.CloseDevice(), 0);
        ASSERT_EQ(plugin.SetCurrentInputMode(plugin.GetInputModeId("Full")), 1);
        EXPECT_EQ(plugin.OpenDevice(), 0);
        plugin.FreeDeviceResources();
    }
}

// Wherever the board library refuses one operation of a host call, the call fails with its
// code or does what it answered it did: an open or a set leaves a device that grabs the
// right pixels, a start brings frames, a close closes. Either way, once freed, the device
// leaves none of the library's objects behind (unless the refusal was of a free) and starts
// again.
TEST_F(LifecycleTest, ACallTheLibraryRefusesAnywhereFailsOrDoesItsWork) {
    const std::string config =
        files.WriteSingle(SimCamera{.frameRate = 2000}, SimMode{.frameRate = "2000"});
    auto opened = [&] { return Open(config); };
    auto live = [&] { return opened() && StartContinuous() == 1; };
    // A counted acquisition far longer than the test, once its first frame is in.
    auto counting = [&] {
        ReadRequest newest = RegionRead(VIDRUNE_READ_LATEST, 0, 0, 0, 64, 48);
        if (!opened() || Acquire(1000000, false) != 1)
            return false;
        for (int tries = 0; tries < 400; ++tries, Clock::Sleep(5))
            if (plugin.ReadDevice(&newest) == 1)
                return true;
        return false;
    };
    // The next frame of a continuous acquisition, read whole, is some camera frame. At this
    // rate the board may refill the slot during the copy (17): such pixels are read again.
    auto showsAFrameAtWidth = [&](uint32_t width) {
        std::vector<uint8_t> frame;
        for (int tries = 1; Read(VIDRUNE_READ_CURRENT, 0, 0, 0, width, 48, frame) != 1; ++tries) {
            ASSERT_EQ(plugin.AcqGetLastError(), 17u);
            ASSERT_LT(tries, 10) << "the board refilled the slot during every copy";
        }
        // The pattern repeats after 51 frames.
        uint32_t n = 0;
        while (n < 51 &&
               !CompareRegion(frame, {.cropLeft = (64 - width) / 2}, 0, 0, width, 48, n).empty())
            ++n;
        EXPECT_LT(n, 51u) << "no camera frame at width " << width;
    };
    // Stopped: the board no longer writes the newest slot, and the next grab gets its own
    // frames. The slot is read in place: after a counted acquisition it may be the one the
    // board was filling at the stop, which then holds no whole frame for a copy.
    auto stopped = [&] {
        ReadRequest newest = RegionRead(VIDRUNE_READ_LATEST, 0, 0, 0, 64, 48);
        ASSERT_EQ(plugin.ReadDevice(&newest), 1) << plugin.AcqGetLastError();
        const auto* pixels = static_cast<const uint8_t*>(newest.data);
        const std::vector<uint8_t> before(pixels, pixels + 64 * 48);
        Clock::Sleep(20);
        EXPECT_TRUE(std::equal(before.begin(), before.end(), pixels))
            << "frames still come after the stop";
        GrabsTheRightPixels();
    };
    // Each step: its name, what brings the device to it, the call (true: it answered
    // success) and what shows that an answered call did its work.
    using Step = std::tuple<const char*, std::function<bool()>, std::function<bool()>,
                            std::function<void()>>;
    const Step steps[] = {
        {"InitializeDevice", [] { return true; },
         [&] { return plugin.InitializeDevice(config.c_str()) == 1; },
         [&] {
             ASSERT_EQ(plugin.SetCurrentInputDevice(plugin.GetInputDeviceId("Cam")), 1);
             ASSERT_EQ(plugin.OpenDevice(), 0) << plugin.AcqGetLastError();
             GrabsTheRightPixels();
         }},
        {"OpenDevice", [&] { return Initialize(config); }, [&] { return plugin.OpenDevice() == 0; },
         [&] { GrabsTheRightPixels(); }},
        {"WIDTH", opened, [&] { return Set("WIDTH", 32) == 1; },
         [&] { GrabsTheRightPixels({.cropLeft = 16}, 32); }},
        // A fractional skip rounds up.
        {"DATA SKIP", opened, [&] { return Set("DATA SKIP", 2.5) == 1; },
         [&] { GrabsTheRightPixels({}, 64, 48, 3); }},
        {"X DATA SCALE", opened, [&] { return Set("X DATA SCALE", 2) == 1; },
         [&] { GrabsTheRightPixels({.xs = 2}, 32); }},
        {"counted start", opened, [&] { return Acquire(2, true) == 1; },
         [&] { EXPECT_TRUE(Shows(VIDRUNE_READ_BY_INDEX, 1, FrameGeometry{}, 0, 0, 64, 48, 1)); }},
        {"continuous start", opened, [&] { return StartContinuous() == 1; },
         [&] { showsAFrameAtWidth(64); }},
        {"WIDTH while live", live, [&] { return Set("WIDTH", 32) == 1; },
         [&] { showsAFrameAtWidth(32); }},
        {"AcquireStop", live, [&] { return plugin.AcquireStop() == 1; }, stopped},
        {"AcquireStop counted", counting, [&] { return plugin.AcquireStop() == 1; }, stopped},
        {"CloseDevice", live, [&] { return plugin.CloseDevice() == 0; },
         [&] { EXPECT_TRUE(Fails(Set("WIDTH", 32), 6)); }},
        {"FreeDeviceResources", live, [&] { return plugin.FreeDeviceResources() == 0; }, [] {}},
    };
#if defined(_WIN32)
    // An open and a grab take some 170 ms under Wine: each step there refuses every third
    // operation, a different third for each step.
    constexpr size_t kEvery = 3;
#else
    constexpr size_t kEvery = 1;
#endif
    for (size_t s = 0; s < std::size(steps); ++s) {
        const auto& [name, before, call, works] = steps[s];
        for (size_t o = s % kEvery; o < std::size(kLibraryOperations); o += kEvery) {
            const char* operation = kLibraryOperations[o];
            if (RefusalWaitsForAUser(operation))
                continue;
            SCOPED_TRACE(std::string(name) + ", " + operation);
            // What a refused free left behind earlier stays the library's.
            const std::vector<size_t> live = LiveObjects();
            ASSERT_TRUE(before());
            fgsim::FailNextCall(operation, FG_ERR_INJECTED);
            const bool answered = call();
            if (fgsim::ClearFailures() != 0) // the call makes no such library call
                EXPECT_TRUE(answered) << plugin.AcqGetLastError();
            else if (answered)
                works();
            else
                EXPECT_NE(plugin.AcqGetLastError(), 0u) << "failed without a code";
            EXPECT_EQ(plugin.FreeDeviceResources(), 0);
            const std::string_view refused(operation);
            if (refused.find("Free") == refused.npos && refused.find("Release") == refused.npos) {
                EXPECT_EQ(LiveObjects(), live) << "objects left by kind";
            }
            ASSERT_TRUE(Open(config)) << plugin.AcqGetLastError();
            GrabsTheRightPixels();
            EXPECT_EQ(plugin.FreeDeviceResources(), 0);
        }
    }
}

// A host that keeps only the device handle drives a whole cycle through its table. Each
// slot must reach its own function: one wired to a neighbour answers with another
// camera, mode, attribute or flag.
TEST_F(LifecycleTest, TheDeviceTableAloneDrivesAWholeCycle) {
    VidruneDevice* d = Device();
    const VidruneDeviceOps& ops = *d->ops;
    EXPECT_NE(ops.GetRuntimeClass(d), nullptr);
    EXPECT_EQ(ops.Destructor(d, 1), d); // the device lives as long as the library
    ops.Serialize(d, nullptr);
    ops.AssertValid(d);
    ops.Dump(d, nullptr);

    const std::string config = SlowConfig();
    ASSERT_EQ(ops.InitializeDevice(d, config.c_str()), 1);
    EXPECT_EQ(ops.GetInitFlag(d), 1u);
    // A second file adds its camera after the first.
    const std::string more = files.WriteConfig(
        SimBoardFiles::CameraSection("CAMERA1", "Other") +
            SimBoardFiles::ModeSection("CAMERA1_MODE1",
                                       SimMode{.name = "Half", .frameRate = "20", .width = 32}),
        "more.ini");
    ASSERT_EQ(ops.LoadInputDevices(d, more.c_str()), 1);
    EXPECT_EQ(plugin.GetNumInputDevices(), 2u);
    ASSERT_EQ(ops.SetCurrentInputDevice(d, plugin.GetInputDeviceId("Other")), 1);
    EXPECT_EQ(ops.SetCurrentInputMode(d, plugin.GetInputModeId("Half")), 1);
    const char* text = nullptr;
    ASSERT_EQ(ops.AcqInputDeviceQuery(d, "NAME", &text, 1), 1);
    EXPECT_STREQ(text, "Other");
    ASSERT_EQ(ops.AcqInputModeQuery(d, "NAME", &text, 1), 1);
    EXPECT_STREQ(text, "Half");
    double pixelSize = 0.01;
    double scale = 2;
    ASSERT_EQ(ops.AcqInputDeviceSet(d, "PIXEL SIZE", &pixelSize, 1), 1);
    ASSERT_EQ(ops.AcqInputModeSet(d, "X DATA SCALE", &scale, 1), 1);
    double seen = 0;
    ASSERT_EQ(plugin.AcqInputDeviceQuery("PIXEL SIZE", &seen), 1);
    EXPECT_EQ(seen, 0.01);

    ASSERT_EQ(ops.OpenDevice(d), 0u);
    EXPECT_EQ(ops.GetOpenFlag(d), 1u);
    double level = 2;
    ASSERT_EQ(ops.AcqDeviceSet(d, "TRIGGER LEVEL", &level, 1), 1);
    EXPECT_EQ(Numeric("TRIGGER LEVEL"), 2);
    const AcquireRequest grab = Acquisition(VIDRUNE_ACQUIRE_NORMAL, 2, true);
    ASSERT_EQ(ops.AcquireStart(d, &grab), 1) << plugin.AcqGetLastError();
    std::vector<uint8_t> pixels(16 * 48 + 16, 0xEE);
    ReadRequest read = RegionRead(VIDRUNE_READ_BY_INDEX, 1, 0, 0, 16, 48, pixels.data());
    ASSERT_EQ(ops.ReadDevice(d, &read), 1) << plugin.AcqGetLastError();
    // The mode's 32 columns are the middle of the 64-column sensor; its scale, set through
    // the table, keeps every second one.
    EXPECT_EQ(CompareRegion(pixels, FrameGeometry{.cropLeft = 16, .xs = 2}, 0, 0, 16, 48, 1), "");
    const AcquireRequest live = Acquisition(VIDRUNE_ACQUIRE_CONTINUOUS);
    ASSERT_EQ(ops.AcquireStart(d, &live), 1);
    EXPECT_EQ(ops.IsValid(d), 1);
    EXPECT_EQ(ops.AcquireStop(d), 1);
    EXPECT_EQ(ops.CloseDevice(d), 0u);
    EXPECT_EQ(ops.GetOpenFlag(d), 0u);
    EXPECT_EQ(ops.FreeDeviceResources(d), 0);
    EXPECT_EQ(ops.GetInitFlag(d), 0u);
    EXPECT_EQ(ops.IsValid(d), 0);

    // The four flags are four words: set to values apart, each reads back its own.
    ops.SetStatusWord(d, 0x5A5A);
    ops.SetReadyFlag(d, 3);
    EXPECT_EQ(ops.SetOpenFlag(d, 1), 1u);
    ops.SetInitFlag(d, 0);
    EXPECT_EQ((std::vector<uint32_t>{ops.GetStatusWord(d), ops.GetReadyFlag(d), ops.GetOpenFlag(d),
                                     ops.GetInitFlag(d)}),
              (std::vector<uint32_t>{0x5A5A, 3, 1, 0}));
    for (auto* set : {ops.SetStatusWord, ops.SetReadyFlag, ops.SetOpenFlag})
        set(d, 0);
}

} // namespace vidrune::test
