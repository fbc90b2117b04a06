#include "device/CAcqDimList.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
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
    std::shared_lock lock(lock_);
    *letter = 0;
    const CAcqDimension* dimension = Find(name);
    if (dimension == nullptr)
        return 0;
    *letter = dimension->GetType();
    return 1;
}

int CAcqDimList::NumericOf(const char* name, double* out) const {
    const CAcqDimension* dimension = Find(name);
    return dimension != nullptr ? dimension->GetNumeric(out) : 0;
}

int CAcqDimList::TextOf(const char* name, const char** out) const {
    const CAcqDimension* dimension = Find(name);
    return dimension != nullptr ? dimension->GetString(out) : 0;
}

int CAcqDimList::GetNumeric(const char* name, double* out) const {
    std::shared_lock lock(lock_);
    return NumericOf(name, out);
}

int CAcqDimList::GetString(const char* name, const char** out) const {
    std::shared_lock lock(lock_);
    return TextOf(name, out);
}

int CAcqDimList::Add(const char* name, std::unique_ptr<CAcqDimension> dimension) {
    if (!Usable(name) || Find(name) != nullptr)
        return 0;
    items_.insert(items_.begin(), std::move(dimension));
    return 1;
}

int CAcqDimList::AddNumeric(const char* name, double value) {
    if (!Usable(name))
        return 0;
    auto dimension = std::make_unique<CAcqDimension>(name, value);
    std::unique_lock lock(lock_);
    return Add(name, std::move(dimension));
}

int CAcqDimList::AddString(const char* name, const char* text) {
    if (!Usable(name))
        return 0;
    auto dimension = std::make_unique<CAcqDimension>(name, text);
    std::unique_lock lock(lock_);
    return Add(name, std::move(dimension));
}

int CAcqDimList::StoreNumeric(const char* name, double value) {
    CAcqDimension* dimension = Find(name);
    if (dimension != nullptr)
        return dimension->SetNumeric(value);
    return Usable(name) ? Add(name, std::make_unique<CAcqDimension>(name, value)) : 0;
}

int CAcqDimList::StoreText(const char* name, const char* text) {
    CAcqDimension* dimension = Find(name);
    if (dimension != nullptr)
        return dimension->SetString(text);
    return Usable(name) ? Add(name, std::make_unique<CAcqDimension>(name, text)) : 0;
}

int CAcqDimList::SetNumeric(const char* name, double value) {
    std::unique_lock lock(lock_);
    return StoreNumeric(name, value);
}

int CAcqDimList::SetString(const char* name, const char* text) {
    std::unique_lock lock(lock_);
    return StoreText(name, text);
}

int CAcqDimList::RemoveAttribute(const char* name) {
    std::unique_lock lock(lock_);
    const CAcqDimension* dimension = Find(name);
    if (dimension == nullptr)
        return 0;
    std::erase_if(items_, [dimension](const auto& item) { return item.get() == dimension; });
    return 1;
}

size_t CAcqDimList::GetCount() const {
    std::shared_lock lock(lock_);
    return items_.size();
}

const CAcqDimension* CAcqDimList::GetAt(size_t position) const {
    std::shared_lock lock(lock_);
    return items_[position].get();
}

int CAcqDimList::TypedQuery(const char* name, void* value) const {
    try {
        std::shared_lock lock(lock_);
        const CAcqDimension* dimension = value != nullptr ? Find(name) : nullptr;
        if (dimension == nullptr)
            return 0;
        if (dimension->GetType() == CAcqDimension::kNumeric)
            return dimension->GetNumeric(static_cast<double*>(value));
        if (dimension->GetType() == CAcqDimension::kString)
            return dimension->GetString(static_cast<const char**>(value));
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CAcqDimList::TypedSet(const char* name, void* value) {
    try {
        std::unique_lock lock(lock_);
        CAcqDimension* dimension = value != nullptr ? Find(name) : nullptr;
        if (dimension == nullptr)
            return 0;
        if (dimension->GetType() == CAcqDimension::kNumeric) {
            // No attribute holds NaN or an infinity: neither compares nor converts usefully.
            const double number = *static_cast<const double*>(value);
            return std::isfinite(number) ? dimension->SetNumeric(number) : 0;
        }
        if (dimension->GetType() == CAcqDimension::kString)
            return dimension->SetString(static_cast<const char*>(value));
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

} // namespace vidrune
