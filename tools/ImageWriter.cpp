#include "tools/ImageWriter.h"

#include "platform/FileSystem.h"
#include "tools/GrayTiffEncoder.h"
#include "tools/ToolError.h"

#include <string_view>
#include <utility>
#include <vector>

namespace vidrune::tool {

namespace {

ToolError CannotWrite(const std::string& path) {
    return ToolError::Failed("cannot write " + path);
}

} // namespace

ImageWriter::Format ImageWriter::ParseFormat(const std::string& name) {
    if (name == "tiff")
        return Format::Tiff;
    if (name == "pgm")
        return Format::Pgm;
    throw ToolError::BadInput("unknown format \"" + name + "\": use tiff or pgm");
}

std::string ImageWriter::Extension() const {
    return format_ == Format::Tiff ? ".tif" : ".pgm";
}

void ImageWriter::Write(const std::string& path, const FrameImage& frame) const {
    if (format_ == Format::Tiff)
        WriteTiff(path, frame);
    else
        WritePgm(path, frame);
}

void ImageWriter::WriteTiff(const std::string& path, const FrameImage& frame) const {
    const std::vector<uint8_t> bytes = GrayTiffEncoder::Encode(frame, "vidrune-grab");
    WriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void ImageWriter::WritePgm(const std::string& path, const FrameImage& frame) const {
    const uint32_t maxval = frame.bytesPerPixel == 1 ? 255 : (1u << frame.resolution) - 1;
    std::string bytes = "P5\n" + std::to_string(frame.width) + " " + std::to_string(frame.height) +
                        "\n" + std::to_string(maxval) + "\n";
    const size_t header = bytes.size();
    bytes.append(reinterpret_cast<const char*>(frame.pixels.data()), frame.pixels.size());
    // PGM holds two-byte samples with the high byte first.
    if (frame.bytesPerPixel != 1) {
        for (size_t i = header; i + 1 < bytes.size(); i += 2)
            std::swap(bytes[i], bytes[i + 1]);
    }
    WriteFile(path, bytes);
}

void ImageWriter::WriteFile(const std::string& path, std::string_view bytes) {
    // Written beside the path and moved there whole: a run over an earlier one that fails
    // (a full disk) keeps the earlier frame instead of leaving a cut-short file.
    if (!platform::FileSystem::WriteWhole(path, bytes))
        throw CannotWrite(path);
}

} // namespace vidrune::tool
