#pragma once

#include "device/CAcqDimList.h"

#include <cstdint>

namespace vidrune {

// One mode (video format) of an input device, with its own attributes.
class CAcqInputMode : public CObject {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    CAcqInputMode(const char* name, uint32_t id, uint32_t type);

    // Type 0 or 1, a non-empty "NAME", and a mode number in bits 0 to 7.
    virtual int IsValid() const;

    uint32_t GetId() const { return id_; }
    uint32_t GetType() const { return type_; }
    const char* GetName() const;

    int GetNumeric(const char* name, double* out) const {
        return attributes_.GetNumeric(name, out);
    }
    int GetString(const char* name, const char** out) const {
        return attributes_.GetString(name, out);
    }
    int SetNumeric(const char* name, double value) { return attributes_.SetNumeric(name, value); }
    int SetString(const char* name, const char* text) { return attributes_.SetString(name, text); }
    int AcqQuery(const char* name, void* value) const {
        return attributes_.TypedQuery(name, value);
    }
    int AcqSet(const char* name, void* value) { return attributes_.TypedSet(name, value); }
    const CAcqDimList& Attributes() const { return attributes_; }

private:
    uint32_t id_;
    uint32_t type_;
    CAcqDimList attributes_;
};

} // namespace vidrune
