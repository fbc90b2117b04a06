// The profile reader and writer: the input gives a section, a key, a value and the bytes
// of an existing file. Oracle: the value written reads back unchanged, and every other
// key of the file keeps the value it had.
#include "platform/Profile.h"
#include "support/TempDir.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <strings.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using vidrune::platform::Profile;
using vidrune::test::TempDir;

namespace {

constexpr size_t kMaxNameLength = 40;
constexpr size_t kReadBuffer = size_t{1} << 20;

bool Trimmed(const std::string& text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    return !text.empty() && !blank(text.front()) && !blank(text.back());
}

bool HasAny(const std::string& text, const std::string& characters) {
    return text.find_first_of(characters) != std::string::npos;
}

// What one line of a profile file can hold: names are trimmed, a section name has no ']',
// a key no '=' and does not look like a comment or a section, a value is trimmed and not
// one quoted text (the reader removes those quotes).
bool Representable(const std::string& section, const std::string& key, const std::string& value) {
    const std::string breaks("\r\n\0", 3);
    if (!Trimmed(section) || HasAny(section, breaks + "]"))
        return false;
    if (!Trimmed(key) || HasAny(key, breaks + "=") || key.front() == ';' || key.front() == '[')
        return false;
    if (HasAny(value, breaks) || (!value.empty() && !Trimmed(value)))
        return false;
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return !quoted;
}

// Equal but for case. The comparison ends at a '\0', but no name holding one is checked.
bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// Section and key names that the file appears to hold, found by a plain scan; the reader
// itself decides what they hold.
std::vector<std::pair<std::string, std::string>> Probes(const std::string& file) {
    std::vector<std::pair<std::string, std::string>> probes;
    std::string section;
    size_t start = 0;
    while (start <= file.size() && probes.size() < 12) {
        const size_t end = std::min(file.find_first_of("\r\n", start), file.size());
        const std::string line = file.substr(start, end - start);
        start = end + 1;
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos)
            continue;
        if (line[first] == '[') {
            section = line.substr(first + 1, line.find(']') - first - 1);
        } else if (const size_t equals = line.find('='); equals != std::string::npos) {
            probes.emplace_back(section, line.substr(0, equals));
        }
    }
    return probes;
}

std::string Read(const std::string& path, const std::string& section, const std::string& key) {
    return Profile::GetString(path, section, key, "\x01missing", kReadBuffer);
}

std::unique_ptr<TempDir> dir;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    dir = std::make_unique<TempDir>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(kMaxNameLength);
    const std::string key = input.ConsumeRandomLengthString(kMaxNameLength);
    const std::string value = input.ConsumeRandomLengthString(kMaxNameLength * 4);
    const std::string file = input.ConsumeRemainingBytesAsString();

    const std::string path = dir->Write("fuzz.ini", file);
    // Every other key the file appears to hold, with the value it had.
    std::vector<std::array<std::string, 3>> others;
    for (const auto& [otherSection, otherKey] : Probes(file))
        if (!SameName(otherSection, section) || !SameName(otherKey, key))
            others.push_back({otherSection, otherKey, Read(path, otherSection, otherKey)});

    const bool written = Profile::WriteString(path, section, key, value);
    if (!written || !Representable(section, key, value))
        return 0;
    if (const std::string back = Read(path, section, key); back != value) {
        std::fprintf(stderr, "[%s] %s: wrote \"%s\", read \"%s\"\n", section.c_str(), key.c_str(),
                     value.c_str(), back.c_str());
        std::abort();
    }
    for (const auto& [otherSection, otherKey, before] : others) {
        if (const std::string after = Read(path, otherSection, otherKey); after != before) {
            std::fprintf(stderr, "[%s] %s changed from \"%s\" to \"%s\"\n", otherSection.c_str(),
                         otherKey.c_str(), before.c_str(), after.c_str());
            std::abort();
        }
    }
    return 0;
}
