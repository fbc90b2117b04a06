#include "display/win32/Win32Printer.h"

#include "display/PrintLayout.h"
#include "display/win32/DispResourceIds.h"
#include "platform/win32/WindowsHeaders.h"

#include <commdlg.h>

#include <array>

namespace vidrune {

namespace {

// Document names stay as short as print queues have always shown them.
constexpr int kDocumentNameCapacity = 40;
// The printer escape that announces the page's bounds to drivers that take it.
constexpr int kSetBounds = 4109;

UINT_PTR CALLBACK PrintHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* request = reinterpret_cast<const PRINTDLGA*>(lParam);
        auto* includeOverlay = reinterpret_cast<bool*>(request->lCustData);
        ::SetWindowLongPtrA(dialog, GWLP_USERDATA, request->lCustData);
        ::CheckDlgButton(dialog, IDC_PRINT_OVERLAY, *includeOverlay ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK && HIWORD(wParam) == 0) {
        auto* includeOverlay = reinterpret_cast<bool*>(::GetWindowLongPtrA(dialog, GWLP_USERDATA));
        if (includeOverlay != nullptr)
            *includeOverlay = ::IsDlgButtonChecked(dialog, IDC_PRINT_OVERLAY) == BST_CHECKED;
    }
    return 0;
}

// Keeps the window thread's messages flowing while the driver works.
BOOL CALLBACK KeepPumping(HDC, int) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return TRUE;
}

// BITMAPINFO for the image: rows top to bottom, the display's palette.
struct PaletteInfo {
    BITMAPINFOHEADER header;
    std::array<RGBQUAD, Palette::kSize> colours;
};

PaletteInfo InfoFor(int32_t width, int32_t height, const Palette& palette) {
    PaletteInfo info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = -height;
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    info.header.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height);
    info.header.biClrUsed = Palette::kSize;
    for (int i = 0; i < Palette::kSize; ++i)
        info.colours[static_cast<size_t>(i)] =
            RGBQUAD{palette[i].blue, palette[i].green, palette[i].red, 0};
    return info;
}

} // namespace

Win32Printer::Win32Printer(HINSTANCE__* resources) : resources_(resources) {}

HDC__* Win32Printer::Ask(HWND__* owner, bool& includeOverlay) {
    bool checked = includeOverlay;
    PRINTDLGA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.hInstance = resources_;
    request.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_DISABLEPRINTTOFILE |
                    PD_ENABLEPRINTTEMPLATE | PD_ENABLEPRINTHOOK;
    request.nCopies = 1;
    request.lCustData = reinterpret_cast<LPARAM>(&checked);
    request.lpfnPrintHook = PrintHook;
    request.lpPrintTemplateName = MAKEINTRESOURCEA(IDD_PRINT);
    const BOOL confirmed = ::PrintDlgA(&request);
    if (request.hDevMode != nullptr)
        ::GlobalFree(request.hDevMode);
    if (request.hDevNames != nullptr)
        ::GlobalFree(request.hDevNames);
    if (!confirmed)
        return nullptr;
    includeOverlay = checked;
    return request.hDC;
}

bool Win32Printer::Print(HDC__* printer, HWND__* owner, const std::vector<uint8_t>& pixels,
                         int32_t width, int32_t height, const Palette& palette,
                         const std::string& outputFile) {
    if (printer == nullptr || width <= 0 || height <= 0 ||
        pixels.size() < static_cast<size_t>(width) * static_cast<size_t>(height))
        return false;
    char name[kDocumentNameCapacity] = {};
    if (owner != nullptr)
        ::GetWindowTextA(owner, name, kDocumentNameCapacity);
    PageMetrics page;
    page.horizontalResolution = ::GetDeviceCaps(printer, HORZRES);
    page.verticalResolution = ::GetDeviceCaps(printer, VERTRES);
    page.pixelsPerInchX = ::GetDeviceCaps(printer, LOGPIXELSX);
    page.pixelsPerInchY = ::GetDeviceCaps(printer, LOGPIXELSY);
    const PrintPlacement placement = PrintLayout::Place(page, width, height);
    int escape = kSetBounds;
    if (::Escape(printer, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape),
                 nullptr) > 0) {
        const RECT bounds{placement.bounds.left, placement.bounds.top, placement.bounds.right,
                          placement.bounds.bottom};
        ::Escape(printer, kSetBounds, sizeof bounds, reinterpret_cast<LPCSTR>(&bounds), nullptr);
    }

    if (owner != nullptr)
        ::EnableWindow(owner, FALSE);
    DOCINFOA document{};
    document.cbSize = sizeof document;
    document.lpszDocName = name;
    document.lpszOutput = outputFile.empty() ? nullptr : outputFile.c_str();
    const bool started =
        ::SetAbortProc(printer, KeepPumping) > 0 && ::StartDocA(printer, &document) > 0;
    bool printed = false;
    if (started) {
        const PaletteInfo info = InfoFor(width, height, palette);
        const Rect& target = placement.image;
        printed = ::StartPage(printer) > 0 &&
                  ::StretchDIBits(printer, target.left, target.top, target.Width(), target.Height(),
                                  0, 0, width, height, pixels.data(),
                                  reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                  SRCCOPY) != 0 &&
                  ::EndPage(printer) > 0;
        printed = ::EndDoc(printer) > 0 && printed;
    }
    if (owner != nullptr) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
    }
    return printed;
}

} // namespace vidrune
