#pragma once

#include "device/CAcqDimension.h"

#include <memory>
#include <vector>

namespace vidrune {

// The attributes of one object. Names are unique and compared case-sensitively;
// new attributes go to the head. Empty names are refused.
class CAcqDimList : public CObject {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    CAcqDimList() = default;
    CAcqDimList(const CAcqDimList&) = delete;
    CAcqDimList& operator=(const CAcqDimList&) = delete;

    CAcqDimension* Find(const char* name) const;
    int GetType(const char* name, char* letter) const;
    int GetNumeric(const char* name, double* out) const;
    int GetString(const char* name, const char** out) const;
    int AddNumeric(const char* name, double value);
    int AddString(const char* name, const char* text);
    int SetNumeric(const char* name, double value);
    int SetString(const char* name, const char* text);
    int RemoveAttribute(const char* name);

    // Typed access through an untyped value pointer: a query stores a double, or the
    // address of the stored text; a set reads a double, or takes value as the text.
    // Absent names are not created; a number that is not finite is refused; running out
    // of memory gives 0.
    int TypedQuery(const char* name, void* value) const;
    int TypedSet(const char* name, void* value);

    size_t GetCount() const { return items_.size(); }
    // Position 0 is the head (the newest attribute).
    const CAcqDimension* GetAt(size_t position) const { return items_[position].get(); }

private:
    int Add(std::unique_ptr<CAcqDimension> dimension);

    std::vector<std::unique_ptr<CAcqDimension>> items_;
};

} // namespace vidrune
