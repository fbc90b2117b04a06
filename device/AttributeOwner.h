#pragma once

#include "device/CAcqDimList.h"

namespace vidrune {

// What the device, its input devices and their modes share: named attributes of their
// own and the plain accessors to them.
class AttributeOwner {
public:
    int GetNumeric(const char* name, double* out) const {
        return attributes_.GetNumeric(name, out);
    }
    int GetString(const char* name, const char** out) const {
        return attributes_.GetString(name, out);
    }
    // Both create the attribute when it is missing.
    int SetNumeric(const char* name, double value) { return attributes_.SetNumeric(name, value); }
    int SetString(const char* name, const char* text) { return attributes_.SetString(name, text); }
    // Typed query through an untyped value pointer; names are used as given.
    int AcqQuery(const char* name, void* value) const {
        return attributes_.TypedQuery(name, value);
    }
    const CAcqDimList& Attributes() const { return attributes_; }

protected:
    AttributeOwner() = default;
    ~AttributeOwner() = default;

    CAcqDimList attributes_;
};

} // namespace vidrune
