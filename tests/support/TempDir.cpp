#include "support/TempDir.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace vidrune::test {

std::string TempDir::MakeTemp(std::string pattern) {
    // create_directory reports whether it made the folder, so two tests never share one.
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<size_t> pick(0, sizeof kDigits - 2);
    const size_t start = pattern.size() - 6;
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (size_t i = start; i < pattern.size(); ++i)
            pattern[i] = kDigits[pick(random)];
        std::error_code error;
        if (std::filesystem::create_directory(pattern, error))
            return pattern;
    }
    throw std::runtime_error("cannot create a temporary folder");
}

} // namespace vidrune::test
