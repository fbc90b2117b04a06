// Host threads, the live display and geometry changes at once: every read is a whole frame
// of one geometry or a refusal, and one thread's library failures stay its own.
#include "BoardHost.h"
#include "FgSimControl.h"
#include "FrameCheck.h"
#include "platform/Clock.h"

#include <atomic>
#include <random>
#include <thread>

namespace vidrune::test {

using vidrune::fgsim::FailNextCall;
using vidrune::fgsim::StallNextCall;
using vidrune::platform::Clock;

namespace {

constexpr uint32_t kSide = 8;

// True when the 8 x 8 region at the origin is camera frame n of one of the geometries the
// setter can choose, for some n, and nothing was written past it.
bool IsWholeFrameOfOneGeometry(const std::vector<uint8_t>& data) {
    if (data[kSide * kSide] != 0xEE)
        return false;
    for (uint32_t left : {0u, 8u})
        for (uint32_t top : {0u, 8u})
            for (uint32_t xs : {1u, 2u})
                for (uint32_t ys : {1u, 2u})
                    for (uint32_t n = 0; n < 51; ++n) { // the pattern repeats after 51 frames
                        const FrameGeometry g{left, top, xs, ys, 8};
                        bool all = true;
                        for (uint32_t i = 0; i < kSide * kSide && all; ++i)
                            all = PixelOf(data, i, 1) == g.At(i % kSide, i / kSide, n);
                        if (all)
                            return true;
                    }
    return false;
}

using ConcurrencyTest = BoardHost;

} // namespace

TEST_F(ConcurrencyTest, ReadsDuringGeometryChangesAreWholeFramesOrRefusals) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    ASSERT_EQ(StartContinuous(), 1);
    std::atomic<bool> stop{false};
    std::atomic<int> delivered{0};
    std::atomic<int> torn{0};

    auto reader = [&](uint32_t kind) {
        std::vector<uint8_t> out(kSide * kSide + 1);
        for (int32_t index = 0; !stop; index = (index + 1) % 4) {
            out.assign(out.size(), 0xEE);
            ReadRequest request = RegionRead(kind, index, 0, 0, kSide, kSide, out.data(), 50);
            if (plugin.ReadDevice(&request) != 1)
                continue;
            ++delivered;
            if (!IsWholeFrameOfOneGeometry(out) && torn++ == 0)
                ADD_FAILURE() << "read kind " << kind << " index " << index << " is torn";
        }
    };
    std::thread byIndex(reader, VIDRUNE_READ_BY_INDEX);
    std::thread newest(reader, VIDRUNE_READ_LATEST);

    std::mt19937 random(12345);
    const std::pair<const char*, double> changes[] = {
        {"WIDTH", 64},       {"WIDTH", 48},       {"HEIGHT", 48},      {"HEIGHT", 32},
        {"DATA SCALE", 1},   {"DATA SCALE", 2},   {"X DATA SCALE", 1}, {"X DATA SCALE", 2},
        {"Y DATA SCALE", 1}, {"Y DATA SCALE", 2}, {"DATA SKIP", 1},    {"DATA SKIP", 2},
    };
    // Ten seconds at least, and until both sides have done enough to mean something: a
    // busy machine slows the setter, it does not make the test pass or fail.
    int sets = 0;
    const uint32_t start = Clock::TickCount();
    auto enough = [&] {
        const uint32_t elapsed = Clock::TickCount() - start;
        return elapsed >= 120000 || (elapsed >= 10000 && sets > 100 && delivered > 100);
    };
    while (!enough()) {
        const auto& [name, value] = changes[random() % std::size(changes)];
        sets += Set(name, value);
        if (const auto restart = random() % 8; restart == 0)
            Acquire(4, false);
        else if (restart == 1)
            StartContinuous();
        Clock::Sleep(random() % 20);
    }
    stop = true;
    byIndex.join();
    newest.join();
    EXPECT_EQ(plugin.AcquireStop(), 1);
    EXPECT_EQ(torn, 0) << "of " << delivered << " reads";
    EXPECT_GT(delivered, 100);
    EXPECT_GT(sets, 100);
}

TEST_F(ConcurrencyTest, OneThreadsFailuresNeverFailAnotherThreadsHostCall) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    // The live thread records this failure on its own thread as it starts the transfer.
    FailNextCall("FgXferSelect", FG_ERR_INJECTED);
    ASSERT_EQ(StartContinuous(), 1);
    std::vector<uint8_t> frame;
    EXPECT_EQ(Read(VIDRUNE_READ_LATEST, 0, 0, 0, 8, 8, frame), 1);
    EXPECT_EQ(plugin.AcqGetLastError(), 0u);

    // And the display's reads never take a host call's failure: every refused set says so.
    int refused = 0;
    for (int i = 0; i < 200; ++i) {
        FailNextCall("FgAcqSetPrm", FG_ERR_INJECTED);
        refused += Set("TRIGGER LEVEL", 1 + i % 2) == 0 ? 1 : 0;
    }
    EXPECT_EQ(refused, 200);
    EXPECT_EQ(plugin.AcquireStop(), 1);

    // The last error is one code for every host thread. A read refused on one thread while
    // a geometry change on another builds its buffers sets it; the change must still succeed.
    // The change is held inside its first buffer allocation while the read is refused.
    constexpr uint32_t kStallMs = 500;
    StallNextCall("FgBufferNew", kStallMs);
    int changed = -1;
    std::thread setter([&] { changed = Set("WIDTH", 48); });
    Clock::Sleep(kStallMs / 5);
    std::vector<uint8_t> out(kSide * kSide);
    ReadRequest request = RegionRead(VIDRUNE_READ_LATEST, 0, 0, 0, kSide, kSide, out.data(), 0);
    EXPECT_EQ(plugin.ReadDevice(&request), 0);
    EXPECT_NE(plugin.AcqGetLastError(), 0u);
    setter.join();
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(Numeric("WIDTH"), 48);
    ASSERT_EQ(StartContinuous(), 1);
    EXPECT_EQ(plugin.AcquireStop(), 1);
}

// A host thread that lists cameras and modes while another frees and initialises the
// device again sees the old list or the new one, never a list being replaced.
TEST_F(ConcurrencyTest, ListingCamerasWhileTheDeviceIsInitialisedAgain) {
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    ASSERT_TRUE(Initialize(config));
    const uint32_t camera = plugin.GetInputDeviceId("Cam");
    // A name the host was given stays readable across one new initialisation.
    const char* kept = plugin.GetFirstInputDeviceName();
    ASSERT_EQ(plugin.FreeDeviceResources(), 0);
    ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1);
    EXPECT_STREQ(kept, "Cam");

    std::atomic<bool> done{false};
    std::thread lister([&] {
        VidruneDevice* d = Device();
        while (!done.load()) {
            // Names may be gone by the time they are read here; only the calls are checked.
            EXPECT_LE(plugin.GetNumInputDevices(), 1u);
            plugin.GetFirstInputDeviceName();
            plugin.GetNextInputDeviceName();
            const uint32_t id = plugin.GetInputDeviceId("Cam");
            EXPECT_TRUE(id == 0 || id == camera) << id;
            EXPECT_LE(plugin.GetNumInputModes(), 1u);
            plugin.GetFirstInputModeName();
            double size = 0;
            if (d->ops->AcqInputDeviceQueryById(d, camera, "PIXEL SIZE", &size, 1) == 1) {
                EXPECT_EQ(size, 0.0074);
            }
        }
    });
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(plugin.FreeDeviceResources(), 0);
        EXPECT_EQ(plugin.InitializeDevice(config.c_str()), 1);
        EXPECT_EQ(plugin.SetCurrentInputDevice(camera), 1);
    }
    done.store(true);
    lister.join();
}

// Host threads that read, set, start and stop while another closes, opens, frees and
// initialises again: each call is refused or done, none crashes or hangs, and the device
// grabs the right pixels afterwards.
TEST_F(ConcurrencyTest, LifecycleCallsOnOneThreadWhileOthersReadSetAndAcquire) {
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    ASSERT_TRUE(Open(config));
    std::atomic<bool> done{false};
    auto reader = [&] {
        std::vector<uint8_t> out(kSide * kSide + 1);
        while (!done.load()) {
            for (uint32_t kind : {VIDRUNE_READ_LATEST, VIDRUNE_READ_BY_INDEX}) {
                ReadRequest request = RegionRead(kind, 0, 0, 0, kSide, kSide, out.data(), 5);
                EXPECT_LE(plugin.ReadDevice(&request), 1);
            }
            double width = 0;
            plugin.AcqDeviceQuery("WIDTH", &width);
            plugin.AcqInputModeQuery("WIDTH", &width);
        }
    };
    auto setter = [&] {
        for (int i = 0; !done.load(); ++i) {
            GraphicsCommand line = Graphics(1, 1, 1, 5, 5);
            plugin.AcqDeviceSet("GRAPHICS COMMAND", &line);
            EXPECT_LE(Set("TRIGGER LEVEL", 1 + i % 2), 1);
        }
    };
    auto acquirer = [&] {
        while (!done.load()) {
            EXPECT_LE(StartContinuous(), 1);
            EXPECT_LE(plugin.AcquireStop(), 1);
            EXPECT_LE(Acquire(2, false), 1);
        }
    };
    std::thread threads[] = {std::thread(reader), std::thread(setter), std::thread(acquirer)};
    // This thread's own calls succeed whatever the others' calls meet.
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(plugin.CloseDevice(), 0) << i;
        EXPECT_EQ(plugin.OpenDevice(), 0) << i;
        if (i % 10 == 0) {
            EXPECT_EQ(plugin.FreeDeviceResources(), 0) << i;
            ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1) << i;
            ASSERT_EQ(plugin.SetCurrentInputDevice(plugin.GetInputDeviceId("Cam")), 1) << i;
            EXPECT_EQ(plugin.OpenDevice(), 0) << i;
        }
    }
    done.store(true);
    for (std::thread& thread : threads)
        thread.join();

    ASSERT_EQ(plugin.AcquireStop(), 1);
    ASSERT_EQ(Acquire(2, true), 1) << plugin.AcqGetLastError();
    std::vector<uint8_t> frame;
    ASSERT_EQ(Read(VIDRUNE_READ_BY_INDEX, 1, 0, 0, 64, 48, frame), 1);
    EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, 1), "");
}

} // namespace vidrune::test
