#include "tools/LiveCommand.h"

#include "tools/DeviceSession.h"
#include "tools/ErrorText.h"
#include "tools/FrameImage.h"
#include "tools/PluginApi.h"
#include "tools/Region.h"
#include "tools/ToolError.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <thread>

namespace vidrune::tool {

namespace {

// The code whose advice fits a camera that delivers nothing.
constexpr uint32_t kNoFrames = 16;

// Whether a file can be written at path; a file made to find out is removed again.
bool Writable(const std::string& path) {
    std::error_code error;
    const bool existed = std::filesystem::exists(path, error);
    const bool opened = std::ofstream(path, std::ios::binary | std::ios::app).is_open();
    if (opened && !existed)
        std::filesystem::remove(path, error);
    return opened;
}

} // namespace

LiveCommand::LiveCommand(Options options, std::ostream& out, std::ostream& err)
    : options_(std::move(options)), out_(out), err_(err) {}

int LiveCommand::Run() {
    const PluginApi api(options_.session.library);
    DeviceSession session(api);
    session.OpenAsConfigured(options_.session);
    const Region region = options_.region.empty()
                              ? Region::Whole(session.FrameWidth(), session.FrameHeight())
                              : Region::Parse(options_.region);
    session.CheckRegion(region);
    FrameImage image(region.width, region.height, session.BytesPerPixel(), session.Resolution());

    out_ << "live: camera \"" << session.CameraName() << "\", mode \"" << session.ModeName()
         << "\", region " << region.ToString() << ", " << options_.seconds << " s at "
         << options_.rate << " reads per second\n"
         << std::flush;
    AcquireRequest request{};
    request.kind = VIDRUNE_ACQUIRE_CONTINUOUS;
    if (const uint32_t code = session.Start(request); code != 0)
        throw ToolError::Failed("cannot start the continuous acquisition: " +
                                ErrorText::Line(code));

    const auto started = std::chrono::steady_clock::now();
    const Tally tally = ReadForAWhile(session, region, image);
    // The display clears its image when the acquisition stops: save it before.
    const bool saved = options_.snapshot.empty() || SaveSnapshot(api);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    Tally stopped = tally;
    if (const uint32_t code = session.Stop(); code != 0) {
        err_ << "stopping: " << ErrorText::Line(code) << "\n";
        ++stopped.errors[code];
    }
    Report(stopped, seconds, session.ModeNumeric("DATA RATE").value_or(0));
    // Newest-frame reads never wait, so a silent camera shows only as frames that never
    // change.
    if (stopped.newFrames == 0 && stopped.reads > 0)
        err_ << "no frame arrived: " << ErrorText::Hint(kNoFrames) << "\n";
    const bool good =
        saved && stopped.errors.empty() && (stopped.newFrames > 0 || stopped.reads == 0);
    return good ? 0 : ToolError::kAcquisitionFailed;
}

LiveCommand::Tally LiveCommand::ReadForAWhile(DeviceSession& session, const Region& region,
                                              FrameImage& image) {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration<double>(1.0 / options_.rate);
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(options_.seconds));
    FrameImage previous = image;
    Tally tally;
    // The first read comes one period after the start, when a frame is in.
    for (uint64_t tick = 1;; ++tick) {
        const auto next =
            start + std::chrono::duration_cast<Clock::duration>(period * static_cast<double>(tick));
        if (next > end)
            break;
        std::this_thread::sleep_until(next);
        ReadRequest request{};
        request.kind = VIDRUNE_READ_LATEST;
        request.x = region.x;
        request.y = region.y;
        request.width = region.width;
        request.height = region.height;
        request.currentScale = 1;
        request.copyFlag = 1;
        request.data = image.pixels.data();
        ++tally.reads;
        if (const uint32_t code = session.Read(request); code != 0) {
            // Each kind of error is shown once as it happens; the report counts them all.
            if (tally.errors[code]++ == 0)
                err_ << "read " << tally.reads << ": " << ErrorText::Line(code) << "\n";
        } else if (image.pixels != previous.pixels) {
            ++tally.newFrames;
            previous.pixels = image.pixels;
        }
    }
    return tally;
}

bool LiveCommand::SaveSnapshot(const PluginApi& api) const {
    const char* attribute =
        options_.overlay ? "SAVE DISPLAY IMAGE WITH OVERLAY" : "SAVE DISPLAY IMAGE";
    std::string path = options_.snapshot;
    if (api.AcqDeviceSet(attribute, path.data())) {
        out_ << "snapshot of the display: " << path << "\n";
        return true;
    }
    err_ << "no snapshot: " << WhyNoSnapshot(api, options_.snapshot) << "\n";
    return false;
}

std::string LiveCommand::WhyNoSnapshot(const PluginApi& api, const std::string& path) {
    // The plug-in answers 12 whatever the cause; the tool tells them apart.
    double type = 0;
    if (!api.AcqDeviceQuery("DISPLAY TYPE", &type))
        return "the configuration asks for no display window (a window needs [EXTDISPLAY] "
               "with MPX=0)";
    if (!Writable(path))
        return path + " cannot be written";
    return "the display window is minimized and shows no frame: restore it, or place it with "
           "State=0 in the camera's section of $XDG_DATA_HOME/Vorn/Quorvane/LiveDisplay.ini "
           "(where the window saves its place when the camera closes)";
}

void LiveCommand::Report(const Tally& tally, double seconds, double cameraRate) const {
    out_ << std::fixed << std::setprecision(1);
    out_ << "reads: " << tally.reads << " in " << std::setprecision(2) << seconds << " s, "
         << std::setprecision(1) << (seconds > 0 ? tally.reads / seconds : 0)
         << " per second (asked for " << options_.rate << ")\n";
    out_ << "new frames seen: " << tally.newFrames << " (camera delivers " << cameraRate
         << " frames per second)\n";
    if (tally.errors.empty())
        out_ << "errors: none\n";
    for (const auto& [code, count] : tally.errors)
        out_ << ErrorText::Line(code) << " (" << count << (count == 1 ? " read)" : " reads)")
             << "\n";
}

} // namespace vidrune::tool
