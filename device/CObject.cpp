#include "device/CObject.h"

namespace vidrune {

const RuntimeClass CObject::kRuntimeClass{"CObject", nullptr};

bool RuntimeClass::IsDerivedFrom(const RuntimeClass* other) const {
    for (const RuntimeClass* cls = this; cls != nullptr; cls = cls->base) {
        if (cls == other)
            return true;
    }
    return false;
}

const RuntimeClass* CObject::GetRuntimeClass() const {
    return &kRuntimeClass;
}

} // namespace vidrune
