#pragma once

#include "FgSimControl.h"
#include "fgcore.h"
#include "support/Environment.h"
#include "support/Scheduling.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vidrune::test {

// Frames seen by a transfer callback: which buffer and its time stamp.
class FrameRecorder {
public:
    struct Frame {
        FgHandle buffer;
        uint32_t stamp;
        bool timeCritical; // how the delivery thread was scheduled
    };

    static FgStatus OnFrame(void* context, uint32_t, FgHandle buffer) {
        auto* self = static_cast<FrameRecorder*>(context);
        uint32_t stamp = 0;
        FgBufferGetPrm(buffer, FG_BUFFER_PRM_TIMESTAMP, &stamp);
        const bool timeCritical = RunsTimeCritical();
        std::this_thread::sleep_for(self->delay);
        std::lock_guard lock(self->mutex_);
        self->frames_.push_back({buffer, stamp, timeCritical});
        self->arrived_.notify_all();
        return 0;
    }

    bool WaitFor(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, limit, [&] { return frames_.size() >= count; });
    }
    std::vector<Frame> Frames() {
        std::lock_guard lock(mutex_);
        return frames_;
    }
    std::chrono::milliseconds delay{0}; // how long each callback takes

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Frame> frames_;
};

// The board as the driver opens it: servers, acquisition, camera and VIC objects
// programmed from files written into a temporary folder.
class SimBoard {
public:
    SimBoard() {
        local = FgManGetLocalServer();
        EXPECT_EQ(FG_OK, FgManGetServerByName("Stravik-2_1", &board));
        EXPECT_EQ(FG_OK, FgAcqGetHandle(board, 0, &acquisition));
        EXPECT_EQ(FG_OK, FgCamNew(local, &camera));
        EXPECT_EQ(FG_OK, FgVicNew(local, &vic));
    }
    ~SimBoard() {
        for (FgHandle transfer : transfers_)
            FgXferFree(transfer);
        for (FgHandle buffer : buffers_)
            FgBufferFree(buffer);
        FgCamFree(camera);
        FgVicFree(vic);
        FgAcqRelease(acquisition);
        FgManReleaseServer(board);
        FgManReleaseServer(local);
    }

    // Writes cam.cam and cam.cvi, loads and programs both.
    void Program(const std::string& cameraKeys, const std::string& vicKeys) {
        const std::string camPath = dir.Write("cam.cam", "[Camera]\n" + cameraKeys);
        const std::string vicPath = dir.Write("cam.cvi", "[Vic]\n" + vicKeys);
        ASSERT_EQ(FG_OK, FgCamLoad(camera, camPath.c_str()));
        ASSERT_EQ(FG_OK, FgVicLoad(vic, vicPath.c_str()));
        ASSERT_EQ(FG_OK, FgAcqSetPrms(acquisition, vic, camera, 1));
    }
    void SetCrop(uint32_t left, uint32_t top, uint32_t width, uint32_t height) {
        ASSERT_EQ(FG_OK, FgVicSetPrm(vic, FG_VIC_PRM_CROP_LEFT, left));
        ASSERT_EQ(FG_OK, FgVicSetPrm(vic, FG_VIC_PRM_CROP_TOP, top));
        ASSERT_EQ(FG_OK, FgVicSetPrm(vic, FG_VIC_PRM_CROP_WIDTH, width));
        ASSERT_EQ(FG_OK, FgVicSetPrm(vic, FG_VIC_PRM_CROP_HEIGHT, height));
        ASSERT_EQ(FG_OK, FgAcqSetPrms(acquisition, vic, camera, 1));
    }
    FgHandle NewBuffer(uint32_t width, uint32_t height, uint32_t bits,
                       uint32_t type = FG_BUFFER_RING) {
        FgHandle buffer = 0;
        EXPECT_EQ(FG_OK, FgBufferNew(local, width, height, bits << 8, type, &buffer));
        buffers_.push_back(buffer);
        return buffer;
    }
    // A connected transfer through the buffers in order.
    FgHandle NewTransfer(const std::vector<FgHandle>& list) {
        FgHandle transfer = 0;
        EXPECT_EQ(FG_OK, FgXferNew(board, acquisition, list.front(), nullptr, &transfer));
        for (size_t i = 1; i < list.size(); ++i)
            EXPECT_EQ(FG_OK, FgXferAppend(transfer, acquisition, list[i], 0));
        EXPECT_EQ(FG_OK, FgXferConnect(transfer));
        transfers_.push_back(transfer);
        return transfer;
    }
    void Watch(FgHandle transfer, FgHandle buffer, FrameRecorder& recorder) {
        ASSERT_EQ(FG_OK, FgXferSelect(transfer, acquisition, buffer, 0));
        ASSERT_EQ(FG_OK, FgXferRegisterCallback(transfer, FG_EVENT_END_OF_TRANSFER,
                                                &FrameRecorder::OnFrame, &recorder));
    }
    static const uint8_t* Pixels(FgHandle buffer) {
        uint64_t address = 0;
        EXPECT_EQ(FG_OK, FgBufferGetPrm(buffer, FG_BUFFER_PRM_ADDRESS, &address));
        return reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(address));
    }

    TempDir dir;
    FgHandle local = 0;
    FgHandle board = 0;
    FgHandle acquisition = 0;
    FgHandle camera = 0;
    FgHandle vic = 0;

private:
    std::vector<FgHandle> buffers_;
    std::vector<FgHandle> transfers_;
};

} // namespace vidrune::test
