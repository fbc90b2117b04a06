#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>

namespace vidrune::tool {

// What a counted acquisition achieved: frames read, errors by code, frames missed (never
// delivered) and skipped, files written and the rate at which frames came in.
class GrabSummary {
public:
    explicit GrabSummary(uint32_t requested) : requested_(requested) {}

    // One read: its error code (0 for none) and whether pixels arrived all the same.
    void Record(uint32_t code, bool delivered);
    // The start itself reported an error (the acquisition ended early).
    void StartFailed(uint32_t code) { startError_ = code; }
    uint32_t StartError() const { return startError_; }
    void FileWritten(const std::string& path);
    // Frames passed over unread to catch up after the ring overtook the reader.
    void Skipped(uint32_t frames) { skipped_ += frames; }
    // The time over which the delivered frames came in: from the first to the last.
    void SetArrivalSeconds(double seconds) { seconds_ = seconds; }
    // Frames per second the camera delivers for this acquisition (rate / skip).
    void SetExpectedRate(double rate) { expectedRate_ = rate; }

    // True when every frame was read without error.
    bool AllGood() const;
    void Print(std::ostream& out) const;

private:
    uint32_t requested_;
    uint32_t read_ = 0;
    uint32_t delivered_ = 0;
    uint32_t startError_ = 0;
    uint32_t files_ = 0;
    uint32_t skipped_ = 0;
    std::string firstFile_;
    std::string lastFile_;
    double seconds_ = 0;
    double expectedRate_ = 0;
    std::map<uint32_t, uint32_t> errors_;
};

} // namespace vidrune::tool
