#include "tools/GrabTool.h"

#include "tools/GrabCommand.h"
#include "tools/InfoCommand.h"
#include "tools/LiveCommand.h"
#include "tools/PluginApi.h"
#include "tools/ToolError.h"
#include "vidrune.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <functional>
#include <string>

namespace vidrune::tool {

namespace {

// The options every command shares: configuration, camera, mode and attribute sets.
void AddSessionOptions(CLI::App& command, SessionOptions& options, bool withSets) {
    command.add_option("CONFIG", options.config, "configuration file (INI)")->required();
    command.add_option("--camera", options.camera, "camera by name (default: the first)");
    command.add_option("--mode", options.mode, "mode by name (default: the camera's first)");
    if (withSets)
        command.add_option("--set", options.sets,
                           "NAME=VALUE: set a board attribute after opening (repeatable)");
}

// A number greater than 0, with a message that says so.
CLI::Validator Positive() {
    return CLI::Validator(
        [](std::string& text) {
            double value = 0;
            return CLI::detail::lexical_cast(text, value) && value > 0
                       ? std::string()
                       : "must be a number greater than 0, not " + text;
        },
        "POSITIVE");
}

// A number from low to high, with a message that says so: the live loop's times must fit
// the clock's ticks.
CLI::Validator Between(double low, double high, const std::string& name) {
    char range[96];
    std::snprintf(range, sizeof range, "must be a number from %.10g to %.10g", low, high);
    return CLI::Validator(
        [low, high, message = std::string(range)](std::string& text) {
            double value = 0;
            return CLI::detail::lexical_cast(text, value) && value >= low && value <= high
                       ? std::string()
                       : message + ", not " + text;
        },
        name);
}

CLI::Validator NotNegative() {
    return CLI::Validator(
        [](std::string& text) {
            double value = 0;
            return CLI::detail::lexical_cast(text, value) && value >= 0
                       ? std::string()
                       : "must be 0 or more, not " + text;
        },
        "NOT NEGATIVE");
}

} // namespace

int GrabTool::Run(int argc, char** argv) {
    CLI::App app{"vidrune-grab: drives the Vidrune plug-in as a host does: shows devices, "
                 "grabs frames to files, runs live acquisitions"};
    app.require_subcommand(1);
    app.fallthrough();
    app.set_version_flag("--version", std::string("vidrune-grab ") + VIDRUNE_VERSION_STRING,
                         "print the version and exit");
    std::string library = PluginApi::DefaultLibraryPath();
    app.add_option("--library", library,
                   "the plug-in to load (default: beside the tool, or in ../lib)");

    SessionOptions infoOptions;
    CLI::App* info =
        app.add_subcommand("info", "print the device, cameras, modes and the board's attributes");
    AddSessionOptions(*info, infoOptions, true);

    GrabCommand::Options grabOptions;
    CLI::App* grab = app.add_subcommand("grab", "grab a counted number of frames to files");
    AddSessionOptions(*grab, grabOptions.session, true);
    grab->add_option("--frames", grabOptions.frames, "number of frames (default 1)")
        ->check(Positive());
    grab->add_flag("--wait", grabOptions.wait,
                   "the start waits until all frames are in (at most GRAB DATA BUFFERS frames)");
    grab->add_option("--region", grabOptions.region, "X,Y,W,H in frame pixels (default: all)");
    grab->add_option("--timeout", grabOptions.timeoutMs,
                     "milliseconds to wait for each frame (default: from the frame rate)")
        ->check(NotNegative());
    grab->add_option("--out", grabOptions.out, "output folder (default: the current one)");
    grab->add_option("--format", grabOptions.format, "tiff (default) or pgm")
        ->check(CLI::IsMember({"tiff", "pgm"}));

    LiveCommand::Options liveOptions;
    CLI::App* live = app.add_subcommand("live", "run a continuous acquisition for a while");
    AddSessionOptions(*live, liveOptions.session, true);
    live->add_option("--seconds", liveOptions.seconds, "how long (default 5, at most a year)")
        ->check(Between(0.001, 31536000, "0.001 TO 31536000"));
    live->add_option("--rate", liveOptions.rate, "newest-frame reads per second (default 10)")
        ->check(Between(0.001, 1000000, "0.001 TO 1000000"));
    live->add_option("--region", liveOptions.region, "X,Y,W,H in frame pixels (default: all)");
    live->add_option("--snapshot", liveOptions.snapshot,
                     "save the image the display shows at the end as a TIFF file");
    live->add_flag("--overlay", liveOptions.overlay, "the snapshot includes the overlay graphics");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& success) {
        return app.exit(success, out_, err_);
    } catch (const CLI::ParseError& error) {
        app.exit(error, out_, err_);
        return ToolError::kBadInput;
    }

    try {
        if (info->parsed()) {
            infoOptions.library = library;
            return InfoCommand(infoOptions, out_).Run();
        }
        if (grab->parsed()) {
            grabOptions.session.library = library;
            return GrabCommand(grabOptions, out_, err_).Run();
        }
        liveOptions.session.library = library;
        return LiveCommand(liveOptions, out_, err_).Run();
    } catch (const ToolError& error) {
        out_ << std::flush;
        err_ << "vidrune-grab: " << error.what() << "\n";
        return error.Status();
    }
}

} // namespace vidrune::tool
