#include "input/CAcqInputModeList.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CAcqInputModeList, CObject)

int CAcqInputModeList::AddMode(std::unique_ptr<CAcqInputMode> mode) {
    if (!mode || !mode->IsValid())
        return 0;
    try {
        modes_.push_back(std::move(mode));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int CAcqInputModeList::CreateMode(const char* name, uint32_t id) {
    try {
        return AddMode(std::make_unique<CAcqInputMode>(name, id, modeType_));
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CAcqInputModeList::RemoveMode(uint32_t id) {
    auto it = std::find_if(modes_.begin(), modes_.end(),
                           [id](const auto& mode) { return mode->GetId() == id; });
    if (it == modes_.end())
        return 0;
    modes_.erase(it);
    return 1;
}

CAcqInputMode* CAcqInputModeList::FindById(uint32_t id) const {
    for (const auto& mode : modes_) {
        if (mode->GetId() == id)
            return mode.get();
    }
    return nullptr;
}

CAcqInputMode* CAcqInputModeList::FindByName(const char* name) const {
    if (name == nullptr)
        return nullptr;
    for (const auto& mode : modes_) {
        const char* modeName = mode->GetName();
        if (modeName != nullptr && std::strcmp(modeName, name) == 0)
            return mode.get();
    }
    return nullptr;
}

int CAcqInputModeList::GetString(uint32_t id, const char* name, const char** out) const {
    const CAcqInputMode* mode = FindById(id);
    return mode != nullptr ? mode->GetString(name, out) : 0;
}

int CAcqInputModeList::GetNumeric(uint32_t id, const char* name, double* out) const {
    const CAcqInputMode* mode = FindById(id);
    return mode != nullptr ? mode->GetNumeric(name, out) : 0;
}

int CAcqInputModeList::SetString(uint32_t id, const char* name, const char* text) {
    CAcqInputMode* mode = FindById(id);
    return mode != nullptr ? mode->SetString(name, text) : 0;
}

int CAcqInputModeList::SetNumeric(uint32_t id, const char* name, double value) {
    CAcqInputMode* mode = FindById(id);
    return mode != nullptr ? mode->SetNumeric(name, value) : 0;
}

int CAcqInputModeList::AcqQuery(uint32_t id, const char* name, void* value) const {
    const CAcqInputMode* mode = FindById(id);
    return mode != nullptr ? mode->AcqQuery(name, value) : 0;
}

int CAcqInputModeList::AcqSet(uint32_t id, const char* name, void* value) {
    CAcqInputMode* mode = FindById(id);
    return mode != nullptr ? mode->AcqSet(name, value) : 0;
}

int CAcqInputModeList::SetCurrent(uint32_t id) {
    const CAcqInputMode* mode = FindById(id);
    if (mode == nullptr || !mode->IsValid())
        return 0;
    current_ = id;
    return 1;
}

const char* CAcqInputModeList::GetFirstName() {
    cursor_ = 0;
    return GetNextName();
}

const char* CAcqInputModeList::GetNextName() {
    if (cursor_ >= modes_.size())
        return nullptr;
    return modes_[cursor_++]->GetName();
}

uint32_t CAcqInputModeList::GetIdByName(const char* name) const {
    const CAcqInputMode* mode = FindByName(name);
    return mode != nullptr ? mode->GetId() : 0;
}

} // namespace vidrune
