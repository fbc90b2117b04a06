#pragma once

#include "tools/SessionOptions.h"

#include <cstdint>
#include <ostream>
#include <string>

namespace vidrune::tool {

class DeviceSession;
class GrabSummary;
class ImageWriter;
class ProgressBar;
struct FrameImage;
struct Region;

// "grab": a counted acquisition of a number of frames, each read by its index and written
// to a file named after it; a summary at the end. Exit status 0 only when every frame was
// read without error.
class GrabCommand {
public:
    struct Options {
        SessionOptions session;
        int32_t frames = 1;
        bool wait = false;      // the start waits until all frames are in
        std::string region;     // "X,Y,W,H"; empty: the whole frame
        int32_t timeoutMs = -1; // per frame; negative: from the frame rate
        std::string out = ".";
        std::string format = "tiff";
    };

    GrabCommand(Options options, std::ostream& out, std::ostream& err);
    int Run();

private:
    void PrepareOutputFolder() const;
    void CheckFrameCount(const DeviceSession& session) const;
    int32_t FrameTimeout(const DeviceSession& session) const;
    std::string FileName(int32_t index, const ImageWriter& writer) const;
    void PrintPlan(const DeviceSession& session, const Region& region) const;
    // Gives the seconds from the first delivered frame to the last.
    double ReadFrames(DeviceSession& session, const Region& region, int32_t timeoutMs,
                      const ImageWriter& writer, GrabSummary& summary, ProgressBar& progress);
    // After frame lost was overwritten before it was read: the index to read next (lost +
    // jump, within the frames asked for), minus one; counts and notes the frames passed over.
    int32_t SkipAhead(int32_t lost, int32_t jump, GrabSummary& summary,
                      ProgressBar& progress) const;

    Options options_;
    std::ostream& out_;
    std::ostream& err_;
};

} // namespace vidrune::tool
