#include "device/CAcqDimension.h"

#include <cstring>

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CAcqDimension, CObject)

CAcqDimension::CAcqDimension(const char* name, const char* text)
    : name_(name != nullptr ? name : ""), value_(std::string(text != nullptr ? text : "")) {}

CAcqDimension::CAcqDimension(const char* name, double value)
    : name_(name != nullptr ? name : ""), value_(value) {}

char CAcqDimension::GetType() const {
    return std::holds_alternative<double>(value_) ? kNumeric : kString;
}

int CAcqDimension::GetNumeric(double* out) const {
    const double* value = std::get_if<double>(&value_);
    if (value == nullptr)
        return 0;
    *out = *value;
    return 1;
}

int CAcqDimension::GetString(const char** out) const {
    const std::string* text = std::get_if<std::string>(&value_);
    if (text == nullptr)
        return 0;
    *out = text->c_str();
    return 1;
}

int CAcqDimension::SetNumeric(double value) {
    double* stored = std::get_if<double>(&value_);
    if (stored == nullptr)
        return 0;
    *stored = value;
    return 1;
}

int CAcqDimension::SetString(const char* text) {
    std::string* stored = std::get_if<std::string>(&value_);
    if (stored == nullptr)
        return 0;
    const char* newText = text != nullptr ? text : "";
    // An equal text keeps the stored one, so addresses handed out stay valid.
    if (std::strcmp(stored->c_str(), newText) != 0)
        *stored = newText;
    return 1;
}

} // namespace vidrune
