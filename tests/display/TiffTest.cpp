#include "display/Palette.h"
#include "display/TiffWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

namespace vidrune::test {

// How the file is written (whole or not at all) is FileSystem::WriteWhole's, tested with it.
// Requests without an image write nothing.
TEST(TiffTest, LibtiffReadsAPaletteImageAndRefusalsWriteNothing) {
    TempDir dir;
    const Palette palette;
    const int width = 641; // odd width: rows are not padded
    const int height = 37;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    std::iota(pixels.begin(), pixels.end(), uint8_t{0}); // each row starts at another value
    const std::string path = dir.File("b.tif");
    ASSERT_TRUE(TiffWriter::WriteTiff(path, width, height, pixels.data(), palette));
    EXPECT_EQ(std::filesystem::file_size(path), 1832u + 641u * 37u);

    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    // Its size, depth and pixels are read back by the tool's snapshot test as well.
    uint16_t photometric = 0;
    ASSERT_EQ(TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric), 1);
    EXPECT_EQ(photometric, PHOTOMETRIC_PALETTE);
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    ASSERT_EQ(TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue), 1);
    // Grays, but for the saturated entry's red. Grays of an image take the entries 3 to 239 in
    // proportion; only saturation takes the red entry.
    const Palette::GrayTable& grays = palette.GrayToPalette();
    for (int i = 0; i < 256; ++i) {
        const int gray = i == Palette::kSaturatedEntry ? 0 : i * 256;
        EXPECT_EQ(std::tuple(red[i], green[i], blue[i]),
                  std::tuple(i == Palette::kSaturatedEntry ? 240 * 256 : gray, gray, gray));
        EXPECT_EQ(grays[i], i == 255 ? Palette::kSaturatedEntry : 3 + i * 237 / 255) << i;
    }
    std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tiff)));
    ASSERT_EQ(row.size(), 641u);
    for (int y = 0; y < height; ++y) {
        ASSERT_EQ(TIFFReadScanline(tiff, row.data(), static_cast<uint32_t>(y), 0), 1);
        ASSERT_EQ(std::memcmp(row.data(), pixels.data() + static_cast<size_t>(y) * width, 641), 0)
            << y;
    }
    TIFFClose(tiff);

    EXPECT_FALSE(TiffWriter::WriteTiff(dir.File("e.tif"), 0, 4, pixels.data(), palette));
    EXPECT_FALSE(TiffWriter::WriteTiff(dir.File("e.tif"), 4, 4, nullptr, palette));
    EXPECT_FALSE(std::filesystem::exists(dir.File("e.tif")));
}

} // namespace vidrune::test
