#pragma once

#include "support/FrameCheck.h"
#include "support/TempDir.h"
#include "vidrune.h"

#include <cstdint>
#include <map>
#include <string>

namespace vidrune::test {

// A device attribute's number, 0 where the query fails.
double Numeric(const char* name);
// Ends the run with a report: the plug-in did what a host must not meet.
[[noreturn]] void Fail(const std::string& what);

// The plug-in driven as a host drives it, for the fuzzers: files in a folder of its own,
// the live display kept in memory, and the host's calling order with bounded waits only,
// so that a fuzzer's time-out means the plug-in hung, not that a camera was slow.
class FuzzHost {
public:
    FuzzHost();

    // Writes the file and returns its path; a file that already holds these bytes is left
    // alone, as most inputs keep the camera and VIC files of the one before.
    std::string Write(const std::string& name, const std::string& bytes);
    // The path a file of that name has in the folder.
    std::string PathOf(const std::string& name) const { return dir_.File(name); }
    std::string Read(const std::string& name) const { return dir_.Read(name); }

    // The texts of a small, fast camera of the given depth and of its 64 x 48 VIC file.
    static std::string CameraText(int depth = 8) {
        return "[Camera]\nPixelDepth=" + std::to_string(depth) + "\nFrameRate=1000\n";
    }
    static std::string VicText(int depth = 8) {
        return "[Vic]\nMaxWidth=64\nMaxHeight=48\nPixelDepth=" + std::to_string(depth) + "\n";
    }
    // A mode section of the given size keys on that control file, at 1000 frames a second.
    static std::string ModeSection(const std::string& section, const std::string& name,
                                   const std::string& size, const std::string& controlFile) {
        return "[" + section + "]\nNAME=" + name + "\n" + size + "CONTROLFILE=" + controlFile +
               "\nFRAMERATE=1000\nHPERIOD=800\nVPERIOD=600\nPIXELCLOCK=40\n";
    }

    // Initialises; false when the plug-in refused. Aborts when it claims success without
    // a camera to offer.
    bool Initialize(const std::string& config);
    // Walks every camera and mode by name and identifier, as a host's dialog does.
    void Enumerate();
    // Chooses the first camera and its first mode, then opens; true when open.
    bool Open();
    // One counted frame read by index and as the newest, then stopped.
    void GrabOne();
    // One counted frame of width x height read by index: empty when it came and shows the
    // board's test pattern as the frame geometry has it, otherwise what went wrong.
    std::string GrabsThePattern(const FrameGeometry& frame, uint32_t width, uint32_t height);
    void CloseAndFree();

private:
    void ReadInto(uint32_t kind);

    TempDir dir_;
    std::map<std::string, std::string> written_; // each file's bytes
};

} // namespace vidrune::test
