#include "input/CAcqInputMode.h"

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CAcqInputMode, CObject)

CAcqInputMode::CAcqInputMode(const char* name, uint32_t id, uint32_t type) : id_(id), type_(type) {
    attributes_.AddString("NAME", name);
}

const char* CAcqInputMode::GetName() const {
    const char* name = nullptr;
    return attributes_.GetString("NAME", &name) ? name : nullptr;
}

int CAcqInputMode::IsValid() const {
    if (type_ > 1)
        return 0;
    const char* name = GetName();
    if (name == nullptr || *name == '\0')
        return 0;
    return (id_ & 0xFFu) != 0 ? 1 : 0;
}

} // namespace vidrune
