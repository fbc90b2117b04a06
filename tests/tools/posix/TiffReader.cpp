// ReadTiff through libtiff.
#include "tools/TiffReader.h"

#include <tiffio.h>

#include <cstdarg>
#include <memory>

namespace vidrune::test {

Image ReadTiff(const std::string& path) {
    Image image;
    // libtiff warns of what it had to guess or skip; a file every reader accepts gives none.
    static bool warned;
    warned = false;
    TIFFSetWarningHandler([](const char*, const char*, va_list) { warned = true; });
    std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(TIFFOpen(path.c_str(), "r"), TIFFClose);
    if (!tiff)
        return image;
    uint16_t bits = 0;
    uint16_t samples = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &image.width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &image.height);
    TIFFGetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    image.bits = samples == 1 ? bits : 0;
    std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tiff.get())));
    for (uint32_t y = 0; y < image.height; ++y) {
        if (TIFFReadScanline(tiff.get(), row.data(), y, 0) < 0)
            return Image{};
        image.data.insert(image.data.end(), row.begin(), row.begin() + image.width * bits / 8);
    }
    return warned ? Image{} : image;
}

} // namespace vidrune::test
