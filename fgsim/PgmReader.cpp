#include "PgmReader.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace vidrune::fgsim {

namespace {

using platform::FileSystem;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Skips blanks and '#' comments between header fields.
void SkipFiller(const std::string& bytes, size_t& pos) {
    while (pos < bytes.size()) {
        if (IsSpace(bytes[pos])) {
            ++pos;
        } else if (bytes[pos] == '#') {
            while (pos < bytes.size() && bytes[pos] != '\n')
                ++pos;
        } else {
            return;
        }
    }
}

std::optional<uint32_t> ReadNumber(const std::string& bytes, size_t& pos) {
    SkipFiller(bytes, pos);
    uint64_t value = 0;
    size_t digits = 0;
    while (pos < bytes.size() && bytes[pos] >= '0' && bytes[pos] <= '9') {
        value = value * 10 + static_cast<uint64_t>(bytes[pos] - '0');
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
        ++pos;
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

bool ParseOne(const std::string& bytes, size_t& pos, std::vector<SourceImage>& images) {
    if (bytes.compare(pos, 2, "P5") != 0)
        return false;
    pos += 2;
    const auto width = ReadNumber(bytes, pos);
    const auto height = ReadNumber(bytes, pos);
    const auto maxValue = ReadNumber(bytes, pos);
    if (!width || !height || !maxValue || *width == 0 || *height == 0 || *maxValue == 0 ||
        *maxValue > 65535)
        return false;
    // Exactly one blank ends the header.
    if (pos >= bytes.size() || !IsSpace(bytes[pos]))
        return false;
    ++pos;
    const uint64_t bytesPerSample = *maxValue > 255 ? 2 : 1;
    const uint64_t count = uint64_t{*width} * *height;
    // Checked against what the file holds before anything is allocated.
    if (count > (bytes.size() - pos) / bytesPerSample)
        return false;
    std::vector<uint16_t> samples(count);
    const auto* raster = reinterpret_cast<const unsigned char*>(bytes.data() + pos);
    if (bytesPerSample == 1) {
        std::copy(raster, raster + count, samples.begin());
    } else {
        for (uint64_t i = 0; i < count; ++i)
            samples[i] = static_cast<uint16_t>((raster[2 * i] << 8) | raster[2 * i + 1]);
    }
    pos += count * bytesPerSample;
    images.emplace_back(*width, *height, *maxValue, std::move(samples));
    return true;
}

} // namespace

bool PgmReader::Read(const std::string& path, std::vector<SourceImage>& images) {
    switch (FileSystem::KindOf(path)) {
    case FileSystem::Kind::File:
        return ReadFile(path, images);
    case FileSystem::Kind::Directory:
        return ReadFolder(path, images);
    default:
        return false;
    }
}

bool PgmReader::ReadFile(const std::string& path, std::vector<SourceImage>& images) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Parse(bytes, images);
}

bool PgmReader::ReadFolder(const std::string& path, std::vector<SourceImage>& images) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension == ".pgm" && entry.is_regular_file(error))
            names.push_back(entry.path().string());
    }
    if (error || names.empty())
        return false;
    std::sort(names.begin(), names.end());
    std::vector<SourceImage> read;
    for (const std::string& name : names)
        if (!ReadFile(name, read))
            return false;
    images.insert(images.end(), std::make_move_iterator(read.begin()),
                  std::make_move_iterator(read.end()));
    return true;
}

bool PgmReader::Parse(const std::string& bytes, std::vector<SourceImage>& images) {
    std::vector<SourceImage> read;
    size_t pos = 0;
    do {
        if (!ParseOne(bytes, pos, read))
            return false;
        SkipFiller(bytes, pos);
    } while (pos < bytes.size());
    images.insert(images.end(), std::make_move_iterator(read.begin()),
                  std::make_move_iterator(read.end()));
    return true;
}

} // namespace vidrune::fgsim
