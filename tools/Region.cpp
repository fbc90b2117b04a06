#include "tools/Region.h"

#include "tools/ToolError.h"

#include <charconv>
#include <vector>

namespace vidrune::tool {

namespace {

bool ParseNumber(const std::string& text, uint32_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && !text.empty();
}

} // namespace

Region Region::Parse(const std::string& text) {
    std::vector<uint32_t> numbers;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        uint32_t value = 0;
        if (!ParseNumber(text.substr(start, comma - start), value))
            break;
        numbers.push_back(value);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (numbers.size() != 4 || text.empty() || text.back() == ',')
        throw ToolError::BadInput("--region \"" + text +
                                  "\" is not X,Y,W,H (four whole numbers, e.g. 0,0,64,48)");
    const Region region{numbers[0], numbers[1], numbers[2], numbers[3]};
    if (region.width == 0 || region.height == 0)
        throw ToolError::BadInput("--region " + text + " is empty: W and H must be at least 1");
    return region;
}

bool Region::FitsIn(uint32_t frameWidth, uint32_t frameHeight) const {
    return uint64_t{x} + width <= frameWidth && uint64_t{y} + height <= frameHeight;
}

std::string Region::ToString() const {
    return std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(width) + "," +
           std::to_string(height);
}

} // namespace vidrune::tool
