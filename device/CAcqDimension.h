#pragma once

#include "device/CObject.h"

#include <string>
#include <variant>

namespace vidrune {

// One named attribute: a number or a text, its type fixed at creation.
class CAcqDimension : public CObject {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    static constexpr char kNumeric = 'A';
    static constexpr char kString = 'S';

    CAcqDimension(const char* name, const char* text);
    CAcqDimension(const char* name, double value);

    // Null when the name is empty.
    const char* GetName() const { return name_.empty() ? nullptr : name_.c_str(); }
    char GetType() const;
    int GetNumeric(double* out) const;
    // The address stays valid until the text changes to a different one.
    int GetString(const char** out) const;
    int SetNumeric(double value);
    int SetString(const char* text);

private:
    std::string name_;
    std::variant<double, std::string> value_;
};

} // namespace vidrune
