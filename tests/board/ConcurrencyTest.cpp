// Host threads, the live display, geometry changes and new initialisations at once: every
// read is a whole frame of one geometry or a refusal, and none crashes or hangs.
#include "BoardHost.h"
#include "platform/Clock.h"
#include "support/Scheduling.h"

#include <atomic>
#include <functional>
#include <random>
#include <thread>

namespace vidrune::test {

using vidrune::platform::Clock;

namespace {

constexpr uint32_t kSide = 8;

// True when the 8 x 8 region at the origin is camera frame n of one of the geometries the
// setter can choose, for some n, and nothing was written past it.
bool IsWholeFrameOfOneGeometry(const std::vector<uint8_t>& data) {
    for (uint32_t left : {0u, 8u})
        for (uint32_t top : {0u, 8u})
            for (uint32_t xs : {1u, 2u})
                for (uint32_t ys : {1u, 2u})
                    for (uint32_t n = 0; n < 51; ++n) // the pattern repeats after 51 frames
                        if (CompareRegion(data, {left, top, xs, ys}, 0, 0, kSide, kSide, n).empty())
                            return true;
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

// Host threads that list, read, set, start and stop while another closes, opens, frees and
// initialises again: each call is refused or done, none crashes or hangs, a lister sees the
// old list or the new one, never a list being replaced, and the device grabs the right
// pixels afterwards.
TEST_F(ConcurrencyTest, LifecycleCallsOnOneThreadWhileOthersListReadSetAndAcquire) {
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    const int processThreads = ThreadsInThisProcess();
    ASSERT_TRUE(Open(config));
    const uint32_t camera = plugin.GetInputDeviceId("Cam");
    // A name the host was given stays readable across one new initialisation.
    const char* kept = plugin.GetFirstInputDeviceName();
    ASSERT_EQ(plugin.FreeDeviceResources(), 0);
    ASSERT_TRUE(Open(config));
    EXPECT_STREQ(kept, "Cam");
    std::atomic<bool> done{false};
    auto lister = [&] {
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
    };
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
    std::thread threads[] = {std::thread(lister), std::thread(reader), std::thread(setter),
                             std::thread(acquirer)};
    // This thread's own calls succeed whatever the others' calls meet. A failed assertion
    // leaves the loop only: the threads are stopped and joined whatever happens.
    [&] {
        for (int i = 0; i < 100; ++i) {
            EXPECT_EQ(plugin.CloseDevice(), 0) << i;
            EXPECT_EQ(plugin.OpenDevice(), 0) << i;
            if (i % 2 == 0) {
                EXPECT_EQ(plugin.FreeDeviceResources(), 0) << i;
                ASSERT_TRUE(Initialize(config, "Cam")) << i;
                EXPECT_EQ(plugin.OpenDevice(), 0) << i;
            }
        }
    }();
    done.store(true);
    for (std::thread& thread : threads)
        thread.join();

    ASSERT_EQ(plugin.AcquireStop(), 1);
    GrabsTheRightPixels();
    // Every free on the way ended the threads of the device it freed.
    EXPECT_EQ(plugin.FreeDeviceResources(), 0);
    EXPECT_LE(ThreadsOnceSettled(processThreads), processThreads);
}

// Every kind of host call, from four threads in a random order: cameras and modes chosen,
// camera- and mode-level sets, overlay and display commands, saves, reads that hand the
// frame to the display, opens, closes and new initialisations. None may crash or hang,
// and the device grabs the right pixels afterwards.
TEST_F(ConcurrencyTest, EveryKindOfCallInRandomOrderFromFourThreads) {
    files.WriteCamera(SimCamera{});
    const std::string config = files.WriteConfig(
        SimBoardFiles::CameraSection("CAMERA1", "Cam") +
        SimBoardFiles::ModeSection("CAMERA1_MODE1", SimMode{}) +
        SimBoardFiles::ModeSection("CAMERA1_MODE2", SimMode{.name = "Half", .width = 32}) +
        SimBoardFiles::CameraSection("CAMERA2", "Other") +
        SimBoardFiles::ModeSection("CAMERA2_MODE1", SimMode{.name = "Quick", .frameRate = "500"}));
    const int processThreads = ThreadsInThisProcess();
    ASSERT_TRUE(Open(config));
    const std::string image = files.Dir().File("shown.tif");
    const char* names[] = {"WIDTH",         "HEIGHT",       "DATA SCALE",     "DATA SKIP",
                           "TRIGGER LEVEL", "DISPLAY MODE", "MAN SHUTTER US", "GRAB DATA BUFFERS",
                           "NAME",          "FRAMERATE",    "PIXEL SIZE",     "CAMERA"};
    using Call = std::function<void(std::mt19937&)>;
    auto any = [](std::mt19937& r, uint32_t n) { return static_cast<uint32_t>(r() % n); };
    auto name = [&](std::mt19937& r) { return names[any(r, std::size(names))]; };
    auto number = [&](std::mt19937& r) { return static_cast<double>(any(r, 70)) - 1; };
    // A device-, camera- or mode-level set of a number.
    auto setting = [&](decltype(PluginLibrary::AcqDeviceSet) PluginLibrary::*set) {
        return [&, set](std::mt19937& r) {
            double v = number(r);
            (plugin.*set)(name(r), &v);
        };
    };
    const Call calls[] = {
        [&](std::mt19937& r) {
            std::vector<uint8_t> out(64 * 48);
            ReadRequest read = RegionRead(2 + any(r, 3), any(r, 4), any(r, 40), any(r, 30),
                                          1 + any(r, 24), 1 + any(r, 18), out.data(), 5);
            read.liveDisplay = any(r, 2);
            EXPECT_LE(plugin.ReadDevice(&read), 1);
        },
        setting(&PluginLibrary::AcqDeviceSet),
        setting(&PluginLibrary::AcqInputDeviceSet),
        setting(&PluginLibrary::AcqInputModeSet),
        [&](std::mt19937& r) {
            char text[256];
            plugin.AcqDeviceQuery(name(r), text);
            plugin.AcqInputDeviceQuery(name(r), text);
            plugin.AcqInputModeQuery(name(r), text);
        },
        [&](std::mt19937& r) {
            plugin.SetCurrentInputDevice(plugin.GetInputDeviceId(any(r, 2) ? "Cam" : "Other"));
            const char* mode = plugin.GetFirstInputModeName();
            if (mode != nullptr && any(r, 2) == 0)
                Device()->ops->SetCurrentInputMode(Device(), plugin.GetInputModeId(mode));
        },
        [&](std::mt19937& r) {
            GraphicsCommand command = Graphics(1 + any(r, 10), any(r, 64), any(r, 48), 9, 9);
            command.displayMode = static_cast<int32_t>(any(r, 5));
            plugin.AcqDeviceSet("GRAPHICS COMMAND", &command);
            if (any(r, 20) == 0)
                plugin.AcqDeviceSet("SAVE DISPLAY IMAGE", const_cast<char*>(image.c_str()));
        },
        [&](std::mt19937& r) { EXPECT_LE(Start(1 + any(r, 2), 1 + any(r, 2), any(r, 2)), 1); },
        [&](std::mt19937&) { EXPECT_LE(plugin.AcquireStop(), 1); },
        [&](std::mt19937& r) { any(r, 3) == 0 ? plugin.CloseDevice() : plugin.OpenDevice(); },
        [&](std::mt19937& r) {
            if (any(r, 10) == 0 && plugin.FreeDeviceResources() == 0)
                plugin.InitializeDevice(config.c_str());
        },
    };
    auto worker = [&](uint32_t seed) {
        std::mt19937 random(seed);
        for (int i = 0; i < 500; ++i)
            calls[any(random, std::size(calls))](random);
    };
    std::thread threads[] = {std::thread(worker, 1), std::thread(worker, 2), std::thread(worker, 3),
                             std::thread(worker, 4)};
    for (std::thread& thread : threads)
        thread.join();

    plugin.AcquireStop();
    ASSERT_EQ(plugin.FreeDeviceResources(), 0);
    ASSERT_TRUE(Open(config, "Cam"));
    GrabsTheRightPixels();
    EXPECT_EQ(plugin.FreeDeviceResources(), 0);
    EXPECT_LE(ThreadsOnceSettled(processThreads), processThreads);
}

} // namespace vidrune::test
