#pragma once

#include "input/CAcqInputMode.h"

#include <memory>
#include <vector>

namespace vidrune {

// The modes of one input device, in the order they were added, with the current mode
// and an enumeration cursor.
class CAcqInputModeList : public CObject {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    explicit CAcqInputModeList(uint32_t modeType) : modeType_(modeType) {}

    // Appends a valid mode and owns it; a null or invalid mode gives 0 and is dropped.
    int AddMode(std::unique_ptr<CAcqInputMode> mode);
    int CreateMode(const char* name, uint32_t id);
    int RemoveMode(uint32_t id);

    int GetString(uint32_t id, const char* name, const char** out) const;
    int GetNumeric(uint32_t id, const char* name, double* out) const;
    int SetString(uint32_t id, const char* name, const char* text);
    int SetNumeric(uint32_t id, const char* name, double value);
    int AcqQuery(uint32_t id, const char* name, void* value) const;
    int AcqSet(uint32_t id, const char* name, void* value);

    uint32_t GetCount() const { return static_cast<uint32_t>(modes_.size()); }
    CAcqInputMode* FindById(uint32_t id) const;
    CAcqInputMode* FindByName(const char* name) const;
    int SetCurrent(uint32_t id);
    uint32_t GetCurrent() const { return current_; }
    const char* GetFirstName();
    const char* GetNextName();
    uint32_t GetIdByName(const char* name) const;

private:
    uint32_t current_ = 0;
    uint32_t modeType_;
    size_t cursor_ = 0;
    std::vector<std::unique_ptr<CAcqInputMode>> modes_;
};

} // namespace vidrune
