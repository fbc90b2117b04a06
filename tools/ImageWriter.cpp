#include "tools/ImageWriter.h"

#include "tools/GrayTiffEncoder.h"
#include "tools/ToolError.h"

#include <fstream>
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
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw CannotWrite(path);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw CannotWrite(path);
}

void ImageWriter::WritePgm(const std::string& path, const FrameImage& frame) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw CannotWrite(path);
    const uint32_t maxval = frame.bytesPerPixel == 1 ? 255 : (1u << frame.resolution) - 1;
    out << "P5\n" << frame.width << " " << frame.height << "\n" << maxval << "\n";
    if (frame.bytesPerPixel == 1) {
        out.write(reinterpret_cast<const char*>(frame.pixels.data()),
                  static_cast<std::streamsize>(frame.pixels.size()));
    } else {
        // PGM holds two-byte samples with the high byte first.
        std::vector<char> swapped(frame.pixels.size());
        for (size_t i = 0; i + 1 < frame.pixels.size(); i += 2) {
            swapped[i] = static_cast<char>(frame.pixels[i + 1]);
            swapped[i + 1] = static_cast<char>(frame.pixels[i]);
        }
        out.write(swapped.data(), static_cast<std::streamsize>(swapped.size()));
    }
    if (!out.flush())
        throw CannotWrite(path);
}

} // namespace vidrune::tool
