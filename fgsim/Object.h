#pragma once

#include "fgcore.h"

namespace vidrune::fgsim {

// Base of everything a handle can name; the registry owns objects through it.
class Object {
public:
    virtual ~Object() = default;
    virtual FgObjectKind Kind() const = 0;
};

} // namespace vidrune::fgsim
