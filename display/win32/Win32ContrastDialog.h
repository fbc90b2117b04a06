#pragma once

#include <cstdint>

struct HINSTANCE__;
struct HWND__;

namespace vidrune {

class DisplayWindowEvents;

// The modeless contrast dialog (template 107): gain and offset as track bars (value / 10)
// and number boxes, the invert switch and a restart of the automatic levels. Track bar
// moves take effect at once, typed numbers when applied. Closing it posts closedMessage to
// the owner, which then destroys it. Window thread only.
class Win32ContrastDialog {
public:
    Win32ContrastDialog(DisplayWindowEvents& events, HINSTANCE__* resources, HWND__* owner,
                        uint32_t closedMessage);
    ~Win32ContrastDialog();
    Win32ContrastDialog(const Win32ContrastDialog&) = delete;
    Win32ContrastDialog& operator=(const Win32ContrastDialog&) = delete;

    // Null when the template could not be loaded.
    HWND__* Handle() const { return hwnd_; }
    // New gain and offset from the automatic levels.
    void ShowValues(int32_t gain, int32_t offset);

    intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    void Attach(HWND__* hwnd) { hwnd_ = hwnd; }

private:
    void OnInit();
    void OnScroll(uintptr_t wParam, intptr_t lParam);
    void Apply();
    void MoveSlider(int id, int32_t value) const;
    void SetNumber(int id, int32_t value) const;
    void CentreOverOwner() const;

    DisplayWindowEvents& events_;
    HWND__* owner_ = nullptr;
    uint32_t closedMessage_ = 0;
    HWND__* hwnd_ = nullptr;
};

} // namespace vidrune
