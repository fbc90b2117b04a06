#pragma once

#include <clocale>
#include <string>

namespace vidrune::test {

// Switches the whole process to a locale, as a Qt host does at start, and back at the end.
// Available() is false when the system lacks the locale (scripts/deps.sh generates the
// German one the tests use).
class ScopedLocale {
public:
    explicit ScopedLocale(const char* name) {
        const char* previous = std::setlocale(LC_ALL, nullptr);
        previous_ = previous != nullptr ? previous : "C";
        available_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

    bool Available() const { return available_; }

    // German: a decimal comma, so "29.97" would read as 29 through the C library.
    static constexpr const char* kGerman = "de_DE.UTF-8";

private:
    std::string previous_;
    bool available_ = false;
};

} // namespace vidrune::test
