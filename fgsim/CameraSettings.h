#pragma once

#include "FrameSource.h"
#include "SourceImage.h"
#include "fgcore.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vidrune::fgsim {

// What a camera file says: pixel depth, rates, the picture source and the faults to
// rehearse. A value type: the acquisition keeps its own copy (images are shared).
class CameraSettings {
public:
    // Reads the [Camera] section; on failure the settings stay as they were.
    FgStatus Load(const std::string& path);
    FgStatus Get(uint32_t parameter, uint32_t& value) const;
    FgStatus Set(uint32_t parameter, uint32_t value);

    uint32_t PixelDepth() const { return pixelDepth_; }
    double FrameRate() const { return frameRate_; }
    double TriggerRate() const { return triggerRate_; }
    std::unique_ptr<FrameSource> MakeSource() const;

    bool IsDropped(uint64_t frame) const { return dropFrames_.count(frame) != 0; }
    bool IsBlank(uint64_t frame) const { return blankFrames_.count(frame) != 0; }
    std::optional<uint64_t> StallAfter() const { return stallAfter_; }
    bool NoSignal() const { return noSignal_; }
    std::optional<uint64_t> FailBufferAfter() const { return failBufferAfter_; }

    static constexpr uint32_t kMinDepth = 8;
    static constexpr uint32_t kMaxDepth = 16;

private:
    static std::string ResolveBeside(const std::string& file, const std::string& relative);

    uint32_t pixelDepth_ = 8;
    double frameRate_ = 30.0;
    double triggerRate_ = 30.0;
    uint32_t startField_ = 0;
    std::shared_ptr<const std::vector<SourceImage>> images_; // null: the pattern
    std::set<uint64_t> dropFrames_;
    std::set<uint64_t> blankFrames_;
    std::optional<uint64_t> stallAfter_;
    bool noSignal_ = false;
    std::optional<uint64_t> failBufferAfter_;
};

} // namespace vidrune::fgsim
