#pragma once

#include <span>
#include <string>

namespace vidrune::tool {

// The attribute names a host knows, with their types: no export lists attributes or tells
// their type, so a host carries this knowledge itself.
class AttributeCatalog {
public:
    struct Attribute {
        const char* name;
        bool text; // a text attribute; otherwise a number
    };

    // What the board accepts for an attribute a host may set.
    struct Settable {
        const char* name;
        const char* allowed;   // the values in words
        const char* limitedBy; // attribute holding the upper limit, or null
    };

    static std::span<const Attribute> Device();
    static std::span<const Attribute> Camera();
    static std::span<const Attribute> Mode();
    static std::span<const Settable> SettableOnBoard();

    // Null when the board does not take the name.
    static const Settable* FindSettable(const std::string& name);
    // A settable name that differs only in letter case or blanks, or empty.
    static std::string Suggest(const std::string& name);
};

} // namespace vidrune::tool
