#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace vidrune::platform {

// Profile (INI) files with the rules of the Windows profile functions: section and
// key names match regardless of letter case, the first matching section and key win,
// blanks around names and values are trimmed, one pair of matching quotes around a
// value is removed. Comments are lines starting with ';' by convention only: like every
// line without '=' they hold no key, and one with '=' holds a key named from the ';' on.
class Profile {
public:
    // While one lives, this thread's lookups read each file once and answer from what was
    // read: a configuration read key by key then sees one version of each file, instead of
    // reading the file again for every key. Writes by this thread are seen. Nests. Made and
    // destroyed by one thread, as a local object. The Windows functions read the file
    // themselves; there it changes nothing.
    class Batch {
    public:
        Batch();
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        // What the outermost batch has read; none for the ones nested in it.
        struct Files;
        std::unique_ptr<Files> files_;
    };

    // The value of the key, or the default when the file, section or key is missing.
    // Like a caller's buffer of bufferSize bytes, the result is cut to bufferSize - 1.
    static std::string GetString(const std::string& path, const std::string& section,
                                 const std::string& key, const std::string& defaultValue,
                                 size_t bufferSize);

    // Leading blanks, an optional sign, then decimal digits or a 0x hexadecimal number up
    // to the first other character; no digits gives 0; a missing or empty key the default.
    static int GetInt(const std::string& path, const std::string& section, const std::string& key,
                      int defaultValue);

    // Replaces the key's line in place or appends it to its section, creating the
    // section and the file when needed; every other line is kept as it was. False, with
    // the file left alone, when it exists but cannot be read whole (no regular file, a
    // read error) or the new content cannot be written whole: the POSIX writer puts a
    // complete new file in the old one's place.
    static bool WriteString(const std::string& path, const std::string& section,
                            const std::string& key, const std::string& value);

    // The integer rule of GetInt applied to a text.
    static int ParseInt(const std::string& text);

    // A decimal number as atof reads it in the "C" locale, whatever locale the host has
    // set: leading blanks, an optional sign, then the longest number (a '.' before the
    // fraction, an optional exponent). A text that starts with no number, and "inf", "nan"
    // or a number beyond the range of a double, give 0: settings are finite numbers.
    static double ParseNumber(const std::string& text);
};

} // namespace vidrune::platform
