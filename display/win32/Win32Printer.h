#pragma once

#include "display/Palette.h"

#include <cstdint>
#include <string>
#include <vector>

struct HDC__;
struct HINSTANCE__;
struct HWND__;

namespace vidrune {

// The print command: the system's print dialog from template 102 with its "Include
// overlay" check box (1001), and one page through GDI with the image placed as PrintLayout
// says. Window thread only.
class Win32Printer {
public:
    explicit Win32Printer(HINSTANCE__* resources);

    // Shows the dialog owned by owner, the check box set as includeOverlay says. The printer
    // context the user chose, null when cancelled or without printers; the caller deletes it.
    HDC__* Ask(HWND__* owner, bool& includeOverlay);

    // Prints one page of the 8-bit image into the printer context, as a document named
    // after the owner's caption, into outputFile when one is given. owner is disabled while
    // the page is made. False when no page was printed.
    static bool Print(HDC__* printer, HWND__* owner, const std::vector<uint8_t>& pixels,
                      int32_t width, int32_t height, const Palette& palette,
                      const std::string& outputFile = {});

private:
    HINSTANCE__* resources_;
};

} // namespace vidrune
