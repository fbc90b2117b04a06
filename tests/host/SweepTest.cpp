// A sweep of bad calls over the 29 exports and the device table: null pointers, overlong
// names, unknown identifiers, calls out of order and absurd request fields. Each row runs
// in a fresh process from the state it names and checks the result, the error code where
// one is documented, and that afterwards the device still goes through a whole host
// cycle: stop, grab, read the right pixels, close, free, initialise, open and grab again.
#include "board/BoardHost.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vidrune::test {

class SweepTest;

namespace {

// Where a row starts.
enum class Stage {
    Loaded,      // the library loaded, nothing called
    Initialised, // camera and mode chosen, not open
    Open,        // open, no frame grabbed yet
    Grabbed,     // open, a waiting two-frame acquisition done
    Counting,    // a counted acquisition running (two seconds' worth of frames)
    Continuous,  // a continuous acquisition running
};

using Call = std::function<int64_t(SweepTest&)>;

struct BadCall {
    std::string name;
    Stage stage;
    Call call;
    int64_t result;
    std::optional<uint32_t> error; // kAny where no code is documented
};

constexpr std::nullopt_t kAny = std::nullopt;

// ctest prints each row by its name instead of its bytes.
void PrintTo(const BadCall& row, std::ostream* out) {
    *out << row.name;
}

constexpr uint32_t kWidth = 64;
constexpr uint32_t kHeight = 48;

} // namespace

class SweepTest : public BoardHost, public ::testing::WithParamInterface<BadCall> {
public:
    std::string config;

protected:
    // Brings the device to the row's stage.
    void SetUp() override {
        config = SlowConfig();
        const Stage stage = GetParam().stage;
        if (stage == Stage::Loaded)
            return;
        ASSERT_TRUE(stage == Stage::Initialised ? Initialize(config) : Open(config));
        const int started = stage == Stage::Grabbed      ? Acquire(2, true)
                            : stage == Stage::Counting   ? Acquire(40, false)
                            : stage == Stage::Continuous ? StartContinuous()
                                                         : 1;
        ASSERT_EQ(started, 1);
    }

    // Opens the device from whatever state a row left, as a host would go on: only what
    // the row undid is done again, so that a state it broke is not repaired unseen.
    void Reopen() {
        VidruneDevice* device = Device();
        if (device->ops->GetOpenFlag(device) != 0)
            return;
        if (device->ops->GetInitFlag(device) == 0) {
            ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1) << plugin.AcqGetLastError();
        }
        if (plugin.GetCurrentInputDevice() == 0) {
            ASSERT_EQ(plugin.SetCurrentInputDevice(plugin.GetInputDeviceId("Cam")), 1);
        }
        ASSERT_EQ(plugin.OpenDevice(), 0);
        ASSERT_EQ(plugin.AcqGetLastError(), 0u);
    }
};

namespace {

// Rows: the call, then what it must give.
using S = SweepTest;
const std::string kLong5000(5000, 'N');

using P = PluginLibrary;

// A query or set export called with a number.
template <auto Export>
Call Numbered(const std::string& name, double value = 1) {
    return [=](S& t) {
        double number = value;
        return (t.plugin.*Export)(name.c_str(), &number);
    };
}

// An export that takes a name or a path, called with it.
template <auto Export>
Call Named(const char* name) {
    return [=](S& t) { return (t.plugin.*Export)(name); };
}

// An export without arguments, called the given number of times in a row.
template <auto Export>
Call Calling(int times = 1) {
    return [times](S& t) {
        int64_t sum = 0;
        for (int i = 0; i < times; ++i)
            sum += (t.plugin.*Export)();
        return sum;
    };
}

Call Starting(uint32_t kind, int32_t frames, bool wait) {
    return [=](S& t) { return t.Start(kind, frames, wait); };
}
// A copying read into memory of the whole frame's size, or into none where noMemory is set.
// A refused read must leave that memory as it was.
Call Reading(ReadRequest request, bool noMemory = false) {
    return [=](S& t) mutable {
        std::vector<uint8_t> pixels(size_t{kWidth} * kHeight, 0xEE);
        request.data = noMemory ? nullptr : pixels.data();
        request.copyFlag = 1;
        const int64_t result = t.plugin.ReadDevice(&request);
        if (result == 0 && std::ranges::count(pixels, 0xEE) != std::ssize(pixels))
            ADD_FAILURE() << "a refused read wrote into the host's memory";
        return result;
    };
}

// A whole-frame read of the given kind, index and time-out.
Call Reading(uint32_t kind, int32_t index = 0, int32_t timeoutMs = 200) {
    return Reading(RegionRead(kind, index, 0, 0, kWidth, kHeight, nullptr, timeoutMs));
}
// The call with the ready flag forced on, as a host may through the device table.
Call WithReadyFlagForced(Call call) {
    return [call](S& t) {
        VidruneDevice* d = t.Device();
        d->ops->SetReadyFlag(d, 1);
        const int64_t result = call(t);
        d->ops->SetReadyFlag(d, 0);
        return result;
    };
}

// A read by index of the given region; without memory where noMemory is set.
Call ReadingRegion(uint32_t x, uint32_t y, uint32_t width, uint32_t height, bool noMemory = false) {
    return Reading(RegionRead(VIDRUNE_READ_BY_INDEX, 0, x, y, width, height), noMemory);
}

// Rows that differ only in the name or the number set.
void AddTables(std::vector<BadCall>& rows) {
    using enum Stage;
    // Names of 0, 111, 112 and 5,000 characters: unknown, never overrun.
    for (const size_t length : {0, 111, 112, 5000}) {
        const std::string name(length, 'N');
        const std::string row = "Name" + std::to_string(length);
        rows.push_back({row + "Query", Open, Numbered<&P::AcqDeviceQuery>(name), 0, 0u});
        rows.push_back({row + "Set", Open, Numbered<&P::AcqDeviceSet>(name), 0, 12u});
    }

    // Numbers a setting cannot hold: refused with 12. Shutter times and the trigger
    // settings have ranges of their own; of these only what is not a number is theirs.
    const std::pair<const char*, double> values[] = {
        {"Zero", 0},           {"MinusOne", -1},       {"Billion", 1e9},
        {"NaN", std::nan("")}, {"Infinity", HUGE_VAL}, {"MinusInfinity", -HUGE_VAL}};
    const std::pair<const char*, bool> attributes[] = {
        {"DATA SCALE", true},   {"X DATA SCALE", true},  {"Y DATA SCALE", true},
        {"WIDTH", true},        {"HEIGHT", true},        {"DATA SKIP", true},
        {"MAN SHUTTER", false}, {"TRIGGER MODE", false}, {"TRIGGER LEVEL", false}};
    for (const auto& [attribute, finiteRefused] : attributes)
        for (const auto& [valueName, value] : values) {
            if (!finiteRefused && std::isfinite(value))
                continue;
            std::string name = std::string("Set") + attribute + valueName;
            std::erase(name, ' ');
            rows.push_back({name, Open, Numbered<&P::AcqDeviceSet>(attribute, value), 0, 12u});
        }
}

std::vector<BadCall> Rows() {
    using enum Stage;
    const Call initialiseAgain = [](S& t) { return t.plugin.InitializeDevice(t.config.c_str()); };
    std::vector<BadCall> rows = {
        // Null pointers: refused, nothing touched.
        {"NullArguments", Open,
         [](S& t) {
             PluginLibrary& p = t.plugin;
             double value = 0;
             return p.AcqDeviceQuery(nullptr, &value) + p.AcqDeviceQuery("WIDTH", nullptr) +
                    p.AcqDeviceSet(nullptr, &value) + p.AcqDeviceSet("WIDTH", nullptr) +
                    p.AcqInputDeviceQuery(nullptr, &value) + p.AcqInputDeviceSet("NAME", nullptr) +
                    p.AcqInputModeQuery("NAME", nullptr) + p.AcqInputModeSet(nullptr, &value) +
                    p.GetInputDeviceId(nullptr) + p.GetInputModeId(nullptr) +
                    p.AcquireStart(nullptr) + p.ReadDevice(nullptr);
         },
         0, 0u},
        {"NullInitialisePath", Loaded, Named<&P::InitializeDevice>(nullptr), 0, 0u},
        {"NullNamesThroughTheDeviceTable", Open,
         [](S& t) {
             VidruneDevice* d = t.Device();
             double value = 0;
             char translated[112];
             const uint32_t camera = t.plugin.GetCurrentInputDevice();
             const uint32_t mode = t.plugin.GetCurrentInputMode();
             return int64_t{d->ops->AcqDeviceQuery(d, nullptr, &value, 1)} +
                    d->ops->AcqInputDeviceQueryById(d, camera, nullptr, &value, 1) +
                    d->ops->AcqInputDeviceSetById(d, camera, "NAME", nullptr, 1) +
                    d->ops->AcqInputModeQueryById(d, camera, mode, nullptr, &value, 1) +
                    d->ops->AcqInputModeSetById(d, camera, mode, nullptr, &value, 1) +
                    d->ops->TranslateAttributeName(d, camera, nullptr, translated, 1) +
                    d->ops->InitializeDevice(d, nullptr) + d->ops->LoadInputDevices(d, nullptr) +
                    d->ops->AcquireStart(d, nullptr) + d->ops->ReadDevice(d, nullptr);
         },
         0, 0u},
        {"Path5000Initialise", Loaded, Named<&P::InitializeDevice>(kLong5000.c_str()), 0, kAny},
        {"EmptyPathInitialise", Loaded, Named<&P::InitializeDevice>(""), 0, kAny},
        {"Name5000CameraSet", Open, Numbered<&P::AcqInputDeviceSet>(kLong5000), 0, 0u},
        {"Name5000ModeQuery", Open, Numbered<&P::AcqInputModeQuery>(kLong5000), 0, 0u},
        {"Name5000CameraId", Initialised, Named<&P::GetInputDeviceId>(kLong5000.c_str()), 0, 0u},
        {"Name5000ModeId", Initialised, Named<&P::GetInputModeId>(kLong5000.c_str()), 0, 0u},

        // Unknown identifiers: refused, the choice stays.
        {"UnknownCameraAndMode", Initialised,
         [](S& t) {
             const uint32_t camera = t.plugin.GetCurrentInputDevice();
             const uint32_t mode = t.plugin.GetCurrentInputMode();
             int64_t results = 0;
             for (const uint32_t id : {0u, 0x10105u, 0x101FFu, 0xFFFFFFFFu})
                 results += t.plugin.SetCurrentInputDevice(id) + t.plugin.SetCurrentInputMode(id);
             const bool kept = t.plugin.GetCurrentInputDevice() == camera &&
                               t.plugin.GetCurrentInputMode() == mode;
             return kept ? results : -1;
         },
         0, kAny},
        {"UnknownIdsThroughTheDeviceTable", Open,
         [](S& t) {
             VidruneDevice* d = t.Device();
             double value = 0;
             return int64_t{d->ops->AcqInputDeviceQueryById(d, 0xFFFFFFFF, "NAME", &value, 1)} +
                    d->ops->AcqInputDeviceSetById(d, 0, "NAME", &value, 1) +
                    d->ops->AcqInputModeQueryById(d, 0x10100, 0xFFFFFFFF, "NAME", &value, 1) +
                    d->ops->AcqInputModeSetById(d, 0xFFFFFFFF, 0, "NAME", &value, 1);
         },
         0, 0u},

        // Calls out of order.
        {"ReadBeforeOpen", Initialised, Reading(VIDRUNE_READ_BY_INDEX), 0, 7u},
        {"StopBeforeInitialise", Loaded, Calling<&P::AcquireStop>(), 1, 0u},
        {"SetBeforeOpen", Initialised, Numbered<&P::AcqDeviceSet>("WIDTH", 32), 0, 6u},
        {"OpenBeforeInitialise", Loaded, Calling<&P::OpenDevice>(), 22, 22u},
        {"OpenTwice", Open, Calling<&P::OpenDevice>(), 1, 1u},
        {"InitialiseTwice", Open, initialiseAgain, 1, 0u},
        {"CloseTwice", Open, Calling<&P::CloseDevice>(2), 0, 0u},
        {"FreeTwice", Open, Calling<&P::FreeDeviceResources>(2), 0, kAny},
        {"FreeBeforeInitialise", Loaded, Calling<&P::FreeDeviceResources>(), 0, kAny},
        {"ChooseCameraWhileOpen", Open,
         [](S& t) { return t.plugin.SetCurrentInputDevice(t.plugin.GetCurrentInputDevice()); }, 0,
         1u},
        {"ChooseModeWhileOpen", Open,
         [](S& t) { return t.plugin.SetCurrentInputMode(t.plugin.GetCurrentInputMode()); }, 0, 1u},
        {"StopTwiceDuringCounted", Counting, Calling<&P::AcquireStop>(2), 2, 19u},
        {"StopTwiceDuringContinuous", Continuous, Calling<&P::AcquireStop>(2), 2, 0u},
        {"CloseDuringCounted", Counting, Calling<&P::CloseDevice>(), 0, kAny},
        {"FreeDuringContinuous", Continuous, Calling<&P::FreeDeviceResources>(), 0, kAny},
        {"InitialiseDuringCounted", Counting, initialiseAgain, 1, kAny},
        {"FreeUnderALiveThreadOfAClosedDevice", Continuous,
         [](S& t) {
             VidruneDevice* d = t.Device();
             d->ops->SetOpenFlag(d, 0);
             return t.plugin.FreeDeviceResources();
         },
         0, kAny},
        // Not open, though the ready flag says so: refused all the same.
        {"ReadyFlagForcedBeforeOpenThenRead", Initialised,
         WithReadyFlagForced(Reading(VIDRUNE_READ_LATEST)), 0, 7u},
        {"ReadyFlagForcedBeforeOpenThenStart", Initialised,
         WithReadyFlagForced(Starting(VIDRUNE_ACQUIRE_NORMAL, 1, true)), 0, 7u},
        {"ReadyFlagForcedBeforeOpenThenContinuous", Initialised,
         WithReadyFlagForced(Starting(VIDRUNE_ACQUIRE_CONTINUOUS, 0, false)), 0, 7u},

        // Absurd acquisition requests: refused, nothing started, nothing changed.
        {"KindZero", Open, Starting(0, 1, true), 0, 26u},
        {"KindAllOnes", Counting, Starting(0xFFFFFFFF, 1, true), 0, 26u},
        {"CountZero", Open, Starting(VIDRUNE_ACQUIRE_NORMAL, 0, false), 0, 12u},
        {"CountAboveTheRingWaiting", Open, Starting(VIDRUNE_ACQUIRE_NORMAL, 5, true), 0, 12u},
        // Runs until stopped: a host may ask for more frames than it will ever read.
        {"CountIntMaxRunning", Open, Starting(VIDRUNE_ACQUIRE_NORMAL, INT_MAX, false), 1, 0u},

        // Absurd read requests after a grab of two frames.
        {"ReadKindZero", Grabbed, Reading(0), 0, 26u},
        {"ReadKindOne", Grabbed, Reading(1), 0, 0u},
        {"ReadKindAllOnes", Grabbed, Reading(0xFFFFFFFF), 0, 26u},
        {"IndexMinusOne", Grabbed, Reading(VIDRUNE_READ_BY_INDEX, -1), 0, 12u},
        {"IndexBeyondTheAcquisition", Grabbed, Reading(VIDRUNE_READ_BY_INDEX, 5), 0, 12u},
        {"TimeoutMinusOne", Grabbed, Reading(VIDRUNE_READ_BY_INDEX, 0, -1), 0, 12u},
        {"NewestBeforeAnyFrame", Open, Reading(VIDRUNE_READ_LATEST), 0, 16u},
        // Regions outside the frame and copies without memory: refused before anything is
        // copied.
        {"RegionIntoNullData", Grabbed, ReadingRegion(0, 0, kWidth, kHeight, true), 0, 12u},
        {"RegionOnePastTheRight", Grabbed, ReadingRegion(1, 0, kWidth, kHeight), 0, 12u},
        {"RegionOnePastTheBottom", Grabbed, ReadingRegion(0, 1, kWidth, kHeight), 0, 12u},
        {"RegionOverflowingX", Grabbed, ReadingRegion(0x80000000, 0, 0x80000000, 1), 0, 12u},
        {"RegionOverflowingY", Grabbed, ReadingRegion(0, 0xFFFFFFFF, 1, 2), 0, 12u},
        {"RegionZeroWidth", Grabbed, ReadingRegion(0, 0, 0, 8), 0, 12u},
        {"RegionZeroHeight", Grabbed, ReadingRegion(0, 0, 8, 0), 0, 12u},
    };
    AddTables(rows);
    return rows;
}

} // namespace

TEST_P(SweepTest, RefusedWithItsCodeAndTheDeviceStillWorks) {
    const BadCall& row = GetParam();
    EXPECT_EQ(row.call(*this), row.result);
    if (row.error) {
        EXPECT_EQ(plugin.AcqGetLastError(), *row.error);
    }
    // And the device still goes through a whole host cycle.
    EXPECT_EQ(plugin.AcquireStop(), 1) << "stop after the call, error " << plugin.AcqGetLastError();
    ASSERT_NO_FATAL_FAILURE(Reopen());
    ASSERT_NO_FATAL_FAILURE(GrabsTheRightPixels());
    EXPECT_EQ(plugin.CloseDevice(), 0);
    EXPECT_EQ(plugin.FreeDeviceResources(), 0);
    ASSERT_NO_FATAL_FAILURE(Reopen());
    GrabsTheRightPixels();
}

INSTANTIATE_TEST_SUITE_P(BadCalls, SweepTest, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return info.param.name; });

} // namespace vidrune::test
