#include "SettingsFile.h"

#include "platform/Profile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>

namespace vidrune::fgsim {

namespace {

constexpr size_t kValueSize = 4096;
constexpr double kMaxRate = 100000.0;

std::string Trim(const std::string& text) {
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    auto begin = std::find_if_not(text.begin(), text.end(), blank);
    auto end = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(begin), blank);
    return std::string(begin, end.base());
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

SettingsFile::SettingsFile(std::string path, std::string section)
    : path_(std::move(path)), section_(std::move(section)) {}

bool SettingsFile::HasSection() const {
    std::ifstream in(path_, std::ios::binary);
    std::string line;
    for (bool first = true; std::getline(in, line); first = false) {
        // The UTF-8 byte order mark editors may put first, which the profile reader skips.
        if (first && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3);
        const std::string trimmed = Trim(line);
        if (trimmed.size() < 2 || trimmed.front() != '[')
            continue;
        const size_t close = trimmed.find(']');
        if (close != std::string::npos && SameName(Trim(trimmed.substr(1, close - 1)), section_))
            return true;
    }
    return false;
}

std::optional<std::string> SettingsFile::Text(const std::string& key) const {
    std::string value = platform::Profile::GetString(path_, section_, key, "", kValueSize);
    if (value.empty())
        return std::nullopt;
    return value;
}

bool SettingsFile::Unsigned(const std::string& key, uint64_t defaultValue, uint64_t low,
                            uint64_t high, uint64_t& value) const {
    const auto text = Text(key);
    if (!text) {
        value = defaultValue;
        return true;
    }
    const auto parsed = ParseUnsigned(*text);
    if (!parsed || *parsed < low || *parsed > high)
        return false;
    value = *parsed;
    return true;
}

bool SettingsFile::Rate(const std::string& key, double defaultValue, double& value) const {
    const auto text = Text(key);
    if (!text) {
        value = defaultValue;
        return true;
    }
    // from_chars reads "29.97" alike under every locale a host may have switched to.
    const char* first = text->data();
    const char* last = first + text->size();
    if (first != last && *first == '+')
        ++first;
    double parsed = 0.0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (error != std::errc() || end != last || !std::isfinite(parsed) || parsed <= 0.0 ||
        parsed > kMaxRate)
        return false;
    value = parsed;
    return true;
}

bool SettingsFile::NumberList(const std::string& key, std::set<uint64_t>& values) const {
    values.clear();
    const auto text = Text(key);
    if (!text)
        return true;
    size_t start = 0;
    while (start <= text->size()) {
        size_t comma = text->find(',', start);
        if (comma == std::string::npos)
            comma = text->size();
        const auto number = ParseUnsigned(text->substr(start, comma - start));
        if (!number)
            return false;
        values.insert(*number);
        start = comma + 1;
    }
    return true;
}

std::optional<uint64_t> SettingsFile::ParseUnsigned(const std::string& text) {
    const std::string trimmed = Trim(text);
    uint64_t value = 0;
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (trimmed.empty() || error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

} // namespace vidrune::fgsim
