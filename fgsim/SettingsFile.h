#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace vidrune::fgsim {

// Reading of the camera and VIC files: profile syntax, values checked strictly so that a
// typing error fails the load instead of running with a silent default.
class SettingsFile {
public:
    SettingsFile(std::string path, std::string section);

    // True when the file exists and has the section (names compare regardless of case).
    bool HasSection() const;
    // The trimmed value, or nothing when the key is missing or empty.
    std::optional<std::string> Text(const std::string& key) const;
    // Missing keys give the default; a value that is not a whole number in range fails.
    bool Unsigned(const std::string& key, uint64_t defaultValue, uint64_t low, uint64_t high,
                  uint64_t& value) const;
    bool Rate(const std::string& key, double defaultValue, double& value) const;
    // Comma-separated frame numbers; a missing key gives an empty set.
    bool NumberList(const std::string& key, std::set<uint64_t>& values) const;

    const std::string& Path() const { return path_; }

    static std::optional<uint64_t> ParseUnsigned(const std::string& text);

private:
    std::string path_;
    std::string section_;
};

} // namespace vidrune::fgsim
