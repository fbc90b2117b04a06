// Host calls in any order: each input is a run of up to 48 export calls with fuzzed
// arguments (identifiers, names, values, acquisition and read requests, overlay commands)
// on a configuration of three cameras, one of them turned and one of 12 bits, and saves of
// the shown image; some calls find the system refusing every new thread, or the board
// library refusing one of its operations. Each call must answer within its documented
// values. Afterwards an open device must grab the frame its attributes describe once the
// host sets its geometry as it stands, and after a free the device must start again and
// grab the board's pattern. With FUZZ_CALL_THREADS=2 in the environment the calls of each
// input are split between two host threads that run at once.
#include "FgSimControl.h"
#include "FuzzHost.h"
#include "support/LibraryOperations.h"
#include "support/Scheduling.h"
#include "support/ThreadRefusal.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using vidrune::test::Fail;
using vidrune::test::FuzzHost;
using vidrune::test::Numeric;

namespace {

constexpr int kMaxCalls = 48;
constexpr size_t kMaxReadBytes = size_t{1} << 20;

const char* const kNames[] = {
    "WIDTH",     "HEIGHT",       "X DATA SCALE",  "Y DATA SCALE",      "DATA SCALE",
    "DATA SKIP", "TRIGGER MODE", "TRIGGER LEVEL", "DISPLAY MODE",      "MAN SHUTTER US",
    "DATA SIZE", "FRAMERATE",    "NAME",          "GRAB DATA BUFFERS", "START GRAB FIELD",
    "CAMERA",    "PIXEL SIZE",   "DISPLAY NAME",  "ROTATEDATA",        "MAX WIDTH"};

std::unique_ptr<FuzzHost> host;
std::string config;
bool twoThreads = false;
// Each host thread saves into a file of its own.
thread_local const char* shownFile = "shown.tif";

// Ends the run with a report when a call answers outside its documented values.
void Expect(bool held, const char* call, int32_t result) {
    if (!held)
        Fail(std::string(call) + " answered " + std::to_string(result));
}

void ExpectFlag(const char* call, int32_t result) {
    Expect(result == 0 || result == 1, call, result);
}

// A failed call says why. Only on one host thread: another one's calls change the code.
void ExpectFlagWithCode(const char* call, int32_t result) {
    ExpectFlag(call, result);
    if (result == 0 && !twoThreads && AcqGetLastError() == 0)
        Fail(std::string(call) + " failed without an error code");
}

const char* Name(FuzzedDataProvider& in, std::string& random) {
    if (!in.ConsumeBool())
        return in.PickValueInArray(kNames);
    random = in.ConsumeRandomLengthString(130);
    return random.c_str();
}

// A camera's, the current camera's first mode's, or any.
uint32_t Id(FuzzedDataProvider& in) {
    const int kind = in.ConsumeIntegralInRange(0, 4);
    if (kind == 3)
        return in.ConsumeIntegral<uint32_t>();
    if (kind == 2) {
        const char* mode = GetFirstInputModeName();
        return mode != nullptr ? GetInputModeId(mode) : 0;
    }
    return GetInputDeviceId(kind == 0 ? "Cam" : kind == 1 ? "Other" : "Deep");
}

void Acquire(FuzzedDataProvider& in) {
    AcquireRequest request{};
    request.kind = in.ConsumeIntegralInRange<uint32_t>(0, 3);
    request.frameCount = in.ConsumeIntegralInRange<int32_t>(-1, 3);
    request.waitFlag = in.ConsumeIntegralInRange<uint32_t>(0, 1);
    ExpectFlagWithCode("AcquireStart", AcquireStart(&request));
}

void Read(FuzzedDataProvider& in) {
    ReadRequest request{};
    request.kind = in.ConsumeIntegralInRange<uint32_t>(0, 5);
    request.liveDisplay = in.ConsumeIntegralInRange<uint32_t>(0, 1);
    request.index = in.ConsumeIntegralInRange<int32_t>(-2, 8);
    request.timeoutMs = in.ConsumeIntegralInRange<int32_t>(-1, 5);
    request.x = in.ConsumeIntegralInRange<uint32_t>(0, 70);
    request.y = in.ConsumeIntegralInRange<uint32_t>(0, 70);
    request.width = in.ConsumeIntegralInRange<uint32_t>(0, 80);
    request.height = in.ConsumeIntegralInRange<uint32_t>(0, 80);
    if (in.ConsumeBool()) {
        request.x = in.ConsumeIntegral<uint32_t>();
        request.width = in.ConsumeIntegral<uint32_t>();
    }
    request.currentScale = in.ConsumeIntegralInRange<uint32_t>(0, 2);
    request.copyFlag = in.ConsumeIntegralInRange<uint32_t>(0, 2);
    const size_t bytes = size_t{request.width} * request.height * 2;
    if (request.copyFlag == 1 && bytes > kMaxReadBytes)
        return; // a host gives memory for what it asks
    // A pointer read writes only the pointer.
    std::vector<uint8_t> data(request.copyFlag == 1 ? bytes + 1 : sizeof(void*));
    request.data = data.data();
    const int32_t result = ReadDevice(&request);
    // Kind 1 always gives 0 with no code, and the display's reads never set one.
    if (request.kind == 1 || request.liveDisplay == 1)
        ExpectFlag("ReadDevice", result);
    else
        ExpectFlagWithCode("ReadDevice", result);
}

void Overlay(FuzzedDataProvider& in) {
    static const uint8_t kBitmap[100 * 100] = {};
    GraphicsCommand command{};
    command.type = in.ConsumeIntegralInRange<uint32_t>(0, 11);
    command.a = in.ConsumeIntegralInRange(command.type == 7 ? 0 : -10, 100);
    command.b = in.ConsumeIntegralInRange(command.type == 7 ? 0 : -10, 100);
    command.c = in.ConsumeIntegralInRange(-10, 100);
    command.d = in.ConsumeIntegralInRange(-10, 100);
    command.colour = in.ConsumeIntegral<uint32_t>();
    command.displayMode = in.ConsumeIntegralInRange(0, 5);
    command.pixels = kBitmap;
    ExpectFlag("AcqDeviceSet", AcqDeviceSet("GRAPHICS COMMAND", &command));
}

// The shown image saved into the fuzzer's folder; a save that says it wrote left a TIFF file.
// The host may save at once or a moment later, when the display has drawn what it was handed.
void Save(FuzzedDataProvider& in) {
    const bool overlay = in.ConsumeBool();
    if (in.ConsumeBool())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string path = host->PathOf(shownFile);
    std::remove(path.c_str());
    const int32_t saved =
        AcqDeviceSet(overlay ? "SAVE DISPLAY IMAGE WITH OVERLAY" : "SAVE DISPLAY IMAGE",
                     const_cast<char*>(path.c_str()));
    ExpectFlag("SAVE DISPLAY IMAGE", saved);
    if (saved == 1)
        Expect(host->Read(shownFile).starts_with(std::string_view("II*\0", 4)),
               "SAVE DISPLAY IMAGE without a TIFF file", saved);
}

void Call(FuzzedDataProvider& in) {
    std::string random;
    // A value is a number or a text as the attribute holds; a number given to a text
    // attribute is still a text ended within its buffer, as a host's would be.
    alignas(double) char value[256] = {};
    const double number =
        in.ConsumeBool() ? in.ConsumeFloatingPoint<double>() : in.ConsumeIntegralInRange(-2, 70);
    std::memcpy(value, &number, sizeof number);
    if (in.ConsumeIntegralInRange(0, 7) == 0)
        std::snprintf(value, sizeof value, "%s", Name(in, random));
    VidruneDevice* device = GetDeviceHandle();
    switch (in.ConsumeIntegralInRange(0, 20)) {
    case 0:
        ExpectFlag("InitializeDevice", InitializeDevice(in.ConsumeBool() ? config.c_str() : ""));
        break;
    case 1:
        ExpectFlag("SetCurrentInputDevice", SetCurrentInputDevice(Id(in)));
        break;
    case 2:
        ExpectFlag("SetCurrentInputMode", device->ops->SetCurrentInputMode(device, Id(in)));
        break;
    case 3:
        OpenDevice();
        break;
    case 4:
        CloseDevice();
        break;
    case 5:
        FreeDeviceResources();
        break;
    case 6:
    case 7:
        Acquire(in);
        break;
    case 8:
        ExpectFlag("AcquireStop", AcquireStop());
        break;
    case 9:
    case 10:
        Read(in);
        break;
    case 11:
        ExpectFlagWithCode("AcqDeviceSet", AcqDeviceSet(Name(in, random), value));
        break;
    case 12:
        ExpectFlag("AcqInputDeviceSet", AcqInputDeviceSet(Name(in, random), value));
        break;
    case 13:
        ExpectFlag("AcqInputModeSet", AcqInputModeSet(Name(in, random), value));
        break;
    case 14:
        ExpectFlag("AcqDeviceQuery", AcqDeviceQuery(Name(in, random), value));
        ExpectFlag("AcqInputDeviceQuery", AcqInputDeviceQuery(Name(in, random), value));
        ExpectFlag("AcqInputModeQuery", AcqInputModeQuery(Name(in, random), value));
        break;
    case 15:
        host->Enumerate();
        break;
    case 16: {
        const uint32_t modes = GetNumInputModes();
        uint32_t listed = 0;
        for (const char* m = GetFirstInputModeName(); m != nullptr; m = GetNextInputModeName()) {
            ++listed;
            // Another thread may choose a camera with more modes between the two calls.
            Expect(twoThreads || listed <= modes, "GetNextInputModeName",
                   static_cast<int32_t>(listed));
        }
        break;
    }
    case 17:
        Overlay(in);
        break;
    case 18:
        Save(in);
        break;
    case 19:
        if (in.ConsumeBool()) {
            // As on a host out of memory or thread slots: the call gets no thread.
            const vidrune::test::ThreadRefusal refusal;
            Call(in);
        } else {
            // The library refuses its next such operation, in this call or a later one.
            vidrune::fgsim::FailNextCall(in.PickValueInArray(vidrune::test::kLibraryOperations),
                                         FG_ERR_INJECTED);
            Call(in);
        }
        break;
    default:
        GetCurrentInputDevice();
        GetCurrentInputMode();
        GetInputDeviceType();
        AcqGetLastError();
        break;
    }
}

// A host whose open device failed sets its geometry as it stands, which rebuilds what a
// failed set left missing, and grabs again: the frame the attributes describe.
void ExpectAnOpenDeviceToRecover() {
    double width = 0;
    if (AcqDeviceQuery("WIDTH", &width) != 1)
        return; // not open
    ExpectFlag("AcquireStop", AcquireStop());
    double level = 1;
    AcqDeviceSet("TRIGGER MODE", &level); // free running
    for (const char* name : {"WIDTH", "HEIGHT", "DATA SKIP"}) {
        double value = 0;
        AcqDeviceQuery(name, &value);
        Expect(AcqDeviceSet(name, &value) == 1, name, 0);
    }
    // The window is centred on the sensor; the reader sub-samples it, then turns or flips.
    // A turned camera's host names are the sensor's turned: its "WIDTH" is the height.
    vidrune::test::FrameGeometry frame;
    frame.rotate = Numeric("ROTATEDATA") > 0;
    frame.flip = Numeric("FLIPDATA") > 0;
    frame.depth = static_cast<int>(Numeric("DATA RESOLUTION"));
    // One sensor axis by the host's x ("WIDTH") or y names: where the window starts on it,
    // the sub-sampling step, and the frame's pixels along it.
    const auto axis = [](bool x, uint32_t& start, uint32_t& step) {
        const double size = Numeric(x ? "WIDTH" : "HEIGHT");
        start = static_cast<uint32_t>((Numeric(x ? "MAX WIDTH" : "MAX HEIGHT") - size) / 2);
        step = std::max(1u, static_cast<uint32_t>(Numeric(x ? "X DATA SCALE" : "Y DATA SCALE")));
        return static_cast<uint32_t>(size) / step;
    };
    const uint32_t frameWidth = axis(!frame.rotate, frame.cropLeft, frame.xs);
    frame.frameHeight = axis(frame.rotate, frame.cropTop, frame.ys);
    const std::string wrong = frame.rotate
                                  ? host->GrabsThePattern(frame, frame.frameHeight, frameWidth)
                                  : host->GrabsThePattern(frame, frameWidth, frame.frameHeight);
    if (!wrong.empty())
        Fail("the open device does not grab again: " + wrong);
}

void CallAll(FuzzedDataProvider& in) {
    for (int i = 0; i < kMaxCalls && in.remaining_bytes() > 0; ++i)
        Call(in);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* threads = std::getenv("FUZZ_CALL_THREADS");
    twoThreads = threads != nullptr && std::strcmp(threads, "2") == 0;
    host = std::make_unique<FuzzHost>();
    host->Write("cam.cam", FuzzHost::CameraText());
    host->Write("cam.cvi", FuzzHost::VicText());
    host->Write("deep.cam", FuzzHost::CameraText(12));
    host->Write("deep.cvi", FuzzHost::VicText(12));
    const auto mode = FuzzHost::ModeSection;
    const char* full = "WIDTH=64\nHEIGHT=48\n";
    config = host->Write("vidrune.ini",
                         "[CAMERA1]\nNAME=Cam\nPIXELSIZE=0.0074\n" +
                             mode("CAMERA1_MODE1", "Full", full, "cam.cam") +
                             mode("CAMERA1_MODE2", "Half", "WIDTH=32\nHEIGHT=24\n", "cam.cam") +
                             "[CAMERA2]\nNAME=Other\nPIXELSIZE=0.01\nROTATEDATA=1\n" +
                             mode("CAMERA2_MODE1", "Turned", full, "cam.cam") +
                             "[CAMERA3]\nNAME=Deep\nPIXELSIZE=0.005\n" +
                             mode("CAMERA3_MODE1", "Twelve", full, "deep.cam"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int threads = vidrune::test::ThreadsInThisProcess();
    if (host->Initialize(config) && SetCurrentInputDevice(GetInputDeviceId("Cam")) == 1)
        OpenDevice();
    if (twoThreads) {
        FuzzedDataProvider first(data, size / 2);
        FuzzedDataProvider second(data + size / 2, size - size / 2);
        std::thread other([&] {
            shownFile = "shown-2.tif";
            CallAll(second);
        });
        CallAll(first);
        other.join();
    } else {
        FuzzedDataProvider in(data, size);
        CallAll(in);
    }
    vidrune::fgsim::ClearFailures();
    ExpectAnOpenDeviceToRecover();
    host->CloseAndFree();
    if (vidrune::test::ThreadsOnceSettled(threads) > threads)
        Fail("a thread of the device outlived the free");
    // Whatever came before, the device starts again and grabs.
    if (!host->Initialize(config) || !host->Open())
        Fail("the device no longer opens (error " + std::to_string(AcqGetLastError()) + ")");
    if (const std::string wrong = host->GrabsThePattern({}, 64, 48); !wrong.empty())
        Fail("the device no longer grabs: " + wrong);
    host->CloseAndFree();
    return 0;
}
