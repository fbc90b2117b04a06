#pragma once

#include "vidrune.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace vidrune {

class CAcqDevice;

// What the board hands the display: the frame's size and the device to read frames from.
struct DisplayFrameDesc {
    void* image = nullptr;
    uint32_t frameWidth = 0;
    uint32_t frameHeight = 0;
    uint64_t spare = 0;
    CAcqDevice* device = nullptr;
};

// The live display as the board driver sees it.
class CDispLive {
public:
    // The display this build offers; null when it has none.
    static std::unique_ptr<CDispLive> Create();

    virtual ~CDispLive() = default;
    virtual void Open(const DisplayFrameDesc& desc) = 0;
    virtual void Close() = 0;
    virtual void ClearImage() = 0;
    virtual void SetDisplayMode(int32_t mode) = 0;
    virtual void SetParamString(const char*, int32_t) {}
    virtual void SetParamInt(int32_t value, int32_t index);
    virtual int32_t Reserved() = 0;
    virtual void NewFrame(const DisplayFrameDesc& desc) = 0;
    virtual void ResumeUpdate(const DisplayFrameDesc& desc) = 0;
    // The command's bitmap scale field receives the factor used when it was 0.
    virtual void DrawGraphic(GraphicsCommand& command) = 0;

    // The board is about to refill or rebuild its buffers: a read under way is finished and
    // nothing more is read until the next new frame or continuous update.
    virtual void Quiesce() {}
    // Saves the image shown as the window's Save command does; false when nothing was saved.
    virtual bool SaveImage(const std::string&, bool) { return false; }
    // True when the display reads its frames through the device itself; the board then
    // leaves the frame description's image alone instead of copying every frame into it.
    virtual bool ReadsOwnFrames() const { return false; }

    int32_t GetParamInt(int32_t index) const;

protected:
    // Flags the host's thread sets while the update thread reads them are atomic.
    int32_t maxDisplayWidth_ = 0;
    int32_t maxDisplayHeight_ = 0;
    int32_t imageWidth_ = 0;
    int32_t imageHeight_ = 0;
    int32_t parameter4_ = 0;
    int32_t product45_ = 0;
    int32_t parameter5_ = 0;
    std::atomic<int32_t> rotateFlag_{0};
    std::atomic<int32_t> doubleWidthFlag_{0};
    std::atomic<int32_t> bitsPerPixel_{8};
    std::atomic<int32_t> autoLevelFlag_{0};
    std::atomic<int32_t> continuousFlag_{1};
};

} // namespace vidrune
