#pragma once

#include <cstdint>
#include <string>

struct HINSTANCE__;
struct HWND__;

namespace vidrune {

// The save command's dialog: the system's explorer-style save dialog extended by template
// 101 with its "Include overlay" check box (1000). It keeps the last name chosen, which the
// next save offers again. Window thread only.
class Win32SaveDialog {
public:
    static constexpr size_t kNameCapacity = 260;

    explicit Win32SaveDialog(HINSTANCE__* resources);

    // Shows the dialog owned by owner, the check box set as includeOverlay says. True when
    // the user confirmed a name; includeOverlay then holds the check box.
    bool Ask(HWND__* owner, bool& includeOverlay);
    // The name confirmed last ("*.tif" before the first).
    std::string FileName() const { return fileName_; }

private:
    HINSTANCE__* resources_;
    char fileName_[kNameCapacity] = "*.tif";
    char fileTitle_[kNameCapacity] = {};
};

} // namespace vidrune
