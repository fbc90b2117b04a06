// The configuration path as a host drives it: the input is the configuration file, and
// optionally the camera file and its VIC file, separated by lines of "----". The device
// is initialised, enumerated, opened, set, grabs a frame, and is closed and freed.
#include "FuzzHost.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using vidrune::test::FuzzHost;

namespace {

const char kSeparator[] = "\n----\n";

std::vector<std::string> SplitParts(const std::string& input) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; parts.size() < 2 && (at = input.find(kSeparator, start)) != std::string::npos;
         start = at + sizeof kSeparator - 1)
        parts.push_back(input.substr(start, at - start));
    parts.push_back(input.substr(start));
    return parts;
}

void SetAFew() {
    // Sets a host makes after opening, each with a value the board may refuse.
    const std::pair<const char*, double> sets[] = {
        {"DATA SCALE", 2}, {"WIDTH", 32}, {"HEIGHT", 24}, {"DATA SCALE", 1}, {"TRIGGER MODE", 1}};
    for (auto [name, value] : sets)
        AcqDeviceSet(name, &value);
}

std::unique_ptr<FuzzHost> host;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    host = std::make_unique<FuzzHost>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts =
        SplitParts(std::string(reinterpret_cast<const char*>(data), size));
    // Control files are named cam.cam in the seeds; the VIC file lies beside it. Files the
    // input does not give hold a small, fast camera.
    host->Write("cam.cam", parts.size() > 1 ? parts[1] : FuzzHost::CameraText());
    host->Write("cam.cvi", parts.size() > 2 ? parts[2] : FuzzHost::VicText());
    const std::string config = host->Write("vidrune.ini", parts[0]);

    if (host->Initialize(config)) {
        host->Enumerate();
        if (host->Open()) {
            SetAFew();
            host->GrabOne();
        }
    }
    host->CloseAndFree();
    return 0;
}
