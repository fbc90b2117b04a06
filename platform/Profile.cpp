#include "platform/Profile.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace vidrune::platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

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

} // namespace vidrune::platform
