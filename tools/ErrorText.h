#pragma once

#include <cstdint>
#include <string>

namespace vidrune::tool {

// The plug-in's last-error codes in words: a one-line meaning, and what the user can do
// about it where that is clear.
class ErrorText {
public:
    // A failed call that left no code behind.
    static constexpr uint32_t kFailedWithoutCode = 0xFFFFFFFF;

    static std::string Meaning(uint32_t code);
    // Empty when there is no general advice for the code.
    static std::string Hint(uint32_t code);
    // "error 16: <meaning>".
    static std::string Line(uint32_t code);
};

} // namespace vidrune::tool
