#include "tools/GrayTiffEncoder.h"

#include "display/TiffByteWriter.h"

namespace vidrune::tool {

namespace {

constexpr uint16_t kAscii = TiffByteWriter::kAscii;
constexpr uint16_t kShort = TiffByteWriter::kShort;
constexpr uint16_t kLong = TiffByteWriter::kLong;
constexpr uint16_t kRational = TiffByteWriter::kRational;

constexpr uint32_t kHeaderSize = 8;
constexpr uint32_t kEntrySize = 12;
constexpr uint16_t kEntryCount = 17;
constexpr uint32_t kDotsPerInch = 72;

} // namespace

std::vector<uint8_t> GrayTiffEncoder::Encode(const FrameImage& frame, const std::string& software) {
    const uint32_t bits = frame.bytesPerPixel == 1 ? 8 : 16;
    const uint32_t maximum = bits == 8 ? 255 : (1u << frame.resolution) - 1;
    const auto pixelBytes = static_cast<uint32_t>(frame.pixels.size());
    // After the directory: the two resolutions, the software text, then the pixels, each
    // on a word boundary.
    const uint32_t xResolution = kHeaderSize + 2 + kEntryCount * kEntrySize + 4;
    const uint32_t yResolution = xResolution + 8;
    const uint32_t softwareOffset = yResolution + 8;
    const auto softwareCount = static_cast<uint32_t>(software.size() + 1);
    const uint32_t pixelOffset = softwareOffset + ((softwareCount + 1) & ~1u);

    std::vector<uint8_t> file;
    file.reserve(pixelOffset + pixelBytes);
    TiffByteWriter out(file);
    file.push_back('I');
    file.push_back('I');
    out.U16(42);
    out.U32(kHeaderSize);
    out.U16(kEntryCount);
    out.Entry(254, kLong, 1, 0); // NewSubfileType: a full image
    out.Entry(256, kLong, 1, frame.width);
    out.Entry(257, kLong, 1, frame.height);
    out.Entry(258, kShort, 1, bits);
    out.Entry(259, kShort, 1, 1); // Compression: none
    out.Entry(262, kShort, 1, 1); // PhotometricInterpretation: black is zero
    out.Entry(273, kLong, 1, pixelOffset);
    out.Entry(277, kShort, 1, 1);           // SamplesPerPixel
    out.Entry(278, kLong, 1, frame.height); // RowsPerStrip: one strip
    out.Entry(279, kLong, 1, pixelBytes);
    out.Entry(281, kShort, 1, maximum); // MaxSampleValue
    out.Entry(282, kRational, 1, xResolution);
    out.Entry(283, kRational, 1, yResolution);
    out.Entry(284, kShort, 1, 1); // PlanarConfiguration: contiguous
    out.Entry(296, kShort, 1, 2); // ResolutionUnit: inch
    out.Entry(305, kAscii, softwareCount, softwareOffset);
    out.Entry(339, kShort, 1, 1); // SampleFormat: unsigned integers
    out.U32(0);                   // no further directory
    for (int i = 0; i < 2; ++i) {
        out.U32(kDotsPerInch);
        out.U32(1);
    }
    file.insert(file.end(), software.begin(), software.end());
    file.resize(pixelOffset, 0);
    // The plug-in's 16-bit pixels are little-endian already, as the file's samples are.
    file.insert(file.end(), frame.pixels.begin(), frame.pixels.end());
    return file;
}

} // namespace vidrune::tool
