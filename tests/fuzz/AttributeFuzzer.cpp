// The attribute set path on an open device with the display in memory: each input is a
// run of sets (device, camera or mode level; known or random names; numbers, texts or
// overlay graphics commands with random fields), then a one-frame grab.
#include "FuzzHost.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using vidrune::test::FuzzHost;

namespace {

constexpr int kMaxSets = 16;
constexpr size_t kMaxNameLength = 300;
// Bitmaps of 1600 columns or 1200 rows and more are ignored; any smaller one fits here.
constexpr size_t kBitmapBytes = size_t{1600} * 1200;

const char* const kNumericNames[] = {
    "WIDTH",          "HEIGHT",          "X DATA SCALE",    "Y DATA SCALE",   "DATA SCALE",
    "DATA SKIP",      "TRIGGER MODE",    "TRIGGER LEVEL",   "TRIGGER SOURCE", "MAN SHUTTER",
    "MAN SHUTTER US", "MAN SHUTTER RAW", "DISPLAY MODE",    "DATA RATE",      "START GRAB FIELD",
    "ROTATEDATA",     "MAX USER WIDTH",  "MAX USER HEIGHT", "DATA SIZE",      "GRAB DATA BUFFERS",
    "PIXEL SIZE",     "INVERTXY",        "FLIPDATA",        "COM BAUD",       "COM DELAY",
    "PITCH MULT",     "DATA INTERLACE"};
// Text attributes: the value is the text itself.
const char* const kTextNames[] = {"NAME",      "DESCRIPTION",  "CONTROL FILE", "NORM INIT",
                                  "CONT INIT", "DISPLAY NAME", "NORM MODE",    "CONT MODE"};

// Names whose sets reach beyond the plug-in: files written where the value says, serial
// lines opened by the name given.
bool ReachesOutside(const std::string& name) {
    return name.find("SAVE") != std::string::npos || name.find("COM") != std::string::npos ||
           name.find("PATH") != std::string::npos;
}

// The device, camera and mode levels.
constexpr decltype(&AcqDeviceSet) kSets[] = {AcqDeviceSet, AcqInputDeviceSet, AcqInputModeSet};

double FuzzedNumber(FuzzedDataProvider& input) {
    // Small counts and scales, then the edges of the ranges a set converts to.
    static const double kSpecial[] = {0,   -1,   1,   2,        3,        4,
                                      1e9, -1e9, NAN, INFINITY, -DBL_MAX, 2147483648.0};
    if (input.ConsumeBool())
        return input.PickValueInArray(kSpecial);
    return input.ConsumeBool() ? input.ConsumeIntegralInRange<int32_t>(-70000, 70000)
                               : input.ConsumeFloatingPoint<double>();
}

GraphicsCommand FuzzedCommand(FuzzedDataProvider& input, std::vector<uint8_t>& bitmap) {
    static const uint32_t kTypes[] = {1, 2, 4, 5, 7, 9, 10, 0, 3, 0xFFFFFFFF};
    GraphicsCommand command{};
    command.type = input.PickValueInArray(kTypes);
    int32_t* fields[] = {&command.a,           &command.b,          &command.c,
                         &command.d,           &command.bitmapLeft, &command.bitmapTop,
                         &command.scaleFactor, &command.displayMode};
    for (int32_t* field : fields)
        *field = input.ConsumeBool() ? input.ConsumeIntegralInRange<int32_t>(-100, 2000)
                                     : input.ConsumeIntegral<int32_t>();
    command.colour = input.ConsumeIntegral<uint32_t>();
    // A host's bitmap holds width x height bytes; the plug-in may read no further.
    const uint64_t size =
        uint64_t{static_cast<uint32_t>(command.a)} * static_cast<uint32_t>(command.b);
    if (command.a > 0 && command.b > 0 && size <= kBitmapBytes) {
        bitmap.resize(size);
        std::memset(bitmap.data(), input.ConsumeIntegral<uint8_t>(), size);
        command.pixels = bitmap.data();
    }
    return command;
}

// Heap copies of exactly the text's size, so that reading past it is caught.
std::unique_ptr<char[]> ExactText(const std::string& text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

void OneSet(FuzzedDataProvider& input, std::vector<uint8_t>& bitmap) {
    const auto set = kSets[input.ConsumeIntegralInRange(0, 2)];
    switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0: { // a number, for a known or a random name
        std::string name = input.ConsumeBool() ? input.PickValueInArray(kNumericNames)
                                               : input.ConsumeRandomLengthString(kMaxNameLength);
        // Eight more zero bytes: read as a text, a number given for a text name still ends.
        std::array<double, 2> value{FuzzedNumber(input), 0.0};
        if (ReachesOutside(name))
            return;
        set(name.c_str(), value.data());
        return;
    }
    case 1: { // a text for a text name
        const char* name = input.PickValueInArray(kTextNames);
        auto text = ExactText(input.ConsumeRandomLengthString(kMaxNameLength));
        set(name, text.get());
        return;
    }
    default: {
        GraphicsCommand command = FuzzedCommand(input, bitmap);
        AcqDeviceSet("GRAPHICS COMMAND", &command);
        return;
    }
    }
}

std::unique_ptr<FuzzHost> host;
std::string config;
std::vector<uint8_t> bitmap;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    host = std::make_unique<FuzzHost>();
    host->Write("cam.cam", FuzzHost::CameraText());
    host->Write("cam.cvi", FuzzHost::VicText());
    config =
        host->Write("vidrune.ini", "[CAMERA1]\nNAME=Cam\nPIXELSIZE=0.0074\n" +
                                       FuzzHost::ModeSection("CAMERA1_MODE1", "Full",
                                                             "WIDTH=64\nHEIGHT=48\n", "cam.cam") +
                                       "[EXTDISPLAY]\nMPX=0\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    // A fresh device for every input: sets at camera and mode level outlive a close.
    if (!host->Initialize(config) || !host->Open())
        std::abort(); // the same files opened before
    for (int i = 0; i < kMaxSets && input.remaining_bytes() > 0; ++i)
        OneSet(input, bitmap);
    host->GrabOne();
    host->CloseAndFree();
    return 0;
}
