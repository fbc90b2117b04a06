#pragma once

#include "device/AttributeOwner.h"

#include <cstdint>

namespace vidrune {

// One mode (video format) of an input device, with its own attributes.
class CAcqInputMode : public CObject, public AttributeOwner {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    CAcqInputMode(const char* name, uint32_t id, uint32_t type);

    // Type 0 or 1, a non-empty "NAME", and a mode number in bits 0 to 7.
    virtual int IsValid() const;

    uint32_t GetId() const { return id_; }
    uint32_t GetType() const { return type_; }
    const char* GetName() const;

    int AcqSet(const char* name, void* value) { return attributes_.TypedSet(name, value); }

private:
    uint32_t id_;
    uint32_t type_;
};

} // namespace vidrune
