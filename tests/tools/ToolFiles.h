#pragma once

#include "support/TempDir.h"

#include <cstdint>
#include <sstream>
#include <string>

namespace vidrune::test {

// A simulated camera file with the VIC file beside it.
struct ToolCamera {
    std::string file = "cam.cam";
    int depth = 8;
    uint32_t maxWidth = 80;
    uint32_t maxHeight = 60;
    std::string extra; // further [Camera] lines: fault keys
};

// Writes configurations, camera and VIC files into a fresh folder. Every camera runs at
// 200 frames per second so that the tool's runs stay short.
class ToolFiles {
public:
    static constexpr int kFrameRate = 200;

    void WriteCamera(const ToolCamera& camera) const {
        std::ostringstream cam;
        cam << "[Camera]\nPixelDepth=" << camera.depth << "\nFrameRate=" << kFrameRate << "\n"
            << camera.extra;
        dir_.Write(camera.file, cam.str());
        std::ostringstream vic;
        vic << "[Vic]\nMaxWidth=" << camera.maxWidth << "\nMaxHeight=" << camera.maxHeight
            << "\nPixelDepth=" << camera.depth << "\n";
        dir_.Write(camera.file.substr(0, camera.file.rfind('.')) + ".cvi", vic.str());
    }

    // A camera section "CAMERAn" named name, with extra keys (ROTATEDATA, FLIPDATA).
    static std::string Camera(int n, const std::string& name, const std::string& extra = "") {
        return "[CAMERA" + std::to_string(n) + "]\nNAME=" + name + "\nPIXELSIZE=0.01\n" + extra;
    }

    // A usable mode section with the given geometry and further keys.
    static std::string Mode(int camera, int mode, const std::string& name,
                            const std::string& controlFile, int width, int height,
                            const std::string& extra = "") {
        std::ostringstream out;
        out << "[CAMERA" << camera << "_MODE" << mode << "]\nNAME=" << name
            << "\nCONTROLFILE=" << controlFile << "\nFRAMERATE=" << kFrameRate
            << "\nHPERIOD=100\nVPERIOD=100\nPIXELCLOCK=10\nWIDTH=" << width << "\nHEIGHT=" << height
            << "\n"
            << extra;
        return out.str();
    }

    // The configuration; no display window, so the tests run without a screen.
    std::string WriteConfig(const std::string& sections, const std::string& device = "") const {
        return dir_.Write("vidrune.ini",
                          "[STRAVIK2]\n" + device + sections + "[EXTDISPLAY]\nMPX=1\n");
    }

    std::string Path(const std::string& name) const { return dir_.File(name); }

private:
    TempDir dir_;
};

// The simulated board's pattern at sensor pixel (x, y) of camera frame n.
inline uint16_t SensorPixel(uint32_t x, uint32_t y, uint32_t n, int depth) {
    const auto low = static_cast<uint16_t>(1 + (x + 3 * y + 5 * n) % 255);
    if (depth == 8)
        return low;
    const uint32_t high = 1 + (y + n) % ((1u << (depth - 8)) - 1);
    return static_cast<uint16_t>(high << 8 | low);
}

} // namespace vidrune::test
