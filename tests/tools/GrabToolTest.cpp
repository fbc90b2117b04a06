// vidrune-grab as a user runs it: the files it writes, its summary, its error lines and its
// exit status, on the simulated board.
#include "board/FrameCheck.h"
#include "support/Environment.h"
#include "support/ProcessRunner.h"
#include "support/SimBoardFiles.h"
#include "tools/TiffReader.h"
#include "vidrune.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace vidrune::test {
namespace {

Image ReadPgm(const std::string& path) {
    Image image;
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    uint32_t maxval = 0;
    in >> magic >> image.width >> image.height >> maxval;
    in.get();
    if (magic != "P5")
        return image;
    image.bits = maxval > 255 ? 16 : 8;
    for (size_t i = 0; i < size_t{image.width} * image.height; ++i) {
        const int high = image.bits == 16 ? in.get() : 0;
        image.pixels.push_back(static_cast<uint16_t>(high << 8 | in.get()));
    }
    return in ? image : Image{};
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

// A 64 x 48 mode on an 80 x 60 sensor is its centred crop, at (8, 6).
SimCamera Sensor(int depth = 8, const std::string& extra = "",
                 const std::string& file = "cam.cam") {
    return SimCamera{.file = file, .depth = depth, .maxWidth = 80, .maxHeight = 60, .extra = extra};
}

std::string Mode(int camera, int mode, const std::string& name, int width = 64, int height = 48,
                 const std::string& extra = "", const std::string& controlFile = "cam.cam") {
    return SimBoardFiles::ModeSection("CAMERA" + std::to_string(camera) + "_MODE" +
                                          std::to_string(mode),
                                      SimMode{.name = name,
                                              .controlFile = controlFile,
                                              .width = width,
                                              .height = height,
                                              .extra = extra});
}

std::string Camera(int n, const std::string& name, const std::string& extra = "") {
    return SimBoardFiles::CameraSection("CAMERA" + std::to_string(n), name, extra);
}

// Rows print and name their tests by their names; the default would print their bytes.
template <typename Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}
const auto RowName = [](const auto& info) { return std::string(info.param.name); };

// The live display window, drawing into memory.
constexpr const char* kShown = "MPX=0\nDISPNAME=Live\n";

class GrabToolTest : public ::testing::Test {
protected:
    // The configuration; no display window, so the tests run without a screen.
    std::string WriteConfig(const std::string& sections, const std::string& device = "",
                            const std::string& display = "MPX=1\n") {
        return files.WriteConfig("[STRAVIK2]\n" + device + sections + "[EXTDISPLAY]\n" + display);
    }

    // One camera "Cam" with one mode "Full" on the sensor.
    std::string Single(const SimCamera& sensor = Sensor(), const std::string& cameraKeys = "",
                       const std::string& modeKeys = "", int width = 64, int height = 48,
                       const std::string& display = "MPX=1\n") {
        files.WriteCamera(sensor);
        return WriteConfig(Camera(1, "Cam", cameraKeys) +
                               Mode(1, 1, "Full", width, height, modeKeys),
                           "", display);
    }

    // A live run that fails: status 1, the reason on the error output and no snapshot.
    void ExpectLiveFails(const std::string& config, const std::string& snapshot, const char* reason,
                         const std::string& dataHome = "") {
        std::vector<std::string> args = {"live", config, "--seconds", "0.3"};
        if (!snapshot.empty())
            args.insert(args.end(), {"--snapshot", snapshot});
        const ProcessResult run = Tool(args, dataHome);
        EXPECT_EQ(run.status, 1) << run.out << run.err;
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        EXPECT_FALSE(!snapshot.empty() && std::filesystem::exists(snapshot));
    }

    ProcessResult Grab(const std::string& config, std::vector<std::string> args) {
        args.insert(args.begin(), {"grab", config, "--out", out_});
        return Tool(args);
    }

    // dataHome: the user's data folder for the run (the display's saved placement).
    ProcessResult Tool(const std::vector<std::string>& args, const std::string& dataHome = "") {
        Environment::SetSettingsFolder(dataHome.empty() ? files.Dir().File("data") : dataHome);
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

// A 64 x 48 mode on an 80 x 60 sensor is its centred crop, at (8, 6).
struct Written {
    const char* name;
    int depth;
    const char* cameraKeys;
    const char* modeKeys;
    int width, height; // of the mode
    std::vector<std::string> args;
    const char* summary;
    FrameGeometry frame;
    uint32_t x, y, w, h, frames, frameStep, bits;
    bool pgm = false;
};

class GrabWriteTest : public GrabToolTest, public ::testing::WithParamInterface<Written> {};

TEST_P(GrabWriteTest, EachFrameIsTheRegionOfItsCameraFrame) {
    const Written& row = GetParam();
    const std::string config =
        Single(Sensor(row.depth), row.cameraKeys, row.modeKeys, row.width, row.height);
    const ProcessResult run = Grab(config, row.args);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find(row.summary), std::string::npos) << run.out;
    for (uint32_t n = 0; n < row.frames; ++n) {
        const int index = static_cast<int>(n);
        const Image image =
            row.pgm ? ReadPgm(Frame(index, ".pgm")) : TiffReader::Read(Frame(index));
        ASSERT_EQ(image.width, row.w);
        ASSERT_EQ(image.height, row.h);
        ASSERT_EQ(image.bits, row.bits);
        EXPECT_EQ(Compare(image, row.frame, row.x, row.y, n * row.frameStep), "") << "frame " << n;
    }
    EXPECT_EQ(FilesWritten(), row.frames);
}

INSTANTIATE_TEST_SUITE_P(
    Grabs, GrabWriteTest,
    ::testing::Values(
        // More frames than the ring's four buffers: each is read as it arrives.
        Written("RegionOfSubSampledSkipped12Bit", 12, "",
                "RESOLUTION=12\nXSUBSAMPLE=2\nYSUBSAMPLE=2\nFRAMESKIP=2\n", 64, 48,
                {"--frames", "6", "--region", "3,2,10,8"}, "frames read: 6 of 6 without error",
                FrameGeometry{.cropLeft = 8, .cropTop = 6, .xs = 2, .ys = 2, .depth = 12}, 3, 2, 10,
                8, 6, 2, 16),
        Written("FlippedBigEndianPgm", 10, "FLIPDATA=1\n", "RESOLUTION=10\n", 80, 60,
                {"--frames", "2", "--region", "4,50,70,10", "--format", "pgm"},
                "frames read: 2 of 2 without error",
                FrameGeometry{.depth = 10, .frameHeight = 60, .flip = true}, 4, 50, 70, 10, 2, 1,
                16, true),
        // The narrower crop stays centred on the sensor.
        Written("SetsApplyBeforeTheGrab", 8, "", "", 64, 48,
                {"--set", "WIDTH=32", "--set", "Y DATA SCALE=2", "--frames", "1"},
                "frames read: 1 of 1", FrameGeometry{.cropLeft = 24, .cropTop = 6, .ys = 2}, 0, 0,
                32, 24, 1, 1, 8)),
    RowName);

struct Fault {
    const char* name;
    const char* key;
    const char* waitFlag;
    const char* frameLine; // the error line of the first frame that has it
    const char* summaryLine;
    const char* missed;
    int blank = -1; // a frame written as it came, blank
};

class GrabFaultTest : public GrabToolTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(GrabFaultTest, FaultShowsAsErrorLinesAndStatusOne) {
    const Fault& fault = GetParam();
    const std::string config = Single(Sensor(8, fault.key));
    std::vector<std::string> args = {"--frames", "4"};
    if (*fault.waitFlag != '\0')
        args.emplace_back(fault.waitFlag);
    const ProcessResult run = Grab(config, args);
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_NE(run.err.find(fault.frameLine), std::string::npos) << run.err;
    EXPECT_NE(run.out.find(fault.summaryLine), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(fault.missed), std::string::npos) << run.out;
    if (fault.blank >= 0) {
        const Image blank = TiffReader::Read(Frame(fault.blank));
        ASSERT_EQ(blank.pixels.size(), 64u * 48u);
        EXPECT_EQ(std::count(blank.pixels.begin(), blank.pixels.end(), 0), 64 * 48);
        EXPECT_EQ(Compare(TiffReader::Read(Frame(0)), FrameGeometry{.cropLeft = 8, .cropTop = 6}, 0,
                          0, 0),
                  "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    CameraFaults, GrabFaultTest,
    ::testing::Values(
        Fault{"Blank", "BlankFrames=1\n", "", "frame 1: error 18: the frame looks blank",
              "error 18: the frame looks blank (all zero) (1 frame)", "missed frames: 0"},
        Fault{"BlankWaiting", "BlankFrames=2\n", "--wait",
              "frame 2: error 18: the frame looks blank", "frames read: 3 of 4 without error",
              "missed frames: 0", 2},
        Fault{"Dropped", "DropFrames=2\n", "", "frame 2: error 21: frames were lost",
              "error 21: frames were lost", "missed frames: 0"},
        Fault{"Stalled", "StallAfter=2\n", "", "frame 2: error 16: timed out",
              "frames read: 2 of 4 without error", "missed frames: 2"},
        Fault{"StalledWaiting", "StallAfter=2\n", "--wait", "acquisition: error 16: timed out",
              "error 16: timed out waiting for the acquisition or a frame (1 frame)",
              "missed frames: 2"}),
    RowName);

// A camera far faster than the tool reads, into a ring of two buffers. Once the ring has
// overtaken the tool, it jumps a lap ahead instead of failing on every stale index, twice as
// far while it keeps losing, and counts the frames it passed over.
TEST_F(GrabToolTest, FallingBehindTheRingJumpsAheadAndCountsTheSkippedFrames) {
    files.WriteCamera(SimCamera{.file = "cam.cam", .depth = 8, .frameRate = 20000, .extra = ""});
    const std::string config =
        WriteConfig(Camera(1, "Cam") + Mode(1, 1, "Full"), "DATABUFFERS=2\n");
    constexpr int kFrames = 400;
    const ProcessResult run = Grab(config, {"--frames", std::to_string(kFrames)});
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

struct BadInput {
    const char* name;
    std::vector<std::string> args; // after "grab CONFIG"; "@" stands for the test's folder
    std::vector<std::string> messages;
    const char* config = "vidrune.ini"; // in the test's folder
};

class GrabBadInputTest : public GrabToolTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(GrabBadInputTest, SaysWhatIsWrongAndExitsWithTwo) {
    files.WriteCamera(Sensor());
    WriteConfig(Camera(1, "Cam") + Mode(1, 1, "Full") + Mode(1, 2, "Lost", 64, 48, "", "lost.cam"),
                "DATABUFFERS=2\n");
    std::ofstream(files.Dir().File("plain.txt")) << "not a folder";
    std::ofstream(files.Dir().File("none.ini")) << "[CAMERA1]\nNAME=Cam\n";
    // Without "--out" the frames go to out_.
    std::vector<std::string> args = {"grab", files.Dir().File(GetParam().config)};
    for (const std::string& arg : GetParam().args)
        args.push_back(arg.starts_with("@") ? files.Dir().File(arg.substr(1)) : arg);
    if (std::find(args.begin(), args.end(), "--out") == args.end())
        args.insert(args.end(), {"--out", out_});
    const ProcessResult run = Tool(args);
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    for (const std::string& message : GetParam().messages)
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(FilesWritten(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    UserMistakes, GrabBadInputTest,
    ::testing::Values(
        BadInput{"MissingConfig", {}, {"absent.ini does not exist"}, "absent.ini"},
        BadInput{"FolderAsConfig", {}, {"is a folder, not a configuration file"}, ""},
        BadInput{
            "NoUsableCamera", {}, {"no usable camera in", "PIXELSIZE greater than 0"}, "none.ini"},
        BadInput{"UnknownCamera", {"--camera", "Nope"}, {"no camera \"Nope\"", "cameras: \"Cam\""}},
        BadInput{"UnknownMode",
                 {"--mode", "Nope"},
                 {"camera \"Cam\" has no mode \"Nope\"", "modes: \"Full\", \"Lost\""}},
        BadInput{"MissingControlFile",
                 {"--mode", "Lost"},
                 {"error 23", "the control file \"lost.cam\" of mode \"Lost\"",
                  "(the folder of the configuration file)"}},
        BadInput{"UnknownAttribute",
                 {"--set", "GAIN=2"},
                 {"unknown attribute \"GAIN\"", "attributes you can set: \"WIDTH\""}},
        BadInput{
            "MisspelledAttribute", {"--set", "x data scale=2"}, {"did you mean \"X DATA SCALE\"?"}},
        BadInput{"ReadOnlyAttribute", {"--set", "DATA SIZE=2"}, {"\"DATA SIZE\" is read-only"}},
        BadInput{"RejectedScale",
                 {"--set", "X DATA SCALE=3"},
                 {"the board rejects \"X DATA SCALE\" = 3", "allowed: 1, 2 or 4"}},
        BadInput{"RejectedWidth", {"--set", "WIDTH=65"}, {"allowed: 1 to 64 (MAX USER WIDTH)"}},
        BadInput{"SetWithoutValue", {"--set", "WIDTH"}, {"is not NAME=VALUE"}},
        BadInput{"SetOfText", {"--set", "WIDTH=wide"}, {"\"wide\" is not a number"}},
        BadInput{"RegionOutsideFrame",
                 {"--region", "60,0,8,8"},
                 {"--region 60,0,8,8 leaves the frame of 64 x 48 pixels"}},
        BadInput{"MalformedRegion", {"--region", "1,2,3"}, {"is not X,Y,W,H"}},
        BadInput{"EmptyRegion", {"--region", "0,0,0,8"}, {"is empty"}},
        BadInput{"UnwritableOutput",
                 {"--out", "@plain.txt/frames"},
                 {"cannot create the output folder"}},
        BadInput{"MoreWaitedFramesThanBuffers",
                 {"--frames", "3", "--wait"},
                 {"needs as many frame buffers, but the device has 2", "GRAB DATA BUFFERS"}},
        BadInput{"NoFrames", {"--frames", "0"}, {"must be a number greater than 0"}},
        BadInput{"UnknownFormat", {"--format", "jpeg"}, {"--format"}},
        BadInput{"MissingLibrary",
                 {"--library", "@libnothing.so"},
                 {"cannot load the plug-in", "--library PATH"}}),
    RowName);

TEST_F(GrabToolTest, VersionIsTheHeadersAndNeedsNoCommand) {
    const ProcessResult run = Tool({"--version"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "vidrune-grab " VIDRUNE_VERSION_STRING "\n");
}

TEST_F(GrabToolTest, InfoListsCamerasModesAndTheOpenBoard) {
    files.WriteCamera(Sensor(12, "", "deep.cam"));
    files.WriteCamera(Sensor());
    const std::string config = WriteConfig(
        Camera(1, "Cam") + Mode(1, 1, "Full") + Mode(1, 2, "Half", 64, 48, "XSUBSAMPLE=2\n") +
        Camera(2, "Deep", "ROTATEDATA=1\n") +
        Mode(2, 1, "Full", 80, 60, "RESOLUTION=12\n", "deep.cam"));
    const ProcessResult run = Tool({"info", config, "--camera", "Deep"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    for (const char* line :
         {"Device \"STRAVIK2 MONO\" (id 0x10000, type 1)", "Camera \"Cam\" (id 0x10100, type 1)",
          "Mode \"Half\" (id 0x10102)", "X DATA SCALE         2",
          "Camera \"Deep\" (id 0x10101, type 1)", "CONTROL FILE         \"deep.cam\"",
          "Board attributes with camera \"Deep\", mode \"Full\" open", "DATA SIZE            2",
          "DATA RESOLUTION      12", "WIDTH                60", "frame 60 x 80 pixels"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
}

TEST_F(GrabToolTest, LiveReadsTheNewestFrameAtTheAskedRate) {
    const std::string config = Single();
    const ProcessResult run = Tool({"live", config, "--seconds", "0.5", "--rate", "20"});
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
}

TEST_F(GrabToolTest, LiveSavesWhatTheDisplayShows) {
    const std::string config = Single(Sensor(), "", "", 64, 48, kShown);
    const std::string snapshot = files.Dir().File("shown.tif");
    const ProcessResult run =
        Tool({"live", config, "--seconds", "0.5", "--snapshot", snapshot, "--overlay"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
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

TEST_F(GrabToolTest, LiveSaysWhyItFails) {
    ExpectLiveFails(Single(Sensor(8, "StallAfter=0\n")), "",
                    "no frame arrived: the camera stopped delivering frames");
    const std::string snapshot = files.Dir().File("shown.tif");
    ExpectLiveFails(Single(), snapshot,
                    "no snapshot: the configuration asks for no display window");
    const std::string shown = Single(Sensor(), "", "", 64, 48, kShown);
    ExpectLiveFails(shown, files.Dir().File("no/such/dir.tif"), "dir.tif cannot be written");
    // A window that was left minimized draws nothing: no blank file, and the user is told
    // how to show it.
    files.Dir().Write("home/Vorn/Quorvane/LiveDisplay.ini",
                      "[Mode65536_65792_65793]\nXoffset=100\nYoffset=100\nXpixels=64\nState=1\n");
    ExpectLiveFails(shown, snapshot,
                    "no snapshot: the display window is minimized and shows no frame: restore "
                    "it, or place it with State=0",
                    files.Dir().File("home"));
}

} // namespace
} // namespace vidrune::test
