#pragma once

#include <cstdint>
#include <vector>

namespace vidrune {

// Little-endian TIFF fields appended to a byte vector: the one layout both the display's
// palette images and the tool's grayscale files are written in.
class TiffByteWriter {
public:
    static constexpr uint16_t kAscii = 2;
    static constexpr uint16_t kShort = 3;
    static constexpr uint16_t kLong = 4;
    static constexpr uint16_t kRational = 5;

    explicit TiffByteWriter(std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    void U16(uint32_t value) {
        bytes_.push_back(static_cast<uint8_t>(value));
        bytes_.push_back(static_cast<uint8_t>(value >> 8));
    }
    void U32(uint32_t value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    // One directory entry; a SHORT value sits in the first two bytes of the value field.
    void Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        U16(tag);
        U16(type);
        U32(count);
        if (type == kShort && count == 1) {
            U16(value);
            U16(0);
        } else {
            U32(value);
        }
    }

private:
    std::vector<uint8_t>& bytes_;
};

} // namespace vidrune
