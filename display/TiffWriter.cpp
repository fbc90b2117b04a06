#include "display/TiffWriter.h"

#include "display/TiffByteWriter.h"
#include "platform/FileSystem.h"

#include <cstring>
#include <limits>
#include <new>
#include <string_view>

namespace vidrune {

namespace {

constexpr uint16_t kShort = TiffByteWriter::kShort;
constexpr uint16_t kLong = TiffByteWriter::kLong;
constexpr uint16_t kRational = TiffByteWriter::kRational;
constexpr uint16_t kAscii = TiffByteWriter::kAscii;

constexpr uint32_t kEntryCount = 18;
constexpr uint32_t kXResolutionOffset = 230;
constexpr uint32_t kYResolutionOffset = 238;
constexpr uint32_t kSoftwareOffset = 246;
constexpr uint32_t kSoftwareLength = 50;
constexpr uint32_t kColourMapOffset = 296;
constexpr const char* kSoftware = "Vidrune";

} // namespace

std::vector<uint8_t> TiffWriter::Encode(int32_t width, int32_t height, const uint8_t* pixels,
                                        const Palette& palette) {
    std::vector<uint8_t> bytes;
    if (width <= 0 || height <= 0 || pixels == nullptr)
        return bytes;
    const uint64_t pixelBytes =
        uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height);
    if (pixelBytes > std::numeric_limits<uint32_t>::max() - kPixelOffset)
        return bytes; // the strip's byte count and offsets are 32-bit
    const auto w = static_cast<uint32_t>(width);
    const auto h = static_cast<uint32_t>(height);

    bytes.reserve(kPixelOffset + static_cast<size_t>(pixelBytes));
    TiffByteWriter out(bytes);
    bytes.push_back('I');
    bytes.push_back('I');
    out.U16(42);
    out.U32(8);
    out.U16(kEntryCount);
    out.Entry(254, kLong, 1, 0);
    out.Entry(256, kLong, 1, w);
    out.Entry(257, kLong, 1, h);
    out.Entry(258, kShort, 1, 8);
    out.Entry(259, kShort, 1, 1);
    out.Entry(262, kShort, 1, 3);
    out.Entry(273, kLong, 1, kPixelOffset);
    out.Entry(277, kShort, 1, 1);
    out.Entry(278, kLong, 1, h);
    out.Entry(279, kLong, 1, static_cast<uint32_t>(pixelBytes));
    out.Entry(280, kShort, 1, 0);
    out.Entry(281, kShort, 1, 255);
    out.Entry(282, kRational, 1, kXResolutionOffset);
    out.Entry(283, kRational, 1, kYResolutionOffset);
    out.Entry(284, kShort, 1, 1);
    out.Entry(296, kShort, 1, 2);
    out.Entry(305, kAscii, kSoftwareLength, kSoftwareOffset);
    out.Entry(320, kShort, 3 * Palette::kSize, kColourMapOffset);
    out.U32(0);
    out.U32(w);
    out.U32(1);
    out.U32(h);
    out.U32(1);

    // The field keeps its 50 bytes, but TIFF readers expect one NUL, at the end: the name
    // is padded with blanks.
    const size_t software = bytes.size();
    bytes.resize(software + kSoftwareLength - 1, ' ');
    std::memcpy(bytes.data() + software, kSoftware, std::strlen(kSoftware));
    bytes.push_back('\0');

    for (const PaletteEntry& entry : palette.Colours())
        out.U16(entry.red * 256u);
    for (const PaletteEntry& entry : palette.Colours())
        out.U16(entry.green * 256u);
    for (const PaletteEntry& entry : palette.Colours())
        out.U16(entry.blue * 256u);

    bytes.insert(bytes.end(), pixels, pixels + pixelBytes);
    return bytes;
}

bool TiffWriter::WriteTiff(const std::string& path, int32_t width, int32_t height,
                           const uint8_t* pixels, const Palette& palette) {
    std::vector<uint8_t> bytes;
    try {
        bytes = Encode(width, height, pixels, palette);
    } catch (const std::bad_alloc&) {
        return false; // a picture larger than the memory left is not saved
    }
    if (bytes.empty())
        return false;
    // A picture that cannot be written whole leaves the older file as it was.
    return platform::FileSystem::WriteWhole(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace vidrune
