#pragma once

#include "tools/SessionOptions.h"

#include <cstdint>
#include <map>
#include <ostream>
#include <string>

namespace vidrune::tool {

class DeviceSession;
struct FrameImage;
struct Region;

// "live": a continuous acquisition for a number of seconds, reading the newest frame at a
// steady rate and reporting the rate achieved and any error. While it runs, the plug-in's
// own display window (configured in [EXTDISPLAY]) shows the frames.
class LiveCommand {
public:
    struct Options {
        SessionOptions session;
        double seconds = 5;
        double rate = 10;   // reads per second
        std::string region; // "X,Y,W,H"; empty: the whole frame
    };

    LiveCommand(Options options, std::ostream& out, std::ostream& err);
    int Run();

private:
    struct Tally {
        uint32_t reads = 0;
        uint32_t newFrames = 0;
        std::map<uint32_t, uint32_t> errors;
    };

    Tally ReadForAWhile(DeviceSession& session, const Region& region, FrameImage& image);
    void Report(const Tally& tally, double seconds, double cameraRate) const;

    Options options_;
    std::ostream& out_;
    std::ostream& err_;
};

} // namespace vidrune::tool
