#include "tools/GrabCommand.h"

#include "tools/DeviceSession.h"
#include "tools/ErrorText.h"
#include "tools/FrameImage.h"
#include "tools/GrabSummary.h"
#include "tools/ImageWriter.h"
#include "tools/PluginApi.h"
#include "tools/ProgressBar.h"
#include "tools/Region.h"
#include "tools/TerminalProbe.h"
#include "tools/ToolError.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <optional>
#include <random>
#include <sstream>

namespace vidrune::tool {

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kFrameTimedOut = 16;
constexpr uint32_t kFrameOverwritten = 17;

// A blank frame and a gap in the stream still deliver the frame's pixels.
bool DeliversPixels(uint32_t code) {
    return code == 0 || code == 18 || code == 21;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

GrabCommand::GrabCommand(Options options, std::ostream& out, std::ostream& err)
    : options_(std::move(options)), out_(out), err_(err) {}

int GrabCommand::Run() {
    const ImageWriter writer(ImageWriter::ParseFormat(options_.format));
    PrepareOutputFolder();

    const PluginApi api(options_.session.library);
    DeviceSession session(api);
    session.OpenAsConfigured(options_.session);
    const Region region = options_.region.empty()
                              ? Region::Whole(session.FrameWidth(), session.FrameHeight())
                              : Region::Parse(options_.region);
    session.CheckRegion(region);
    CheckFrameCount(session);
    const int32_t timeoutMs = FrameTimeout(session);
    PrintPlan(session, region);

    GrabSummary summary(static_cast<uint32_t>(options_.frames));
    const double rate = session.ModeNumeric("DATA RATE").value_or(0);
    summary.SetExpectedRate(rate / std::max(1.0, session.Numeric("DATA SKIP").value_or(1)));
    ProgressBar progress(err_, static_cast<uint32_t>(options_.frames),
                         TerminalProbe::ErrorIsTerminal());

    AcquireRequest request{};
    request.kind = VIDRUNE_ACQUIRE_NORMAL;
    request.frameCount = options_.frames;
    request.waitFlag = options_.wait ? 1 : 0;
    const auto started = std::chrono::steady_clock::now();
    if (const uint32_t code = session.Start(request); code != 0) {
        // A waiting start that ended early leaves the frames that did come in the ring.
        if (!options_.wait)
            throw ToolError::Failed("cannot start the acquisition: " + ErrorText::Line(code) +
                                    "\n  " + ErrorText::Hint(code));
        summary.StartFailed(code);
        progress.Note("acquisition: " + ErrorText::Line(code));
    }
    const uint32_t startError = summary.StartError();
    const double waited = Seconds(started);
    const double arrival = ReadFrames(session, region, timeoutMs, writer, summary, progress);
    // A waiting start returns once the last frame is in: its frames came in while it waited.
    summary.SetArrivalSeconds(options_.wait && startError == 0 ? waited : arrival);
    progress.Finish();
    if (const uint32_t code = session.Stop(); code != 0)
        err_ << "stopping the acquisition: " << ErrorText::Line(code) << "\n";

    summary.Print(out_);
    return summary.AllGood() ? 0 : ToolError::kAcquisitionFailed;
}

double GrabCommand::ReadFrames(DeviceSession& session, const Region& region, int32_t timeoutMs,
                               const ImageWriter& writer, GrabSummary& summary,
                               ProgressBar& progress) {
    FrameImage image(region.width, region.height, session.BytesPerPixel(), session.Resolution());
    std::optional<std::chrono::steady_clock::time_point> first;
    double arrival = 0;
    int32_t jump = 0; // after a lost frame: how far the next read goes ahead
    for (int32_t index = 0; index < options_.frames; ++index) {
        ReadRequest request{};
        request.kind = VIDRUNE_READ_BY_INDEX;
        request.index = index;
        request.timeoutMs = timeoutMs;
        request.x = region.x;
        request.y = region.y;
        request.width = region.width;
        request.height = region.height;
        request.copyFlag = 1;
        request.data = image.pixels.data();
        const uint32_t code = session.Read(request);
        const bool delivered = DeliversPixels(code);
        if (delivered) {
            if (!first)
                first = std::chrono::steady_clock::now();
            arrival = Seconds(*first);
        }
        summary.Record(code, delivered);
        if (code != 0)
            progress.Note("frame " + std::to_string(index) + ": " + ErrorText::Line(code));
        if (delivered) {
            const std::string path = FileName(index, writer);
            writer.Write(path, image);
            summary.FileWritten(path);
        }
        if (code == kFrameOverwritten) {
            // A loss right after a jump means the camera ran further than the jump during the
            // read: jump twice as far. A frame jumped beyond the newest is waited for, which
            // costs no more than the frames jumped.
            jump = jump == 0 ? std::max(session.BufferCount(), 1)
                             : std::min(2 * jump, options_.frames);
            index = SkipAhead(index, jump, summary, progress);
        } else {
            jump = 0;
        }
        progress.Update(static_cast<uint32_t>(index + 1));
        if (code == kFrameTimedOut) {
            // The acquisition has stalled or ended: later frames will not come either.
            if (index + 1 < options_.frames)
                progress.Note(index + 2 == options_.frames
                                  ? "frame " + std::to_string(index + 1) + " not read"
                                  : "frames " + std::to_string(index + 1) + " to " +
                                        std::to_string(options_.frames - 1) + " not read");
            break;
        }
    }
    return arrival;
}

int32_t GrabCommand::SkipAhead(int32_t lost, int32_t jump, GrabSummary& summary,
                               ProgressBar& progress) const {
    // The ring lost this frame, so the board is at least one lap (as many frames as buffers)
    // further: the frames in between are gone or next to go, and reading them one by one
    // would only fail in turn.
    const int32_t next = std::min(lost + jump, options_.frames);
    const int32_t skipped = next - lost - 1;
    if (skipped > 0) {
        summary.Skipped(static_cast<uint32_t>(skipped));
        progress.Note(skipped == 1 ? "frame " + std::to_string(lost + 1) + " skipped"
                                   : "frames " + std::to_string(lost + 1) + " to " +
                                         std::to_string(next - 1) + " skipped");
    }
    return next - 1;
}

void GrabCommand::PrepareOutputFolder() const {
    std::error_code error;
    fs::create_directories(options_.out, error);
    if (!fs::is_directory(options_.out))
        throw ToolError::BadInput("cannot create the output folder " + options_.out +
                                  (error ? ": " + error.message() : ""));
    // Only a real file tells whether the folder takes files. The name is new to the folder,
    // so that no file of the user's is written over and removed.
    std::random_device entropy;
    fs::path probe;
    do
        probe = fs::path(options_.out) / (".vidrune-grab-probe-" + std::to_string(entropy()));
    while (fs::exists(probe, error));
    const bool writable = std::ofstream(probe).good();
    fs::remove(probe, error);
    if (!writable)
        throw ToolError::BadInput("the output folder " + options_.out + " cannot be written");
}

void GrabCommand::CheckFrameCount(const DeviceSession& session) const {
    const int32_t buffers = session.BufferCount();
    if (!options_.wait || options_.frames <= buffers)
        return;
    throw ToolError::BadInput(
        "--frames " + std::to_string(options_.frames) + " with --wait needs as many frame " +
        "buffers, but the device has " + std::to_string(buffers) +
        " (\"GRAB DATA BUFFERS\", set by DATABUFFERS in [STRAVIK2], 1 to 20)\n"
        "  ask for at most " +
        std::to_string(buffers) +
        " frames, raise DATABUFFERS, or leave out --wait to read each frame as it arrives");
}

int32_t GrabCommand::FrameTimeout(const DeviceSession& session) const {
    if (options_.timeoutMs >= 0)
        return options_.timeoutMs;
    // Room for three frame intervals on top of a second.
    const double rate = session.ModeNumeric("DATA RATE").value_or(0);
    const double skip = std::max(1.0, session.Numeric("DATA SKIP").value_or(1));
    const double interval = rate > 0 ? skip * 1000.0 / rate : 1000.0;
    return static_cast<int32_t>(std::min(1000.0 + 3 * interval, 600000.0));
}

std::string GrabCommand::FileName(int32_t index, const ImageWriter& writer) const {
    const size_t digits = std::max<size_t>(4, std::to_string(options_.frames - 1).size());
    std::ostringstream name;
    name << "frame-" << std::setw(static_cast<int>(digits)) << std::setfill('0') << index
         << writer.Extension();
    return (fs::path(options_.out) / name.str()).string();
}

void GrabCommand::PrintPlan(const DeviceSession& session, const Region& region) const {
    out_ << "camera \"" << session.CameraName() << "\", mode \"" << session.ModeName()
         << "\": frame " << session.FrameWidth() << " x " << session.FrameHeight() << ", "
         << session.Resolution() << "-bit\n";
    out_ << "grabbing " << options_.frames << (options_.frames == 1 ? " frame" : " frames")
         << (options_.wait ? " (start waits for all)" : " (read as they arrive)") << ", region "
         << region.ToString() << ", into " << options_.out << "\n"
         << std::flush;
}

} // namespace vidrune::tool
