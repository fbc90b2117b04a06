#include "device/CAcqDimList.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CAcqDimList, CObject)

namespace {

bool Usable(const char* name) {
    return name != nullptr && *name != '\0';
}

} // namespace

CAcqDimension* CAcqDimList::Find(const char* name) const {
    if (!Usable(name))
        return nullptr;
    for (const auto& item : items_) {
        const char* itemName = item->GetName();
        if (itemName != nullptr && std::strcmp(itemName, name) == 0)
            return item.get();
    }
    return nullptr;
}

int CAcqDimList::GetType(const char* name, char* letter) const {
    *letter = 0;
    const CAcqDimension* dimension = Find(name);
    if (dimension == nullptr)
        return 0;
    *letter = dimension->GetType();
    return 1;
}

int CAcqDimList::GetNumeric(const char* name, double* out) const {
    const CAcqDimension* dimension = Find(name);
    return dimension != nullptr ? dimension->GetNumeric(out) : 0;
}

int CAcqDimList::GetString(const char* name, const char** out) const {
    const CAcqDimension* dimension = Find(name);
    return dimension != nullptr ? dimension->GetString(out) : 0;
}

int CAcqDimList::Add(std::unique_ptr<CAcqDimension> dimension) {
    items_.insert(items_.begin(), std::move(dimension));
    return 1;
}

int CAcqDimList::AddNumeric(const char* name, double value) {
    if (!Usable(name) || Find(name) != nullptr)
        return 0;
    return Add(std::make_unique<CAcqDimension>(name, value));
}

int CAcqDimList::AddString(const char* name, const char* text) {
    if (!Usable(name) || Find(name) != nullptr)
        return 0;
    return Add(std::make_unique<CAcqDimension>(name, text));
}

int CAcqDimList::SetNumeric(const char* name, double value) {
    CAcqDimension* dimension = Find(name);
    return dimension != nullptr ? dimension->SetNumeric(value) : AddNumeric(name, value);
}

int CAcqDimList::SetString(const char* name, const char* text) {
    CAcqDimension* dimension = Find(name);
    return dimension != nullptr ? dimension->SetString(text) : AddString(name, text);
}

int CAcqDimList::RemoveAttribute(const char* name) {
    const CAcqDimension* dimension = Find(name);
    if (dimension == nullptr)
        return 0;
    std::erase_if(items_, [dimension](const auto& item) { return item.get() == dimension; });
    return 1;
}

int CAcqDimList::TypedQuery(const char* name, void* value) const {
    try {
        char letter = 0;
        if (value == nullptr || !GetType(name, &letter))
            return 0;
        if (letter == CAcqDimension::kNumeric)
            return GetNumeric(name, static_cast<double*>(value));
        if (letter == CAcqDimension::kString)
            return GetString(name, static_cast<const char**>(value));
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CAcqDimList::TypedSet(const char* name, void* value) {
    try {
        char letter = 0;
        if (value == nullptr || !GetType(name, &letter))
            return 0;
        if (letter == CAcqDimension::kNumeric) {
            // No attribute holds NaN or an infinity: neither compares nor converts usefully.
            const double number = *static_cast<const double*>(value);
            return std::isfinite(number) ? SetNumeric(name, number) : 0;
        }
        if (letter == CAcqDimension::kString)
            return SetString(name, static_cast<const char*>(value));
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

} // namespace vidrune
