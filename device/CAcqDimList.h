#pragma once

#include "device/CAcqDimension.h"

#include <memory>
#include <shared_mutex>
#include <vector>

namespace vidrune {

// The attributes of one object. Names are unique and compared case-sensitively;
// new attributes go to the head. Empty names are refused. Host threads, the grab thread
// and the display read them while an open or a close adds and removes some, so every
// call holds a lock; a text handed out stays the caller's to read only until it changes.
class CAcqDimList : public CObject {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    CAcqDimList() = default;
    CAcqDimList(const CAcqDimList&) = delete;
    CAcqDimList& operator=(const CAcqDimList&) = delete;

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

    size_t GetCount() const;
    // Position 0 is the head (the newest attribute).
    const CAcqDimension* GetAt(size_t position) const;

private:
    // These expect the lock held.
    CAcqDimension* Find(const char* name) const;
    int Add(const char* name, std::unique_ptr<CAcqDimension> dimension);
    int NumericOf(const char* name, double* out) const;
    int TextOf(const char* name, const char** out) const;
    int StoreNumeric(const char* name, double value);
    int StoreText(const char* name, const char* text);

    mutable std::shared_mutex lock_;
    std::vector<std::unique_ptr<CAcqDimension>> items_;
};

} // namespace vidrune
