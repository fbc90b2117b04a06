#pragma once

#include "SourceImage.h"

#include <string>
#include <vector>

namespace vidrune::fgsim {

// Reads binary (P5) PGM images: one or more concatenated in a file, or every ".pgm"
// file of a folder in name order. 16-bit samples are big-endian in the file.
class PgmReader {
public:
    // A file or a folder; false (and no images) when nothing usable is there.
    static bool Read(const std::string& path, std::vector<SourceImage>& images);
    static bool ReadFile(const std::string& path, std::vector<SourceImage>& images);
    static bool ReadFolder(const std::string& path, std::vector<SourceImage>& images);
    // Every image in the bytes; false when the bytes hold none or end malformed.
    static bool Parse(const std::string& bytes, std::vector<SourceImage>& images);
};

} // namespace vidrune::fgsim
