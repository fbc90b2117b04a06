#include "tools/ErrorText.h"

#include <array>

namespace vidrune::tool {

namespace {

struct Entry {
    uint32_t code;
    const char* meaning;
    const char* hint;
};

constexpr std::array kEntries = {
    Entry{0, "no error", ""},
    Entry{1,
          "the device is open already, or the camera or VIC file could not be loaded, or the "
          "camera's serial port could not be opened",
          "check the mode's CONTROLFILE, the .cvi file beside it and the camera's COMPORT"},
    Entry{5, "the previous acquisition did not end in time",
          "the board is still busy; stop other programs that use it and try again"},
    Entry{6, "the operation needs an open device", ""},
    Entry{7,
          "the device is not ready: no board, no folder of camera files, or no acquisition "
          "running",
          "check that the board (or the simulated board libfgcore.so) is present"},
    Entry{8, "a frame buffer or its event could not be created",
          "lower DATABUFFERS in [STRAVIK2] or the mode's WIDTH and HEIGHT"},
    Entry{9, "out of memory: the configuration, a mode or the buffer ring could not be built",
          "lower DATABUFFERS in [STRAVIK2] or the mode's WIDTH and HEIGHT"},
    Entry{10, "the chosen camera has no current mode", "choose a mode with --mode"},
    Entry{11, "no camera is chosen", "choose a camera with --camera"},
    Entry{12, "value or request out of range, or the attribute is unknown or read-only", ""},
    Entry{15, "the board's events could not be created", ""},
    Entry{16, "timed out waiting for the acquisition or a frame",
          "the camera stopped delivering frames, or the time-out is too short for its frame "
          "rate (--timeout MS)"},
    Entry{17, "the frame was overwritten before it was read, or is no longer available",
          "read frames faster, raise DATABUFFERS in [STRAVIK2], or use --wait with no more "
          "frames than buffers"},
    Entry{18, "the frame looks blank (all zero)", "check the camera's signal, lens and exposure"},
    Entry{19, "the acquisition was stopped before all frames were in", ""},
    Entry{21, "frames were lost: the gap between two kept frames was too long",
          "the camera or the board dropped frames; check the cable and the frame rate"},
    Entry{22, "the device was opened before it was initialised", ""},
    Entry{23, "no usable camera in the configuration file, or the mode's camera file is missing",
          "check the CAMERAn and CAMERAn_MODEm sections and the CONTROLFILE names"},
    Entry{26, "unknown acquisition kind or read kind", ""},
    Entry{ErrorText::kFailedWithoutCode, "the plug-in refused the request without an error code",
          ""},
};

const Entry* Find(uint32_t code) {
    for (const Entry& entry : kEntries) {
        if (entry.code == code)
            return &entry;
    }
    return nullptr;
}

} // namespace

std::string ErrorText::Meaning(uint32_t code) {
    const Entry* entry = Find(code);
    return entry != nullptr ? entry->meaning : "unknown error code";
}

std::string ErrorText::Hint(uint32_t code) {
    const Entry* entry = Find(code);
    return entry != nullptr ? entry->hint : "";
}

std::string ErrorText::Line(uint32_t code) {
    return "error " + std::to_string(code) + ": " + Meaning(code);
}

} // namespace vidrune::tool
