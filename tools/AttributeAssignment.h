#pragma once

#include <string>

namespace vidrune::tool {

// One --set NAME=VALUE: an attribute name as the board spells it and a number.
struct AttributeAssignment {
    std::string name;
    double value = 0;
    std::string valueText; // as the user wrote it

    // Throws ToolError (bad input) when the text is not NAME=NUMBER.
    static AttributeAssignment Parse(const std::string& text);
};

} // namespace vidrune::tool
