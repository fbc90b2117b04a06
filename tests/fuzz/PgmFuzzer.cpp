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

bool SameSamples(const SourceImage& a, const SourceImage& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (uint32_t y = 0; y < a.Height(); ++y)
        for (uint32_t x = 0; x < a.Width(); ++x)
            if (a.Row16(y)[x] != b.Row16(y)[x])
                return false;
    return true;
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
    std::vector<SourceImage> again;
    if (!PgmReader::Parse(Write16(images), again) || again.size() != images.size())
        Fail("written images do not read back");
    for (size_t i = 0; i < images.size(); ++i)
        if (!SameSamples(images[i], again[i]))
            Fail("written images read back with other samples");
    return 0;
}
