#pragma once

#include "support/TempDir.h"

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>

namespace vidrune::test {

// A simulated camera: its camera file and the VIC file beside it.
struct SimCamera {
    std::string file = "mono8.cam";
    int depth = 8;
    int vicDepth = 0; // the sensor's depth in its VIC file; 0: the same as the camera's
    double frameRate = 200;
    uint32_t maxWidth = 64;
    uint32_t maxHeight = 48;
    std::string extra = {}; // further [Camera] lines, e.g. fault keys
};

// One mode section's keys; the defaults make a usable mode.
struct SimMode {
    std::string name = "Full";
    std::string controlFile = "mono8.cam";
    std::string frameRate = "200";
    int width = 64;
    int height = 48;
    std::string extra = {}; // further lines
};

// Writes configurations and camera files for the simulated board into a fresh folder.
class SimBoardFiles {
public:
    std::string WriteCamera(const SimCamera& camera) const {
        std::ostringstream cam;
        cam << "[Camera]\nPixelDepth=" << camera.depth << "\nFrameRate=" << camera.frameRate << "\n"
            << camera.extra;
        dir_.Write(camera.file, cam.str());
        std::ostringstream vic;
        vic << "[Vic]\nMaxWidth=" << camera.maxWidth << "\nMaxHeight=" << camera.maxHeight
            << "\nPixelDepth=" << (camera.vicDepth != 0 ? camera.vicDepth : camera.depth) << "\n";
        dir_.Write(std::filesystem::path(camera.file).replace_extension("cvi").string(), vic.str());
        return dir_.File(camera.file);
    }

    static std::string ModeSection(const std::string& section, const SimMode& mode) {
        return "[" + section + "]\nNAME=" + mode.name + "\nCONTROLFILE=" + mode.controlFile +
               "\nFRAMERATE=" + mode.frameRate +
               "\nHPERIOD=800\nVPERIOD=600\nPIXELCLOCK=40\nWIDTH=" + std::to_string(mode.width) +
               "\nHEIGHT=" + std::to_string(mode.height) + "\n" + mode.extra;
    }

    static std::string CameraSection(const std::string& section, const std::string& name,
                                     const std::string& extra = "") {
        return "[" + section + "]\nNAME=" + name + "\nPIXELSIZE=0.0074\n" + extra;
    }

    std::string WriteConfig(const std::string& text,
                            const std::string& name = "vidrune.ini") const {
        return dir_.Write(name, text);
    }

    // One camera "Cam" with one mode "Full" on the given camera file; sections follow.
    std::string WriteSingle(const SimCamera& camera, const SimMode& mode,
                            const std::string& cameraExtra = "",
                            const std::string& sections = "") const {
        WriteCamera(camera);
        return WriteConfig(CameraSection("CAMERA1", "Cam", cameraExtra) +
                           ModeSection("CAMERA1_MODE1", mode) + sections);
    }

    // The mode that shows the whole sensor of the camera at its rate.
    static SimMode ModeOf(const SimCamera& camera, const std::string& extra = "") {
        std::ostringstream rate;
        rate << camera.frameRate;
        return SimMode{.controlFile = camera.file,
                       .frameRate = rate.str(),
                       .width = static_cast<int>(camera.maxWidth),
                       .height = static_cast<int>(camera.maxHeight),
                       .extra = extra};
    }

    const TempDir& Dir() const { return dir_; }

private:
    TempDir dir_;
};

// The simulated board's test pattern, pixel (x, y) of sensor frame n.
inline uint8_t Pattern8(uint32_t x, uint32_t y, uint32_t n) {
    return static_cast<uint8_t>(1 + (x + 3 * y + 5 * n) % 255);
}

inline uint16_t Pattern16(uint32_t x, uint32_t y, uint32_t n, int depth) {
    const uint32_t high = 1 + (y + n) % ((1u << (depth - 8)) - 1);
    return static_cast<uint16_t>(high << 8 | Pattern8(x, y, n));
}

} // namespace vidrune::test
