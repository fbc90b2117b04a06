#include "platform/Profile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace vidrune::platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// One line of the file as written, with its line end kept apart.
struct Line {
    std::string text;
    std::string end;
};

std::vector<Line> ReadLines(const std::string& path, bool& exists) {
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    std::vector<Line> lines;
    if (!exists)
        return lines;
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string content = buffer.str();
    // A line ends at LF, CR LF or a lone CR, as text editors on every system treat them.
    size_t start = 0;
    while (start < content.size()) {
        const size_t stop = content.find_first_of("\r\n", start);
        Line line;
        if (stop == std::string::npos) {
            line.text = content.substr(start);
            start = content.size();
        } else {
            line.text = content.substr(start, stop - start);
            const bool crlf = content.compare(stop, 2, "\r\n") == 0;
            line.end = crlf ? "\r\n" : content.substr(stop, 1);
            start = stop + line.end.size();
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::optional<std::string> SectionName(const std::string& text) {
    std::string trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() != '[')
        return std::nullopt;
    size_t close = trimmed.find(']');
    return Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

// Key and raw value of a key line; nothing for comments and other lines.
std::optional<std::pair<std::string, std::string>> KeyValue(const std::string& text) {
    std::string trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[')
        return std::nullopt;
    size_t equals = trimmed.find('=');
    if (equals == std::string::npos)
        return std::nullopt;
    return std::make_pair(Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1)));
}

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::optional<std::string> Lookup(const std::string& path, const std::string& section,
                                  const std::string& key) {
    bool exists = false;
    std::vector<Line> lines = ReadLines(path, exists);
    bool inFirstMatch = false;
    bool sectionSeen = false;
    for (const Line& line : lines) {
        if (auto name = SectionName(line.text)) {
            if (inFirstMatch)
                return std::nullopt; // only the first matching section counts
            inFirstMatch = !sectionSeen && SameName(*name, section);
            sectionSeen = sectionSeen || inFirstMatch;
            continue;
        }
        if (!inFirstMatch)
            continue;
        if (auto kv = KeyValue(line.text); kv && SameName(kv->first, key))
            return Unquote(kv->second);
    }
    return std::nullopt;
}

} // namespace

std::string Profile::GetString(const std::string& path, const std::string& section,
                               const std::string& key, const std::string& defaultValue,
                               size_t bufferSize) {
    if (bufferSize == 0)
        return {};
    std::string value = Lookup(path, section, key).value_or(defaultValue);
    if (value.size() > bufferSize - 1)
        value.resize(bufferSize - 1);
    return value;
}

int Profile::ParseInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t value = 0; // wraps on overflow like the 32-bit reader does
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        for (i += 2; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
            char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
            value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        }
    } else {
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
            value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    if (negative)
        value = 0u - value;
    return static_cast<int>(value);
}

double Profile::ParseNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    // from_chars takes a '-' but no '+'; neither ever depends on the locale.
    if (i + 1 < text.size() && text[i] == '+' && text[i + 1] != '-')
        ++i;
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    return error == std::errc() && std::isfinite(value) ? value : 0.0;
}

int Profile::GetInt(const std::string& path, const std::string& section, const std::string& key,
                    int defaultValue) {
    std::optional<std::string> value = Lookup(path, section, key);
    if (!value || value->empty())
        return defaultValue;
    return ParseInt(*value);
}

bool Profile::WriteString(const std::string& path, const std::string& section,
                          const std::string& key, const std::string& value) {
    bool exists = false;
    std::vector<Line> lines = ReadLines(path, exists);
    const bool crlf =
        std::any_of(lines.begin(), lines.end(), [](const Line& l) { return l.end == "\r\n"; });
    const std::string eol = crlf ? "\r\n" : "\n";
    const std::string entry = key + "=" + value;

    // Find the first matching section and, in it, the key or the last non-blank line.
    std::optional<size_t> sectionLine;
    std::optional<size_t> lastContent;
    bool replaced = false;
    for (size_t i = 0; i < lines.size() && !replaced; ++i) {
        if (auto name = SectionName(lines[i].text)) {
            if (sectionLine)
                break;
            if (SameName(*name, section)) {
                sectionLine = i;
                lastContent = i;
            }
            continue;
        }
        if (!sectionLine)
            continue;
        if (auto kv = KeyValue(lines[i].text); kv && SameName(kv->first, key)) {
            lines[i].text = entry;
            replaced = true;
        } else if (!Trim(lines[i].text).empty()) {
            lastContent = i;
        }
    }
    if (!replaced) {
        if (!lines.empty() && lines.back().end.empty())
            lines.back().end = eol;
        if (sectionLine) {
            lines.insert(lines.begin() + static_cast<long>(*lastContent) + 1, Line{entry, eol});
        } else {
            lines.push_back(Line{"[" + section + "]", eol});
            lines.push_back(Line{entry, eol});
        }
    }

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    for (const Line& line : lines)
        out << line.text << line.end;
    return static_cast<bool>(out.flush());
}

} // namespace vidrune::platform
