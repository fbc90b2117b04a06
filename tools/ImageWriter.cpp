#include "tools/ImageWriter.h"

#include "tools/ToolError.h"

#include <tiffio.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <vector>

namespace vidrune::tool {

namespace {

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

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
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpen(path.c_str(), "w"));
    if (!tiff)
        throw CannotWrite(path);
    const uint16_t bits = frame.bytesPerPixel == 1 ? 8 : 16;
    TIFF* out = tiff.get();
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, frame.width);
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, frame.height);
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(out, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, frame.height);
    // Deeper pixels keep their own range: 12-bit data stays 0 to 4095.
    TIFFSetField(out, TIFFTAG_MAXSAMPLEVALUE,
                 static_cast<uint16_t>(bits == 8 ? 255 : (1u << frame.resolution) - 1));
    TIFFSetField(out, TIFFTAG_SOFTWARE, "vidrune-grab");

    // libtiff may work in the row it is given, so it gets a copy.
    std::vector<uint8_t> bytes(frame.RowBytes());
    std::vector<uint16_t> samples(frame.width);
    for (uint32_t y = 0; y < frame.height; ++y) {
        void* line = bytes.data();
        if (bits == 8) {
            const auto source = frame.pixels.begin() + static_cast<ptrdiff_t>(y * frame.RowBytes());
            std::copy(source, source + static_cast<ptrdiff_t>(frame.RowBytes()), bytes.begin());
        } else {
            // The plug-in's pixels are little-endian; libtiff takes them in host order.
            for (uint32_t x = 0; x < frame.width; ++x)
                samples[x] = frame.At(x, y);
            line = samples.data();
        }
        if (TIFFWriteScanline(out, line, y, 0) < 0)
            throw CannotWrite(path);
    }
    if (!TIFFFlush(out))
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
