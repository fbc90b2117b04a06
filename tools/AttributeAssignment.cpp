#include "tools/AttributeAssignment.h"

#include "tools/ToolError.h"

#include <cmath>
#include <cstdlib>

namespace vidrune::tool {

AttributeAssignment AttributeAssignment::Parse(const std::string& text) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        throw ToolError::BadInput("--set \"" + text +
                                  "\" is not NAME=VALUE (e.g. --set \"X DATA SCALE=2\")");
    AttributeAssignment assignment;
    assignment.name = text.substr(0, equals);
    assignment.valueText = text.substr(equals + 1);
    const char* begin = assignment.valueText.c_str();
    char* end = nullptr;
    assignment.value = std::strtod(begin, &end);
    if (assignment.valueText.empty() || end == begin || *end != '\0' ||
        !std::isfinite(assignment.value))
        throw ToolError::BadInput("--set " + assignment.name + ": \"" + assignment.valueText +
                                  "\" is not a number");
    return assignment;
}

} // namespace vidrune::tool
