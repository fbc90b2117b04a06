// vidrune-grab as a user runs it: the files it writes, its summary, its error lines and its
// exit status, on the simulated board.
#include "support/Environment.h"
#include "support/FrameCheck.h"
#include "support/ProcessRunner.h"
#include "support/SimBoardFiles.h"
#include "tools/TiffReader.h"
#include "vidrune.h"
#if !defined(_WIN32)
#include "support/posix/FileSizeLimit.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace vidrune::test {
namespace {

Image ReadPgm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    Image image;
    uint32_t maxval = 0;
    in >> magic >> image.width >> image.height >> maxval;
    in.get();
    image.bits = maxval > 255 ? 16 : 8;
    for (size_t i = 0; i < size_t{image.width} * image.height; ++i) {
        const int high = image.bits == 16 ? in.get() : 0;
        image.pixels.push_back(static_cast<uint16_t>(high << 8 | in.get()));
    }
    return in && magic == "P5" ? image : Image{};
}

// Empty when the image is the region (x, y) of camera frame n as the view sees it.
std::string Compare(const Image& image, const FrameGeometry& view, uint32_t x, uint32_t y,
                    uint32_t n) {
    for (uint32_t r = 0; r < image.height; ++r)
        for (uint32_t c = 0; c < image.width; ++c)
            if (image.At(c, r) != view.Shown(x + c, y + r, n))
                return "pixel (" + std::to_string(c) + "," + std::to_string(r) + ") of frame " +
                       std::to_string(n) + " differs";
    return {};
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
    // Camera 1 "Cam" on the sensor, its mode 1 "Full" of width x height pixels; further
    // sections follow. MPX=1: no display window, so the tests run without a screen.
    std::string Config(const SimCamera& sensor, const std::string& cameraKeys = "",
                       const std::string& modeKeys = "", int width = 64, int height = 48,
                       const std::string& sections = "", const std::string& display = "MPX=1\n",
                       const std::string& device = "") {
        files.WriteCamera(sensor);
        return files.WriteConfig(
            "[STRAVIK2]\n" + device + SimBoardFiles::CameraSection("CAMERA1", "Cam", cameraKeys) +
            SimBoardFiles::ModeSection("CAMERA1_MODE1",
                                       {.width = width, .height = height, .extra = modeKeys}) +
            sections + "[EXTDISPLAY]\n" + display);
    }

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
// view sees it, but for a frame the camera sent blank, which is written as it came.
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
    const char* display = "MPX=1\n";
    bool minimized = false; // the display window's saved placement
    // Camera 1's depth and keys, and the size and keys of its mode "Full".
    int depth = 8;
    const char* cameraKeys = "";
    const char* modeKeys = "";
    int width = 64, height = 48;
    std::optional<Written> written = {};
};

// Rows print and name their tests by their names; the default would print their bytes.
void PrintTo(const Call& row, std::ostream* out) {
    *out << row.name;
}

class GrabRunTest : public GrabToolTest, public ::testing::WithParamInterface<Call> {};

TEST_P(GrabRunTest, AnswersWithItsStatusLinesAndFiles) {
    const Call& row = GetParam();
    files.WriteCamera(Sensor(12, "", "deep.cam"));
    Config(
        Sensor(row.depth, row.sensorKeys), row.cameraKeys, row.modeKeys, row.width, row.height,
        SimBoardFiles::ModeSection("CAMERA1_MODE2", {.name = "Half", .extra = "XSUBSAMPLE=2\n"}) +
            SimBoardFiles::ModeSection("CAMERA1_MODE3",
                                       {.name = "Lost", .controlFile = "lost.cam"}) +
            SimBoardFiles::CameraSection("CAMERA2", "Deep", "ROTATEDATA=1\n") +
            SimBoardFiles::ModeSection(
                "CAMERA2_MODE1",
                {.controlFile = "deep.cam", .width = 80, .height = 60, .extra = "RESOLUTION=12\n"}),
        row.display);
    files.Dir().Write("plain.txt", "not a folder");
    files.Dir().Write("none.ini", "[CAMERA1]\nNAME=Cam\n");
    if (row.minimized)
        files.Dir().Write(
            "data/Vorn/Quorvane/LiveDisplay.ini",
            "[Mode65536_65792_65793]\nXoffset=100\nYoffset=100\nXpixels=64\nState=1\n");
    std::vector<std::string> args;
    for (const std::string& arg : row.args)
        args.push_back(arg.starts_with("@") ? files.Dir().File(arg.substr(1)) : arg);
    if (args[0] == "grab" && std::find(args.begin(), args.end(), "--out") == args.end())
        args.insert(args.end(), {"--out", out_});
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
    EXPECT_EQ(FilesWritten(), want.count);
    for (int n = 0; n < static_cast<int>(want.count); ++n) {
        const Image image = want.pgm ? ReadPgm(Frame(n, ".pgm")) : TiffReader::Read(Frame(n));
        ASSERT_EQ(std::tuple(image.width, image.height, image.bits),
                  std::tuple(want.w, want.h, row.depth > 8 ? 16u : 8u));
        if (n == want.blank)
            EXPECT_EQ(image.pixels, std::vector<uint16_t>(image.pixels.size())) << "frame " << n;
        else
            EXPECT_EQ(Compare(image, want.view, want.x, want.y, uint32_t(n) * want.frameStep), "")
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
             "BlankFrames=2\n", "MPX=1\n", false, 8, "", "", 64, 48,
             Written{FrameGeometry{.cropLeft = 8, .cropTop = 6}, 0, 0, 64, 48, 4, 1, 2}),
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
             {"dir.tif cannot be written"}, {}, "", kShown),
        // A window that was left minimized draws nothing: no blank file, and the user is told
        // how to show it.
        Call("SnapshotOfMinimizedWindow", kLiveSnapshot, 1,
             {"no snapshot: the display window is minimized and shows no frame: restore it, or "
              "place it with State=0"},
             {}, "", kShown, true),
        // Frames written (after the lines: sensor keys, display, minimized, then camera 1's
        // depth and keys, its mode's keys and size, and the files). More frames than the
        // ring's four buffers: each is read as it arrives.
        Call("RegionOfSubSampledSkipped12Bit", GrabWith({"--frames", "6", "--region", "3,2,10,8"}),
             0, {}, {"frames read: 6 of 6 without error"}, "", "MPX=1\n", false, 12, "",
             "RESOLUTION=12\nXSUBSAMPLE=2\nYSUBSAMPLE=2\nFRAMESKIP=2\n", 64, 48,
             Written{FrameGeometry{.cropLeft = 8, .cropTop = 6, .xs = 2, .ys = 2, .depth = 12}, 3,
                     2, 10, 8, 6, 2}),
        Call("FlippedBigEndianPgm",
             GrabWith({"--frames", "2", "--region", "4,50,70,10", "--format", "pgm"}), 0, {},
             {"frames read: 2 of 2 without error"}, "", "MPX=1\n", false, 10, "FLIPDATA=1\n",
             "RESOLUTION=10\n", 80, 60,
             Written{FrameGeometry{.depth = 10, .frameHeight = 60, .flip = true}, 4, 50, 70, 10, 2,
                     1, -1, true}),
        // The narrower crop stays centred on the sensor.
        Call("SetsApplyBeforeTheGrab",
             GrabWith({"--set", "WIDTH=32", "--set", "Y DATA SCALE=2", "--frames", "1"}), 0, {},
             {"frames read: 1 of 1 without error"}, "", "MPX=1\n", false, 8, "", "", 64, 48,
             Written{FrameGeometry{.cropLeft = 24, .cropTop = 6, .ys = 2}, 0, 0, 32, 24, 1}),
        // User mistakes: what is wrong, and status 2.
        Call("MissingConfig", {"grab", "@absent.ini"}, 2, {"absent.ini does not exist"}),
        Call("FolderAsConfig", {"grab", "@"}, 2, {"is a folder, not a configuration file"}),
        Call("NoUsableCamera", {"grab", "@none.ini"}, 2,
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
        Call("UnwritableOutput", GrabWith({"--out", "@plain.txt/frames"}), 2,
             {"cannot create the output folder"}),
        Call("MoreWaitedFramesThanBuffers", GrabWith({"--frames", "5", "--wait"}), 2,
             {"needs as many frame buffers, but the device has 4", "GRAB DATA BUFFERS"}),
        Call("NoFrames", GrabWith({"--frames", "0"}), 2, {"must be a number greater than 0"}),
        // Times beyond the clock's range: the run ended at once, or never.
        Call("EndlessLive", {"live", "@vidrune.ini", "--seconds", "1e300"}, 2,
             {"--seconds: must be a number from 0.001 to 31536000, not 1e300"}),
        Call("EndlessReadPeriod", {"live", "@vidrune.ini", "--seconds", "0.3", "--rate", "1e-300"},
             2, {"--rate: must be a number from 0.001 to 1000000, not 1e-300"}),
        Call("UnknownFormat", GrabWith({"--format", "jpeg"}), 2, {"--format"}),
        Call("MissingLibrary", GrabWith({"--library", "@libnothing.so"}), 2,
             {"cannot load the plug-in", "--library PATH"})),
    [](const auto& info) { return std::string(info.param.name); });

#if !defined(_WIN32)
// A run over an earlier one that cannot finish its files (a full disk) keeps the earlier
// frames whole, in both formats, and says so.
TEST_F(GrabToolTest, AWriteThatCannotFinishKeepsTheEarlierFrame) {
    const std::string config = Config(Sensor());
    // Nor does the tool touch a file of the user's that it did not write.
    const std::string mine = "out/.vidrune-grab-probe";
    files.Dir().Write(mine, "mine");
    for (const char* format : {"tiff", "pgm"}) {
        const std::vector<std::string> args = {"grab",     config, "--frames", "1",
                                               "--format", format, "--out",    out_};
        ASSERT_EQ(Tool(args).status, 0) << format;
        const std::string name =
            std::string("out/frame-0000") + (format[0] == 't' ? ".tif" : ".pgm");
        const std::string before = files.Dir().Read(name);
        ProcessResult run;
        {
            // A coverage build's tool writes its counts as it unloads the plug-in, before its
            // message. Under the limit those writes would fail half-way, spoil the build's
            // own counts, and their complaints would fill the stderr file.
            Environment::Set("GCOV_PREFIX", files.Dir().File("gcov"));
            Environment::Set("GCOV_ERROR_FILE", "/dev/null");
            const FileSizeLimit full(before.size() / 2);
            ASSERT_TRUE(full.Set());
            run = Tool(args);
            Environment::Unset("GCOV_PREFIX");
            Environment::Unset("GCOV_ERROR_FILE");
        }
        EXPECT_EQ(run.status, 1) << format;
        EXPECT_NE(run.err.find("cannot write " + files.Dir().File(name)), std::string::npos)
            << run.err;
        EXPECT_TRUE(files.Dir().Read(name) == before) << format << ": the earlier frame changed";
        EXPECT_EQ(FilesWritten(), 2u) << format;
        std::filesystem::remove(files.Dir().File(name));
    }
    EXPECT_EQ(files.Dir().Read(mine), "mine");
}
#endif

// A camera far faster than the tool reads, into a ring of two buffers. Once the ring has
// overtaken the tool, it jumps a lap ahead instead of failing on every stale index, twice as
// far while it keeps losing, and counts the frames it passed over.
TEST_F(GrabToolTest, FallingBehindTheRingJumpsAheadAndCountsTheSkippedFrames) {
    const SimCamera fast{.frameRate = 20000};
    const std::string config = Config(fast, "", "", 64, 48, "", "MPX=1\n", "DATABUFFERS=2\n");
    constexpr int kFrames = 400;
    const ProcessResult run =
        Tool({"grab", config, "--out", out_, "--frames", std::to_string(kFrames)});
    // The notes in order: a lost frame k is followed by "frames k + 1 to next - 1 skipped".
    struct Jump {
        int lost, next;
    };
    std::vector<Jump> jumps;
    std::istringstream notes(run.err);
    int skipped = 0;
    for (std::string line; std::getline(notes, line);) {
        int first = 0, last = 0;
        if (line.find(": error 17:") != std::string::npos &&
            std::sscanf(line.c_str(), "frame %d:", &first) == 1) {
            jumps.push_back({first, kFrames});
        } else if (line.ends_with(" skipped")) {
            if (std::sscanf(line.c_str(), "frames %d to %d", &first, &last) != 2 &&
                std::sscanf(line.c_str(), "frame %d", &first) == 1)
                last = first;
            ASSERT_FALSE(jumps.empty()) << line;
            EXPECT_EQ(first, jumps.back().lost + 1) << line;
            jumps.back().next = last + 1;
            skipped += last - first + 1;
        }
    }
    if (jumps.empty())
        GTEST_SKIP() << "the tool kept up with the camera this time";
    ASSERT_EQ(run.status, 1) << run.out << run.err;
    int expectedJump = 2;
    for (size_t i = 0; i < jumps.size(); ++i) {
        const Jump& jump = jumps[i];
        const bool followsLoss = i > 0 && jumps[i - 1].next == jump.lost;
        expectedJump = followsLoss ? expectedJump * 2 : 2;
        EXPECT_EQ(jump.next, std::min(jump.lost + expectedJump, kFrames))
            << "after losing frame " << jump.lost << "\n"
            << run.err;
        EXPECT_FALSE(std::filesystem::exists(Frame(jump.lost + 1)));
    }
    EXPECT_NE(
        run.out.find("skipped to catch up with the camera: " + std::to_string(skipped) + " frame"),
        std::string::npos)
        << run.out;
}

// The display draws into memory; the snapshot is what it shows.
TEST_F(GrabToolTest, LiveReadsTheNewestFrameAtTheAskedRateAndSavesWhatTheDisplayShows) {
    const std::string snapshot = files.Dir().File("shown.tif");
    const ProcessResult run =
        Tool({"live", Config(Sensor(), "", "", 64, 48, "", kShown), "--seconds", "0.5", "--rate",
              "20", "--snapshot", snapshot, "--overlay"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("reads: 10 in"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("errors: none"), std::string::npos) << run.out;
    // At 200 frames per second every read at 20 per second finds a newer frame, unless a
    // loaded machine holds the simulated camera back for a whole read period now and then.
    int seen = -1;
    const size_t at = run.out.find("new frames seen: ");
    ASSERT_NE(at, std::string::npos) << run.out;
    std::sscanf(run.out.c_str() + at, "new frames seen: %d", &seen);
    EXPECT_GE(seen, 6) << run.out;
    EXPECT_LE(seen, 10) << run.out;

    EXPECT_EQ(std::filesystem::file_size(snapshot), 1832u + 64u * 48u);
    const Image image = TiffReader::Read(snapshot);
    ASSERT_EQ(image.width, 64u);
    ASSERT_EQ(image.bits, 8u);
    // The newest frame as the display shows it: the pattern of one camera frame, cropped.
    bool matches = false;
    for (uint32_t frame = 0; frame < 255 && !matches; ++frame)
        matches = Compare(image, FrameGeometry{.cropLeft = 8, .cropTop = 6}, 0, 0, frame).empty();
    EXPECT_TRUE(matches);
}

} // namespace
} // namespace vidrune::test
