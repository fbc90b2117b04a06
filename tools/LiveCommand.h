#pragma once

#include "tools/SessionOptions.h"

#include <cstdint>
#include <map>
#include <ostream>
#include <string>

namespace vidrune::tool {

class DeviceSession;
class PluginApi;
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
        double rate = 10;     // reads per second
        std::string region;   // "X,Y,W,H"; empty: the whole frame
        std::string snapshot; // TIFF file of the image the display shows at the end
        bool overlay = false; // the snapshot includes the overlay graphics
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
    bool SaveSnapshot(const PluginApi& api) const;
    static std::string WhyNoSnapshot(const PluginApi& api, const std::string& path);

    Options options_;
    std::ostream& out_;
    std::ostream& err_;
};

} // namespace vidrune::tool
