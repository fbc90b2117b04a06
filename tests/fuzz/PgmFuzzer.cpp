// The simulated board's PGM reader. Oracle: whatever it accepts has at least one image,
// and those images written out again as 16-bit PGM read back with the same samples
// (their 8-bit rows differ by design: an 8-bit image's samples are not high bytes).
#include "PgmReader.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using vidrune::fgsim::PgmReader;
using vidrune::fgsim::SourceImage;

namespace {

std::string Write16(const std::vector<SourceImage>& images) {
    std::string out;
    for (const SourceImage& image : images) {
        out += "P5\n" + std::to_string(image.Width()) + " " + std::to_string(image.Height()) +
               "\n65535\n";
        for (uint32_t y = 0; y < image.Height(); ++y)
            for (uint32_t x = 0; x < image.Width(); ++x) {
                const uint16_t sample = image.Row16(y)[x];
                out += static_cast<char>(sample >> 8);
                out += static_cast<char>(sample & 0xFF);
            }
    }
    return out;
}

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<SourceImage> images;
    if (!PgmReader::Parse(std::string(reinterpret_cast<const char*>(data), size), images)) {
        if (!images.empty())
            Fail("a refused file left images behind");
        return 0;
    }
    if (images.empty())
        Fail("accepted without an image");
    // Equal texts hold the same images: each header gives the size of the samples after it.
    const std::string written = Write16(images);
    std::vector<SourceImage> again;
    if (!PgmReader::Parse(written, again) || Write16(again) != written)
        Fail("written images do not read back with the same samples");
    return 0;
}
