#include "SimBoard.h"

#include <filesystem>

using vidrune::test::SimBoard;

namespace {

// Runs one counted transfer through the buffers to its end, frame i landing in buffer i.
void Grab(SimBoard& board, const std::vector<FgHandle>& buffers) {
    const FgHandle transfer = board.NewTransfer(buffers);
    ASSERT_EQ(FG_OK, FgXferStart(transfer, static_cast<uint32_t>(buffers.size())));
    vidrune::fgsim::TransferCounts counts;
    while (vidrune::fgsim::ReadTransferCounts(transfer, &counts) && counts.running)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::string Pgm(uint32_t width, uint32_t height, uint32_t maxValue,
                const std::vector<uint16_t>& samples) {
    std::string text = "P5\n# test\n" + std::to_string(width) + " " + std::to_string(height) +
                       "\n" + std::to_string(maxValue) + "\n";
    for (uint16_t sample : samples) {
        if (maxValue > 255)
            text.push_back(static_cast<char>(sample >> 8));
        text.push_back(static_cast<char>(sample & 0xFF));
    }
    return text;
}

} // namespace

// A 16-bit image fills wide and narrow buffers.
TEST(FgSimPatternTest, PgmImagesAndFoldersFillTheBuffersInALoopAndMalformedOnesFailTheLoad) {
    SimBoard board;
    const std::vector<uint16_t> samples{0x0102, 0x0A0B, 0x0FFF, 0x0800};
    board.dir.Write("deep.pgm", Pgm(2, 2, 4095, samples));
    board.Program("Source=deep.pgm\nPixelDepth=12\nFrameRate=500\n", "MaxWidth=2\nMaxHeight=2\n");
    const FgHandle wide = board.NewBuffer(2, 2, 16);
    const FgHandle narrow = board.NewBuffer(2, 2, 8);
    Grab(board, {wide, narrow});
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(samples[i] & 0xFF, SimBoard::Pixels(wide)[2 * i]); // little-endian
        EXPECT_EQ(samples[i] >> 8, SimBoard::Pixels(wide)[2 * i + 1]);
        EXPECT_EQ(samples[i] >> 8, SimBoard::Pixels(narrow)[i]);
    }

    // Malformed sources fail the camera load.
    for (const std::string& bad :
         {std::string("P2\n1 1\n255\n1"), std::string("P5\n4 4\n255\nshort"),
          std::string("P5\n0 1\n255\n"), std::string("P5\n1 1\n70000\n\1\1"),
          Pgm(1, 1, 255, {5}) + "garbage"}) {
        board.dir.Write("bad.pgm", bad);
        const std::string path = board.dir.Write("bad.cam", "[Camera]\nSource=bad.pgm\n");
        EXPECT_EQ(FG_ERR_FILE, FgCamLoad(board.camera, path.c_str())) << bad;
    }
    std::filesystem::create_directories(board.dir.File("empty"));
    const std::string path = board.dir.Write("empty.cam", "[Camera]\nSource=empty\n");
    EXPECT_EQ(FG_ERR_FILE, FgCamLoad(board.camera, path.c_str()));

    // The eight-bit files of a folder in name order, each image in turn and then again from
    // the first, tiled over the sensor from the crop's corner. 3 x 2 images whose samples start at
    // 10, 20, 30 and 40; c.PGM holds two.
    auto image = [](uint16_t first) {
        return Pgm(3, 2, 255,
                   {first, uint16_t(first + 1), uint16_t(first + 2), uint16_t(first + 3),
                    uint16_t(first + 4), uint16_t(first + 5)});
    };
    board.dir.Write("movie/b.pgm", image(20));
    board.dir.Write("movie/a.pgm", image(10));
    board.dir.Write("movie/c.PGM", image(30) + image(40));
    board.dir.Write("movie/notes.txt", "not an image");
    board.Program("Source=movie\nFrameRate=500\n", "MaxWidth=8\nMaxHeight=5\n");
    board.SetCrop(1, 1, 7, 4);
    std::vector<FgHandle> buffers;
    for (int i = 0; i < 5; ++i)
        buffers.push_back(board.NewBuffer(7, 4, 8));
    Grab(board, buffers);
    for (uint32_t n = 0; n < 5; ++n) {
        const uint8_t* pixels = SimBoard::Pixels(buffers[n]);
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 7; ++x)
                EXPECT_EQ(10 * (n % 4 + 1) + ((1 + y) % 2) * 3 + (1 + x) % 3, pixels[y * 7 + x])
                    << n;
    }
}
