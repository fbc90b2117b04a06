// A sweep of bad calls over the 29 exports and the device table: null pointers, overlong
// names, unknown identifiers, calls out of order and absurd request fields. Each row runs
// in a fresh process from the state it names and checks the result, the error code where
// one is documented, and that afterwards the device still goes through a whole host
// cycle: stop, grab, read the right pixels, close, free, initialise, open and grab again.
#include "board/BoardHost.h"
#include "board/FrameCheck.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
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
    std::optional<uint32_t> error; // none where no code is documented
};

// Test names carry the row's name; the default would print the record's bytes.
void PrintTo(const BadCall& row, std::ostream* out) {
    *out << row.name;
}

constexpr uint32_t kWidth = 64;
constexpr uint32_t kHeight = 48;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

} // namespace

class SweepTest : public BoardHost, public ::testing::WithParamInterface<BadCall> {
public:
    // The rows call the exports directly.
    using BoardHost::Acquire;
    using BoardHost::Device;
    using BoardHost::plugin;
    using BoardHost::Start;

    // A read of the whole frame into memory of its size, with the fields given changed. A
    // refused read must leave that memory as it was.
    int64_t ReadWith(const std::function<void(ReadRequest&)>& change) {
        pixels_.assign(size_t{kWidth} * kHeight, 0xEE);
        ReadRequest request =
            RegionRead(VIDRUNE_READ_BY_INDEX, 0, 0, 0, kWidth, kHeight, pixels_.data(), 200);
        change(request);
        const int64_t result = plugin.ReadDevice(&request);
        if (result == 0 &&
            !std::all_of(pixels_.begin(), pixels_.end(), [](uint8_t b) { return b == 0xEE; }))
            ADD_FAILURE() << "a refused read wrote into the host's memory";
        return result;
    }

    int64_t SetNumber(const char* name, double value) { return plugin.AcqDeviceSet(name, &value); }

    std::string Config() const { return config_; }

protected:
    void SetUp() override {
        config_ = SlowConfig();
        ReachStage(GetParam().stage);
    }

    void ReachStage(Stage stage) {
        if (stage == Stage::Loaded)
            return;
        ASSERT_TRUE(Initialize(config_));
        if (stage == Stage::Initialised)
            return;
        ASSERT_EQ(plugin.OpenDevice(), 0);
        ASSERT_EQ(plugin.AcqGetLastError(), 0u);
        if (stage == Stage::Grabbed) {
            ASSERT_EQ(Acquire(2, true), 1);
        }
        if (stage == Stage::Counting) {
            ASSERT_EQ(Acquire(40, false), 1);
        }
        if (stage == Stage::Continuous) {
            ASSERT_EQ(StartContinuous(), 1);
        }
    }

    // Opens the device from whatever state a row left, as a host would go on.
    void Reopen() {
        VidruneDevice* device = Device();
        if (device->ops->GetOpenFlag(device) != 0)
            return;
        if (device->ops->GetInitFlag(device) == 0) {
            ASSERT_EQ(plugin.InitializeDevice(config_.c_str()), 1) << plugin.AcqGetLastError();
        }
        if (plugin.GetCurrentInputDevice() == 0) {
            ASSERT_EQ(plugin.SetCurrentInputDevice(plugin.GetInputDeviceId("Cam")), 1);
        }
        ASSERT_EQ(plugin.OpenDevice(), 0);
        ASSERT_EQ(plugin.AcqGetLastError(), 0u);
    }

    void GrabsNormally() {
        ASSERT_EQ(Acquire(2, true), 1) << plugin.AcqGetLastError();
        ASSERT_EQ(ReadWith([](ReadRequest& r) { r.index = 1; }), 1) << plugin.AcqGetLastError();
        EXPECT_EQ(CompareRegion(pixels_, FrameGeometry{}, 0, 0, kWidth, kHeight, 1), "");
    }

    void StillWorks() {
        EXPECT_EQ(plugin.AcquireStop(), 1)
            << "stop after the call, error " << plugin.AcqGetLastError();
        ASSERT_NO_FATAL_FAILURE(Reopen());
        ASSERT_NO_FATAL_FAILURE(GrabsNormally());
        EXPECT_EQ(plugin.CloseDevice(), 0);
        EXPECT_EQ(plugin.FreeDeviceResources(), 0);
        ASSERT_NO_FATAL_FAILURE(Reopen());
        ASSERT_NO_FATAL_FAILURE(GrabsNormally());
    }

private:
    std::string config_;
    std::vector<uint8_t> pixels_;
};

namespace {

// Rows: the call, then what it must give.
using S = SweepTest;
const std::string kEmpty;
const std::string kLong111(111, 'N');
const std::string kLong112(112, 'N');
const std::string kLong5000(5000, 'N');

int64_t QueryDevice(S& t, const char* name) {
    double value = 0;
    return t.plugin.AcqDeviceQuery(name, &value);
}
int64_t SetDevice(S& t, const char* name) {
    return t.SetNumber(name, 1);
}
int64_t SetCamera(S& t, const char* name) {
    double value = 1;
    return t.plugin.AcqInputDeviceSet(name, &value);
}
int64_t QueryMode(S& t, const char* name) {
    double value = 0;
    return t.plugin.AcqInputModeQuery(name, &value);
}
int64_t CameraId(S& t, const char* name) {
    return t.plugin.GetInputDeviceId(name);
}
int64_t ModeId(S& t, const char* name) {
    return t.plugin.GetInputModeId(name);
}

const std::pair<const char*, uint32_t> kReadKinds[] = {{"Current", VIDRUNE_READ_CURRENT},
                                                       {"ByIndex", VIDRUNE_READ_BY_INDEX},
                                                       {"Newest", VIDRUNE_READ_LATEST}};

Call Naming(int64_t (*call)(S&, const char*), const std::string& name) {
    return [call, &name](S& t) { return call(t, name.c_str()); };
}
Call Starting(uint32_t kind, int32_t frames, bool wait) {
    return [=](S& t) { return t.Start(kind, frames, wait); };
}
Call Reading(std::function<void(ReadRequest&)> change) {
    return [change](S& t) { return t.ReadWith(change); };
}

// Rows that differ only in the region read or the number set.
void AddTables(std::vector<BadCall>& rows) {
    // Regions outside the frame and copies without memory, for every read kind: refused
    // before anything is copied.
    struct Region {
        const char* name;
        uint32_t x, y, width, height;
    };
    const Region regions[] = {
        {"OnePastTheRight", 1, 0, kWidth, kHeight},
        {"OnePastTheBottom", 0, 1, kWidth, kHeight},
        {"NegativeX", 0xFFFFFFFF, 0, 8, 8},
        {"NegativeY", 0, 0xFFFFFFF0, 8, 8},
        {"HugeWidth", 0, 0, 0xFFFFFFFF, 1},
        {"HugeHeight", 0, 0, 1, 0x7FFFFFFF},
        {"OverflowingX", 0x80000000, 0, 0x80000000, 1},
        {"OverflowingY", 0, 0xFFFFFFFF, 1, 2},
        {"ZeroWidth", 0, 0, 0, 8},
        {"ZeroHeight", 0, 0, 8, 0},
    };
    for (const auto& [kindName, kind] : kReadKinds) {
        rows.push_back({std::string("ReadIntoNullData") + kindName, Stage::Grabbed,
                        [kind = kind](S& t) {
                            return t.ReadWith([&](ReadRequest& r) {
                                r.kind = kind;
                                r.data = nullptr;
                            });
                        },
                        0, 12u});
        for (const Region& region : regions)
            rows.push_back({std::string("Region") + region.name + kindName, Stage::Grabbed,
                            [region, kind = kind](S& t) {
                                return t.ReadWith([&](ReadRequest& r) {
                                    r.kind = kind;
                                    r.x = region.x;
                                    r.y = region.y;
                                    r.width = region.width;
                                    r.height = region.height;
                                });
                            },
                            0, 12u});
    }

    // Numbers a setting cannot hold: refused with 12. Shutter times and the trigger
    // settings have ranges of their own; of these only what is not a number is theirs.
    const std::pair<const char*, double> values[] = {
        {"Zero", 0},   {"MinusOne", -1},        {"Billion", 1e9},
        {"NaN", kNaN}, {"Infinity", kInfinity}, {"MinusInfinity", -kInfinity}};
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
            rows.push_back({name, Stage::Open,
                            [attribute = attribute, value = value](S& t) {
                                return t.SetNumber(attribute, value);
                            },
                            0, 12u});
        }
}

std::vector<BadCall> Rows() {
    std::vector<BadCall> rows = {
        // Null pointers: refused, nothing touched.
        {"NullArguments", Stage::Open,
         [](S& t) {
             double value = 0;
             return t.plugin.AcqDeviceQuery(nullptr, &value) +
                    t.plugin.AcqDeviceQuery("WIDTH", nullptr) +
                    t.plugin.AcqDeviceSet(nullptr, &value) +
                    t.plugin.AcqDeviceSet("WIDTH", nullptr) +
                    t.plugin.AcqInputDeviceQuery(nullptr, &value) +
                    t.plugin.AcqInputDeviceSet("NAME", nullptr) +
                    t.plugin.AcqInputModeQuery("NAME", nullptr) +
                    t.plugin.AcqInputModeSet(nullptr, &value) + t.plugin.GetInputDeviceId(nullptr) +
                    t.plugin.GetInputModeId(nullptr) + t.plugin.AcquireStart(nullptr) +
                    t.plugin.ReadDevice(nullptr);
         },
         0, 0u},
        {"NullInitialisePath", Stage::Loaded,
         [](S& t) { return t.plugin.InitializeDevice(nullptr); }, 0, 0u},
        {"NullNamesThroughTheDeviceTable", Stage::Open,
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
        {"Path5000Initialise", Stage::Loaded,
         [](S& t) { return t.plugin.InitializeDevice(kLong5000.c_str()); }, 0, std::nullopt},
        {"EmptyPathInitialise", Stage::Loaded, [](S& t) { return t.plugin.InitializeDevice(""); },
         0, std::nullopt},

        // Unknown identifiers: refused, the choice stays.
        {"UnknownCamera", Stage::Initialised,
         [](S& t) {
             const uint32_t before = t.plugin.GetCurrentInputDevice();
             const int64_t results = t.plugin.SetCurrentInputDevice(0) +
                                     t.plugin.SetCurrentInputDevice(0x10105) +
                                     t.plugin.SetCurrentInputDevice(0xFFFFFFFF);
             return t.plugin.GetCurrentInputDevice() == before ? results : -1;
         },
         0, std::nullopt},
        {"UnknownMode", Stage::Initialised,
         [](S& t) {
             const uint32_t before = t.plugin.GetCurrentInputMode();
             const int64_t results = t.plugin.SetCurrentInputMode(0) +
                                     t.plugin.SetCurrentInputMode(0x101FF) +
                                     t.plugin.SetCurrentInputMode(0xFFFFFFFF);
             return t.plugin.GetCurrentInputMode() == before ? results : -1;
         },
         0, std::nullopt},
        {"UnknownIdsThroughTheDeviceTable", Stage::Open,
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
        {"ReadBeforeInitialise", Stage::Loaded,
         [](S& t) { return t.ReadWith([](ReadRequest&) {}); }, 0, 7u},
        {"ReadBeforeOpen", Stage::Initialised, [](S& t) { return t.ReadWith([](ReadRequest&) {}); },
         0, 7u},
        {"StopBeforeInitialise", Stage::Loaded, [](S& t) { return t.plugin.AcquireStop(); }, 1, 0u},
        {"SetBeforeOpen", Stage::Initialised, [](S& t) { return t.SetNumber("WIDTH", 32); }, 0, 6u},
        {"OpenBeforeInitialise", Stage::Loaded, [](S& t) { return t.plugin.OpenDevice(); }, 22,
         22u},
        {"OpenTwice", Stage::Open, [](S& t) { return t.plugin.OpenDevice(); }, 1, 1u},
        {"InitialiseTwice", Stage::Open,
         [](S& t) { return t.plugin.InitializeDevice(t.Config().c_str()); }, 1, 0u},
        {"InitialiseAgainWithAnotherFolder", Stage::Initialised,
         [](S& t) {
             vidrune::test::SimBoardFiles other;
             SimMode mode;
             mode.controlFile = "other.cam";
             SimCamera camera;
             camera.file = "other.cam";
             return t.plugin.InitializeDevice(other.WriteSingle(camera, mode).c_str());
         },
         1, 0u},
        {"CloseTwice", Stage::Open,
         [](S& t) { return t.plugin.CloseDevice() + t.plugin.CloseDevice(); }, 0, 0u},
        {"FreeTwice", Stage::Open,
         [](S& t) { return t.plugin.FreeDeviceResources() + t.plugin.FreeDeviceResources(); }, 0,
         std::nullopt},
        {"FreeBeforeInitialise", Stage::Loaded, [](S& t) { return t.plugin.FreeDeviceResources(); },
         0, std::nullopt},
        {"ChooseCameraWhileOpen", Stage::Open,
         [](S& t) { return t.plugin.SetCurrentInputDevice(t.plugin.GetCurrentInputDevice()); }, 0,
         1u},
        {"ChooseModeWhileOpen", Stage::Open,
         [](S& t) { return t.plugin.SetCurrentInputMode(t.plugin.GetCurrentInputMode()); }, 0, 1u},
        {"StopTwiceDuringCounted", Stage::Counting,
         [](S& t) { return t.plugin.AcquireStop() + t.plugin.AcquireStop(); }, 2, 19u},
        {"StopTwiceDuringContinuous", Stage::Continuous,
         [](S& t) { return t.plugin.AcquireStop() + t.plugin.AcquireStop(); }, 2, 0u},
        {"CloseDuringCounted", Stage::Counting, [](S& t) { return t.plugin.CloseDevice(); }, 0,
         std::nullopt},
        {"CloseDuringContinuous", Stage::Continuous, [](S& t) { return t.plugin.CloseDevice(); }, 0,
         std::nullopt},
        {"FreeDuringCounted", Stage::Counting, [](S& t) { return t.plugin.FreeDeviceResources(); },
         0, std::nullopt},
        {"FreeDuringContinuous", Stage::Continuous,
         [](S& t) { return t.plugin.FreeDeviceResources(); }, 0, std::nullopt},
        {"InitialiseDuringCounted", Stage::Counting,
         [](S& t) { return t.plugin.InitializeDevice(t.Config().c_str()); }, 1, std::nullopt},
        {"FreeUnderALiveThreadOfAClosedDevice", Stage::Continuous,
         [](S& t) {
             VidruneDevice* d = t.Device();
             d->ops->SetOpenFlag(d, 0);
             return t.plugin.FreeDeviceResources();
         },
         0, std::nullopt},
        {"ReadyFlagForcedBeforeOpenThenRead", Stage::Initialised,
         [](S& t) {
             VidruneDevice* d = t.Device();
             d->ops->SetReadyFlag(d, 1);
             const int64_t read = t.ReadWith([](ReadRequest& r) { r.kind = VIDRUNE_READ_LATEST; });
             d->ops->SetReadyFlag(d, 0);
             return read;
         },
         0, std::nullopt},
        {"ReadyFlagForcedBeforeOpenThenStart", Stage::Initialised,
         [](S& t) {
             VidruneDevice* d = t.Device();
             d->ops->SetReadyFlag(d, 1);
             const int64_t started = t.Acquire(1, true);
             d->ops->SetReadyFlag(d, 0);
             return started;
         },
         0, std::nullopt},
        // Names of 0, 111, 112 and 5,000 characters: unknown, never overrun.
        {"EmptyNameQuery", Stage::Open, Naming(QueryDevice, kEmpty), 0, 0u},
        {"EmptyNameSet", Stage::Open, Naming(SetDevice, kEmpty), 0, 12u},
        {"Name111Query", Stage::Open, Naming(QueryDevice, kLong111), 0, 0u},
        {"Name111Set", Stage::Open, Naming(SetDevice, kLong111), 0, 12u},
        {"Name112Query", Stage::Open, Naming(QueryDevice, kLong112), 0, 0u},
        {"Name112Set", Stage::Open, Naming(SetDevice, kLong112), 0, 12u},
        {"Name5000Query", Stage::Open, Naming(QueryDevice, kLong5000), 0, 0u},
        {"Name5000Set", Stage::Open, Naming(SetDevice, kLong5000), 0, 12u},
        {"Name5000CameraSet", Stage::Open, Naming(SetCamera, kLong5000), 0, 0u},
        {"Name5000ModeQuery", Stage::Open, Naming(QueryMode, kLong5000), 0, 0u},
        {"Name5000CameraId", Stage::Initialised, Naming(CameraId, kLong5000), 0, 0u},
        {"Name5000ModeId", Stage::Initialised, Naming(ModeId, kLong5000), 0, 0u},

        // Absurd acquisition requests: refused, nothing started, nothing changed.
        {"StartBeforeInitialise", Stage::Loaded, Starting(VIDRUNE_ACQUIRE_NORMAL, 1, true), 0, 7u},
        {"StartBeforeOpen", Stage::Initialised, Starting(VIDRUNE_ACQUIRE_NORMAL, 1, true), 0, 7u},
        {"ContinuousBeforeOpen", Stage::Initialised, Starting(VIDRUNE_ACQUIRE_CONTINUOUS, 0, false),
         0, 7u},
        {"KindZero", Stage::Open, Starting(0, 1, true), 0, 26u},
        {"KindThree", Stage::Open, Starting(3, 1, true), 0, 26u},
        {"KindFive", Stage::Open, Starting(5, 1, true), 0, 26u},
        {"KindAllOnes", Stage::Counting, Starting(0xFFFFFFFF, 1, true), 0, 26u},
        {"CountZero", Stage::Open, Starting(VIDRUNE_ACQUIRE_NORMAL, 0, false), 0, 12u},
        {"CountMinusOne", Stage::Open, Starting(VIDRUNE_ACQUIRE_NORMAL, -1, true), 0, 12u},
        {"CountIntMin", Stage::Open, Starting(VIDRUNE_ACQUIRE_NORMAL, INT_MIN, false), 0, 12u},
        {"CountIntMaxWaiting", Stage::Open, Starting(VIDRUNE_ACQUIRE_NORMAL, INT_MAX, true), 0,
         12u},
        {"CountAboveTheRingWaiting", Stage::Open, Starting(VIDRUNE_ACQUIRE_NORMAL, 5, true), 0,
         12u},
        // Runs until stopped: a host may ask for more frames than it will ever read.
        {"CountIntMaxRunning", Stage::Open, Starting(VIDRUNE_ACQUIRE_NORMAL, INT_MAX, false), 1,
         0u},

        // Absurd read requests after a grab of two frames.
        {"ReadKindZero", Stage::Grabbed, Reading([](ReadRequest& r) { r.kind = 0; }), 0, 26u},
        {"ReadKindOne", Stage::Grabbed, Reading([](ReadRequest& r) { r.kind = 1; }), 0, 0u},
        {"ReadKindFive", Stage::Grabbed, Reading([](ReadRequest& r) { r.kind = 5; }), 0, 26u},
        {"ReadKindAllOnes", Stage::Grabbed, Reading([](ReadRequest& r) { r.kind = 0xFFFFFFFF; }), 0,
         26u},
        {"IndexMinusOne", Stage::Grabbed, Reading([](ReadRequest& r) { r.index = -1; }), 0, 12u},
        {"IndexIntMin", Stage::Grabbed, Reading([](ReadRequest& r) { r.index = INT_MIN; }), 0, 12u},
        {"IndexBeyondTheAcquisition", Stage::Grabbed, Reading([](ReadRequest& r) { r.index = 5; }),
         0, 12u},
        {"IndexIntMax", Stage::Grabbed, Reading([](ReadRequest& r) { r.index = INT_MAX; }), 0, 12u},
        {"TimeoutMinusOne", Stage::Grabbed, Reading([](ReadRequest& r) { r.timeoutMs = -1; }), 0,
         12u},
        {"TimeoutIntMin", Stage::Grabbed, Reading([](ReadRequest& r) { r.timeoutMs = INT_MIN; }), 0,
         12u},
        {"NewestBeforeAnyFrame", Stage::Open,
         Reading([](ReadRequest& r) { r.kind = VIDRUNE_READ_LATEST; }), 0, 16u},
    };
    AddTables(rows);
    return rows;
}

std::string RowName(const ::testing::TestParamInfo<BadCall>& info) {
    return info.param.name;
}

} // namespace

TEST_P(SweepTest, RefusedWithItsCodeAndTheDeviceStillWorks) {
    const BadCall& row = GetParam();
    EXPECT_EQ(row.call(*this), row.result);
    if (row.error) {
        EXPECT_EQ(plugin.AcqGetLastError(), *row.error);
    }
    StillWorks();
}

INSTANTIATE_TEST_SUITE_P(BadCalls, SweepTest, ::testing::ValuesIn(Rows()), RowName);

} // namespace vidrune::test
