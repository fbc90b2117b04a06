#pragma once

#include "tools/FrameImage.h"

#include <string>
#include <string_view>

namespace vidrune::tool {

// Writes frames as grayscale image files: TIFF (8 or 16 bits per sample, by the frame's
// pixel size) or binary PGM.
class ImageWriter {
public:
    enum class Format { Tiff, Pgm };

    explicit ImageWriter(Format format) : format_(format) {}

    // "tiff" or "pgm"; throws ToolError (bad input) for anything else.
    static Format ParseFormat(const std::string& name);
    // ".tif" or ".pgm".
    std::string Extension() const;
    // Throws ToolError when the file cannot be written.
    void Write(const std::string& path, const FrameImage& frame) const;

private:
    void WriteTiff(const std::string& path, const FrameImage& frame) const;
    void WritePgm(const std::string& path, const FrameImage& frame) const;
    static void WriteFile(const std::string& path, std::string_view bytes);

    Format format_;
};

} // namespace vidrune::tool
