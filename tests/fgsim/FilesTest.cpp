#include "SimBoard.h"
#include "support/ScopedLocale.h"

#include <vector>

using vidrune::test::SimBoard;

namespace {

// A parameter of a camera, VIC or acquisition object, read with its getter.
template <auto Get>
uint32_t Prm(FgHandle object, uint32_t parameter) {
    uint32_t value = 0;
    EXPECT_EQ(FG_OK, Get(object, parameter, &value));
    return value;
}

// The camera's pixel depth, then the VIC's size, pixel format and crop (left, top, size).
std::vector<uint32_t> Settings(FgHandle camera, FgHandle vic) {
    std::vector<uint32_t> values{Prm<FgCamGetPrm>(camera, FG_CAM_PRM_PIXEL_DEPTH)};
    for (uint32_t parameter :
         {FG_VIC_PRM_MAX_WIDTH, FG_VIC_PRM_MAX_HEIGHT, FG_VIC_PRM_PIXEL_FORMAT,
          FG_VIC_PRM_CROP_LEFT, FG_VIC_PRM_CROP_TOP, FG_VIC_PRM_CROP_WIDTH, FG_VIC_PRM_CROP_HEIGHT})
        values.push_back(Prm<FgVicGetPrm>(vic, parameter));
    return values;
}

} // namespace

// Missing files, sections and bad values fail the load and change nothing; a good load
// reaches the acquisition, which hands its settings back. Rates read alike under a decimal
// comma locale, where the system has one.
TEST(FgSimFilesTest, BadFilesChangeNothingAndTheAcquisitionHandsBackGoodOnes) {
    const vidrune::test::ScopedLocale german(vidrune::test::ScopedLocale::kGerman);
    SimBoard board;
    board.Program("PixelDepth=10\n", "MaxWidth=100\n");
    // Each file kind needs its own section: swapped.cam and swapped.cvi have the other's.
    const std::string vicOnly = board.dir.Write("swapped.cam", "[Vic]\nMaxWidth=5\n");
    for (const std::string& path : {board.dir.File("none.cam"), vicOnly})
        EXPECT_EQ(FG_ERR_FILE, FgCamLoad(board.camera, path.c_str())) << path;
    for (const char* bad : {"PixelDepth=17", "PixelDepth=7", "PixelDepth=12x", "FrameRate=0",
                            "FrameRate=fast", "FrameRate=29,97", "DropFrames=1,,2", "StallAfter=-1",
                            "NoSignal=2", "Source=nothing-here.pgm"}) {
        const std::string path = board.dir.Write("bad.cam", std::string("[Camera]\n") + bad + "\n");
        EXPECT_EQ(FG_ERR_FILE, FgCamLoad(board.camera, path.c_str())) << bad;
    }
    for (const std::string& path :
         {board.dir.File("none.cvi"), board.dir.Write("swapped.cvi", "[Camera]\nPixelDepth=9\n"),
          board.dir.Write("bad.cvi", "[Vic]\nMaxWidth=0\n")})
        EXPECT_EQ(FG_ERR_FILE, FgVicLoad(board.vic, path.c_str())) << path;
    EXPECT_EQ(Settings(board.camera, board.vic),
              (std::vector<uint32_t>{10, 100, 1024, 0x800, 0, 0, 100, 1024}));
    // A byte order mark before the section, as editors on Windows may save it.
    const std::string marked =
        board.dir.Write("marked.cam", "\xEF\xBB\xBF[Camera]\nPixelDepth=11\n");
    EXPECT_EQ(FG_OK, FgCamLoad(board.camera, marked.c_str()));
    EXPECT_EQ(11u, Prm<FgCamGetPrm>(board.camera, FG_CAM_PRM_PIXEL_DEPTH));
    for (const char* rate : {"FrameRate=29.97", "FrameRate=+2.5e1", "TriggerRate=0.5"}) {
        const std::string path = board.dir.Write("rate.cam", std::string("[Camera]\n") + rate);
        EXPECT_EQ(FG_OK, FgCamLoad(board.camera, path.c_str())) << rate;
    }

    // Programmed again, the acquisition hands its settings back and stores its parameters.
    board.Program("PixelDepth=14\n", "MaxWidth=300\nMaxHeight=200\nPixelDepth=14\n");
    ASSERT_EQ(FG_OK, FgCamSetPrm(board.camera, FG_CAM_PRM_START_FIELD, 2));
    board.SetCrop(10, 20, 100, 50);
    const SimBoard fresh; // its camera and VIC objects receive them
    ASSERT_EQ(FG_OK, FgAcqGetPrms(board.acquisition, fresh.vic, fresh.camera, 1));
    EXPECT_EQ(Settings(fresh.camera, fresh.vic),
              (std::vector<uint32_t>{14, 300, 200, 0x1000, 10, 20, 100, 50}));
    EXPECT_EQ(2u, Prm<FgCamGetPrm>(fresh.camera, FG_CAM_PRM_START_FIELD));

    for (uint32_t parameter :
         {FG_ACQ_PRM_FRAME_COUNT, FG_ACQ_PRM_TRIGGER_MODE, FG_ACQ_PRM_FIELD_CAP,
          FG_ACQ_PRM_TRIGGER_LEVEL, FG_ACQ_PRM_TRIGGER_DELAY, FG_ACQ_PRM_TRIGGER_SOURCE,
          FG_ACQ_PRM_TIMING_A, FG_ACQ_PRM_TIMING_B}) {
        ASSERT_EQ(FG_OK, FgAcqSetPrm(board.acquisition, parameter, parameter + 3));
        EXPECT_EQ(parameter + 3, Prm<FgAcqGetPrm>(board.acquisition, parameter));
    }
    uint32_t value = 0;
    EXPECT_EQ(FG_ERR_PARAMETER, FgAcqGetPrm(board.acquisition, 0x12345, &value));
    EXPECT_EQ(FG_ERR_PARAMETER, FgAcqSetPrm(board.acquisition, FG_ACQ_PRM_BOARD_KIND, 3));
    ASSERT_EQ(FG_OK, FgAcqGetCap(board.acquisition, FG_ACQ_PRM_BOARD_KIND, &value));
    EXPECT_EQ(1u, value);
    EXPECT_EQ(FG_ERR_PARAMETER, FgVicSetPrm(board.vic, FG_VIC_PRM_PIXEL_FORMAT, 0xC00));
    EXPECT_EQ(FG_ERR_PARAMETER, FgCamSetPrm(board.camera, FG_CAM_PRM_PIXEL_DEPTH, 20));
}
