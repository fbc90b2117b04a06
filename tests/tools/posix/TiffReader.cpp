// TiffReader through libtiff.
#include "tools/TiffReader.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstring>
#include <memory>

namespace vidrune::test {

namespace {

// libtiff warns of what it had to guess or skip; a file every reader accepts gives none.
int NoteWarning(TIFF*, void* warned, const char*, const char*, va_list) {
    *static_cast<bool*>(warned) = true;
    return 1;
}

} // namespace

Image TiffReader::Read(const std::string& path) {
    Image image;
    bool warned = false;
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(),
                                                                         TIFFOpenOptionsFree);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), NoteWarning, &warned);
    std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(TIFFOpenExt(path.c_str(), "r", options.get()),
                                                TIFFClose);
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
        for (uint32_t x = 0; x < image.width; ++x) {
            uint16_t value = row[x];
            if (bits == 16)
                std::memcpy(&value, row.data() + 2 * x, 2);
            image.pixels.push_back(value);
        }
    }
    return warned ? Image{} : image;
}

} // namespace vidrune::test
