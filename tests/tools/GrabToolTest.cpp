// vidrune-grab as a user runs it: the files it writes, its summary, its error lines and its
// exit status, on the simulated board.
#include "support/Environment.h"
#include "support/FrameCheck.h"
#include "support/ProcessRunner.h"
#include "support/SimBoardFiles.h"
#include "tools/TiffReader.h"
#include "vidrune.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <ranges>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vidrune::test {
namespace {

// A PGM file's samples, little-endian as the TIFF reader gives them.
Image ReadPgm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    Image image;
    uint32_t maxval = 0;
    in >> magic >> image.width >> image.height >> maxval;
    in.get();
    image.bits = maxval > 255 ? 16 : 8;
    image.data.assign(std::istreambuf_iterator<char>(in), {});
    for (size_t i = 1; image.bits == 16 && i < image.data.size(); i += 2)
        std::swap(image.data[i - 1], image.data[i]);
    return magic == "P5" ? image : Image{};
}

// An 80 x 60 sensor; a 64 x 48 mode on it is its centred crop, at (8, 6).
SimCamera Sensor(int depth = 8, const std::string& extra = "",
                 const std::string& file = "mono8.cam") {
    return SimCamera{.file = file, .depth = depth, .maxWidth = 80, .maxHeight = 60, .extra = extra};
}

// The live display window, drawing into memory.
constexpr const char* kShown = "MPX=0\nDISPNAME=Live\n";

class GrabToolTest : public ::testing::Test {
protected:
    // The user's data folder (the display's saved placement) is the test's "data".
    ProcessResult Tool(const std::vector<std::string>& args) {
        Environment::SetSettingsFolder(files.Dir().File("data"));
        return ProcessRunner::Run(VIDRUNE_GRAB_PATH, args);
    }

    std::string Frame(int index, const char* extension = ".tif") const {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%04d%s", index, extension);
        return out_ + name;
    }

    size_t FilesWritten() const {
        std::error_code error; // none written where the folder is missing
        return static_cast<size_t>(
            std::distance(std::filesystem::directory_iterator(out_, error), {}));
    }

    SimBoardFiles files;
    std::string out_ = files.Dir().File("out");
};

// What a run writes: each file the region (x, y, w, h) of camera frame n * frameStep as the
// view (whose depth is the camera's) sees it, but for a frame the camera sent blank, which is
// written as it came.
struct Written {
    FrameGeometry view;
    uint32_t x, y, w, h, count;
    uint32_t frameStep = 1;
    int blank = -1;
    bool pgm = false;
};

// A command line ("@name": the file of that name in the test's folder) and what the tool
// answers: its exit status, lines of its output and of its error output, and its files.
struct Call {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> err;
    std::vector<std::string> out = {};
    const char* sensorKeys = ""; // camera faults
    int window = 0;              // 1: a display window drawing into memory; 2: left minimized
    std::optional<Written> written = {};
    // The keys of camera 1 and of its mode "Full", and the mode's size. The camera's depth is
    // that of the written frames.
    const char* modeKeys = "";
    const char* cameraKeys = "";
    int width = 64, height = 48;
};

// Rows print and name their tests by their names; the default would print their bytes.
void PrintTo(const Call& row, std::ostream* out) {
    *out << row.name;
}

class GrabRunTest : public GrabToolTest, public ::testing::WithParamInterface<Call> {};

TEST_P(GrabRunTest, AnswersWithItsStatusLinesAndFiles) {
    const Call& row = GetParam();
    files.WriteCamera(Sensor(12, "", "deep.cam"));
    const int depth = row.written ? row.written->view.depth : 8;
    // Camera 1 "Cam" on the sensor, its mode "Full" of the row's size. MPX=1: no display
    // window, so the tests run without a screen.
    files.WriteCamera(Sensor(depth, row.sensorKeys));
    files.WriteConfig(
        "[STRAVIK2]\n" + SimBoardFiles::CameraSection("CAMERA1", "Cam", row.cameraKeys) +
        SimBoardFiles::ModeSection(
            "CAMERA1_MODE1", {.width = row.width, .height = row.height, .extra = row.modeKeys}) +
        SimBoardFiles::ModeSection("CAMERA1_MODE2", {.name = "Half", .extra = "XSUBSAMPLE=2\n"}) +
        SimBoardFiles::ModeSection("CAMERA1_MODE3", {.name = "Lost", .controlFile = "lost.cam"}) +
        SimBoardFiles::CameraSection("CAMERA2", "Deep", "ROTATEDATA=1\n") +
        SimBoardFiles::ModeSection(
            "CAMERA2_MODE1",
            {.controlFile = "deep.cam", .width = 80, .height = 60, .extra = "RESOLUTION=12\n"}) +
        "[EXTDISPLAY]\n" + (row.window ? kShown : "MPX=1\n"));
    if (row.window == 2)
        files.Dir().Write(
            "data/Vorn/Quorvane/LiveDisplay.ini",
            "[Mode65536_65792_65793]\nXoffset=100\nYoffset=100\nXpixels=64\nState=1\n");
    std::vector<std::string> args;
    for (const std::string& arg : row.args)
        args.push_back(arg.starts_with("@") ? files.Dir().File(arg.substr(1)) : arg);
    if (args[0] == "grab" && std::find(args.begin(), args.end(), "--out") == args.end())
        args.insert(args.end(), {"--out", out_});
    // A file of the user's in the output folder, which the run must leave alone.
    if (row.written)
        files.Dir().Write("out/.vidrune-grab-probe", "mine");
    const ProcessResult run = Tool(args);
    EXPECT_EQ(run.status, row.status) << run.out << run.err;
    for (const auto& [lines, text] : {std::pair{&row.out, &run.out}, {&row.err, &run.err}})
        for (const std::string& line : *lines)
            EXPECT_NE(text->find(line), std::string::npos) << line << "\n" << *text;
    // A refused command line writes no frame, a failed live run no snapshot.
    EXPECT_FALSE(row.status == 2 && FilesWritten() != 0);
    EXPECT_FALSE(row.status == 1 && std::filesystem::exists(files.Dir().File("shown.tif")));
    if (!row.written)
        return;
    const Written& want = *row.written;
    EXPECT_EQ(FilesWritten(), want.count + 1);
    EXPECT_EQ(files.Dir().Read("out/.vidrune-grab-probe"), "mine");
    const uint32_t bits = depth > 8 ? 16 : 8;
    for (uint32_t n = 0; n < want.count; ++n) {
        const Image image = want.pgm ? ReadPgm(Frame(n, ".pgm")) : ReadTiff(Frame(n));
        ASSERT_EQ(std::tuple(image.width, image.height, image.bits, image.data.size()),
                  std::tuple(want.w, want.h, bits, size_t{want.w} * want.h * bits / 8));
        if (int(n) == want.blank)
            EXPECT_EQ(image.data, std::vector<uint8_t>(image.data.size())) << "frame " << n;
        else
            EXPECT_EQ(CompareRegion(image.data, want.view, want.x, want.y, want.w, want.h,
                                    n * want.frameStep),
                      "")
                << "frame " << n;
    }
}

const std::vector<std::string> kLiveSnapshot = {"live", "@vidrune.ini", "--seconds",
                                                "0.3",  "--snapshot",   "@shown.tif"};

std::vector<std::string> GrabWith(std::vector<std::string> more) {
    more.insert(more.begin(), {"grab", "@vidrune.ini"});
    return more;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, GrabRunTest,
    ::testing::Values(
        Call("VersionNeedsNoCommand", {"--version"}, 0, {},
             {"vidrune-grab " VIDRUNE_VERSION_STRING "\n"}),
        Call("InfoListsCamerasModesAndTheOpenBoard", {"info", "@vidrune.ini", "--camera", "Deep"},
             0, {},
             {"Device \"STRAVIK2 MONO\" (id 0x10000, type 1)",
              "Camera \"Cam\" (id 0x10100, type 1)", "Mode \"Half\" (id 0x10102)",
              "X DATA SCALE         2", "Camera \"Deep\" (id 0x10101, type 1)",
              "CONTROL FILE         \"deep.cam\"",
              "Board attributes with camera \"Deep\", mode \"Full\" open", "DATA SIZE            2",
              "DATA RESOLUTION      12", "WIDTH                60", "frame 60 x 80 pixels"}),
        // Camera faults: error lines and status 1.
        Call("BlankWaiting", GrabWith({"--frames", "4", "--wait"}), 1,
             {"frame 2: error 18: the frame looks blank"},
             {"frames read: 3 of 4 without error", "missed frames: 0",
              "error 18: the frame looks blank (all zero) (1 frame)"},
             "BlankFrames=2\n", 0, Written{{.cropLeft = 8, .cropTop = 6}, 0, 0, 64, 48, 4, 1, 2}),
        Call("Dropped", GrabWith({"--frames", "4"}), 1, {"frame 2: error 21: frames were lost"},
             {"error 21: frames were lost", "missed frames: 0"}, "DropFrames=2\n"),
        Call("StalledWaiting", GrabWith({"--frames", "4", "--wait"}), 1,
             {"acquisition: error 16: timed out"},
             {"error 16: timed out waiting for the acquisition or a frame (1 frame)",
              "missed frames: 2"},
             "StallAfter=2\n"),
        Call("NothingArrives", GrabWith({"--frames", "1"}), 1, {"frame 0: error 16: timed out"},
             {"files: none written"}, "StallAfter=0\n"),
        Call("LiveWithoutFrames", {"live", "@vidrune.ini", "--seconds", "0.3"}, 1,
             {"no frame arrived: the camera stopped delivering frames"}, {}, "StallAfter=0\n"),
        Call("SnapshotWithoutWindow", kLiveSnapshot, 1,
             {"no snapshot: the configuration asks for no display window"}),
        Call("UnwritableSnapshot",
             {"live", "@vidrune.ini", "--seconds", "0.3", "--snapshot", "@no/such/dir.tif"}, 1,
             {"dir.tif cannot be written"}, {}, "", 1),
        // A window that was left minimized draws nothing: no blank file, and the user is told
        // how to show it.
        Call("SnapshotOfMinimizedWindow", kLiveSnapshot, 1,
             {"no snapshot: the display window is minimized and shows no frame: restore it, or "
              "place it with State=0"},
             {}, "", 2),
        // Frames written. More frames than the ring's four buffers: each is read as it
        // arrives.
        Call("RegionOfSubSampledSkipped12Bit", GrabWith({"--frames", "6", "--region", "3,2,10,8"}),
             0, {}, {"frames read: 6 of 6 without error"}, "", 0,
             Written{
                 {.cropLeft = 8, .cropTop = 6, .xs = 2, .ys = 2, .depth = 12}, 3, 2, 10, 8, 6, 2},
             "RESOLUTION=12\nXSUBSAMPLE=2\nYSUBSAMPLE=2\nFRAMESKIP=2\n"),
        Call("FlippedBigEndianPgm",
             GrabWith({"--frames", "2", "--region", "4,50,70,10", "--format", "pgm"}), 0, {},
             {"frames read: 2 of 2 without error"}, "", 0,
             Written{{.depth = 10, .frameHeight = 60, .flip = true}, 4, 50, 70, 10, 2, 1, -1, true},
             "RESOLUTION=10\n", "FLIPDATA=1\n", 80, 60),
        // The narrower crop stays centred on the sensor.
        Call("SetsApplyBeforeTheGrab",
             GrabWith({"--set", "WIDTH=32", "--set", "Y DATA SCALE=2", "--frames", "1"}), 0, {},
             {"frames read: 1 of 1 without error"}, "", 0,
             Written{{.cropLeft = 24, .cropTop = 6, .ys = 2}, 0, 0, 32, 24, 1}),
        // User mistakes: what is wrong, and status 2.
        Call("MissingConfig", {"grab", "@absent.ini"}, 2, {"absent.ini does not exist"}),
        Call("FolderAsConfig", {"grab", "@"}, 2, {"is a folder, not a configuration file"}),
        // The camera's file given for the configuration.
        Call("NoUsableCamera", {"grab", "@mono8.cam"}, 2,
             {"no usable camera in", "PIXELSIZE greater than 0"}),
        Call("UnknownCamera", GrabWith({"--camera", "Nope"}), 2,
             {"no camera \"Nope\"", "cameras: \"Cam\", \"Deep\""}),
        Call("UnknownMode", GrabWith({"--mode", "Nope"}), 2,
             {"camera \"Cam\" has no mode \"Nope\"", "modes: \"Full\", \"Half\", \"Lost\""}),
        Call("MissingControlFile", GrabWith({"--mode", "Lost"}), 2,
             {"error 23", "the control file \"lost.cam\" of mode \"Lost\"",
              "(the folder of the configuration file)"}),
        Call("UnknownAttribute", GrabWith({"--set", "GAIN=2"}), 2,
             {"unknown attribute \"GAIN\"", "attributes you can set: \"WIDTH\""}),
        Call("MisspelledAttribute", GrabWith({"--set", "x data scale=2"}), 2,
             {"did you mean \"X DATA SCALE\"?"}),
        Call("ReadOnlyAttribute", GrabWith({"--set", "DATA SIZE=2"}), 2,
             {"\"DATA SIZE\" is read-only"}),
        Call("RejectedScale", GrabWith({"--set", "X DATA SCALE=3"}), 2,
             {"the board rejects \"X DATA SCALE\" = 3", "allowed: 1, 2 or 4"}),
        Call("RejectedWidth", GrabWith({"--set", "WIDTH=65"}), 2,
             {"allowed: 1 to 64 (MAX USER WIDTH)"}),
        Call("SetWithoutValue", GrabWith({"--set", "WIDTH"}), 2, {"is not NAME=VALUE"}),
        Call("SetOfText", GrabWith({"--set", "WIDTH=wide"}), 2, {"\"wide\" is not a number"}),
        Call("RegionOutsideFrame", GrabWith({"--region", "60,0,8,8"}), 2,
             {"--region 60,0,8,8 leaves the frame of 64 x 48 pixels"}),
        Call("MalformedRegion", GrabWith({"--region", "1,2,3"}), 2, {"is not X,Y,W,H"}),
        Call("EmptyRegion", GrabWith({"--region", "0,0,0,8"}), 2, {"is empty"}),
        Call("UnwritableOutput", GrabWith({"--out", "@vidrune.ini/frames"}), 2,
             {"cannot create the output folder"}),
        Call("MoreWaitedFramesThanBuffers", GrabWith({"--frames", "5", "--wait"}), 2,
             {"needs as many frame buffers, but the device has 4", "GRAB DATA BUFFERS"}),
        Call("NoFrames", GrabWith({"--frames", "0"}), 2, {"must be a number greater than 0"}),
        // Times beyond the clock's range: the run ended at once, or never.
        Call("EndlessLive", {"live", "@vidrune.ini", "--seconds", "1e300"}, 2,
             {"--seconds: must be a number from 0.001 to 31536000, not 1e300"}),
        Call("EndlessReadPeriod", {"live", "@vidrune.ini", "--seconds", "0.3", "--rate", "1e-300"},
             2, {"--rate: must be a number from 0.001 to 1000000, not 1e-300"}),
        Call("MissingLibrary", GrabWith({"--library", "@libnothing.so"}), 2,
             {"cannot load the plug-in", "--library PATH"})),
    [](const auto& info) { return std::string(info.param.name); });

// A camera far faster than the tool reads, into a ring of two buffers. Once the ring has
// overtaken the tool, it jumps a lap ahead instead of failing on every stale index, twice as
// far while it keeps losing, and counts the frames it passed over.
TEST_F(GrabToolTest, FallingBehindTheRingJumpsAheadAndCountsTheSkippedFrames) {
    const std::string config =
        files.WriteSingle(SimCamera{.frameRate = 20000}, SimMode{}, "",
                          "[STRAVIK2]\nDATABUFFERS=2\n[EXTDISPLAY]\nMPX=1\n");
    constexpr int kFrames = 400;
    const ProcessResult run =
        Tool({"grab", config, "--out", out_, "--frames", std::to_string(kFrames)});
    if (run.err.find(": error 17:") == std::string::npos)
        GTEST_SKIP() << "the tool kept up with the camera this time";
    ASSERT_EQ(run.status, 1) << run.out << run.err;
    // The notes in order: a lost frame k is followed by "frames k + 1 to next - 1 skipped",
    // but for the last frame.
    std::istringstream notes(run.err);
    int lost = -1, next = -1, jump = 0, skipped = 0;
    for (std::string line; std::getline(notes, line);) {
        int first = 0, last = 0;
        if (line.find(": error 17:") != std::string::npos &&
            std::sscanf(line.c_str(), "frame %d:", &first) == 1) {
            EXPECT_EQ(lost, -1) << "nothing skipped after losing frame " << lost;
            jump = first == next ? 2 * jump : 2;
            lost = first;
        } else if (line.ends_with(" skipped")) {
            if (std::sscanf(line.c_str(), "frames %d to %d", &first, &last) != 2 &&
                std::sscanf(line.c_str(), "frame %d", &first) == 1)
                last = first;
            EXPECT_EQ(first, lost + 1) << line;
            EXPECT_EQ(last + 1, std::min(lost + jump, kFrames)) << line << "\n" << run.err;
            EXPECT_FALSE(std::filesystem::exists(Frame(first)));
            next = last + 1;
            skipped += last - first + 1;
            lost = -1;
        }
    }
    EXPECT_THAT(run.out, ::testing::HasSubstr("skipped to catch up with the camera: " +
                                              std::to_string(skipped) + " frame"));
}

// The display draws into memory; the snapshot is what it shows: the pattern of one camera
// frame, cropped.
TEST_F(GrabToolTest, LiveReadsTheNewestFrameAtTheAskedRateAndSavesWhatTheDisplayShows) {
    const std::string snapshot = files.Dir().File("shown.tif");
    const ProcessResult run = Tool(
        {"live", files.WriteSingle(Sensor(), SimMode{}, "", std::string("[EXTDISPLAY]\n") + kShown),
         "--seconds", "0.5", "--rate", "20", "--snapshot", snapshot, "--overlay"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_THAT(run.out, ::testing::HasSubstr("reads: 10 in"));
    // Reads at 20 a second find newer frames of a camera at 200 a second.
    const size_t at = run.out.find("new frames seen: ");
    ASSERT_NE(at, std::string::npos) << run.out;
    const int seen = std::atoi(run.out.c_str() + at + 17);
    EXPECT_TRUE(seen > 1 && seen <= 10) << run.out;
    const Image image = ReadTiff(snapshot);
    ASSERT_EQ(std::tuple(image.width, image.height, image.bits, image.data.size()),
              std::tuple(64u, 48u, 8u, size_t{64 * 48}));
    EXPECT_TRUE(std::ranges::any_of(std::views::iota(0u, 255u), [&](uint32_t frame) {
        return CompareRegion(image.data, {.cropLeft = 8, .cropTop = 6}, 0, 0, 64, 48, frame)
            .empty();
    }));
}

} // namespace
} // namespace vidrune::test
