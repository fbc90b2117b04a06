#include "display/win32/Win32SaveDialog.h"

#include "display/win32/DispResourceIds.h"
#include "platform/win32/WindowsHeaders.h"

#include <commdlg.h>

namespace vidrune {

namespace {

// The filter: one entry, two NUL-separated strings, then the closing NUL.
constexpr char kFilter[] = "Tiff File (*.TIF)\0*.tif\0";

// Runs on the extension template's dialog, a child of the system's dialog.
UINT_PTR CALLBACK SaveHook(HWND child, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* request = reinterpret_cast<const OPENFILENAMEA*>(lParam);
        auto* includeOverlay = reinterpret_cast<bool*>(request->lCustData);
        ::SetWindowLongPtrA(child, GWLP_USERDATA, request->lCustData);
        ::CheckDlgButton(child, IDC_SAVE_OVERLAY, *includeOverlay ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_FILEOK) {
        auto* includeOverlay = reinterpret_cast<bool*>(::GetWindowLongPtrA(child, GWLP_USERDATA));
        if (includeOverlay != nullptr)
            *includeOverlay = ::IsDlgButtonChecked(child, IDC_SAVE_OVERLAY) == BST_CHECKED;
    }
    return 0;
}

} // namespace

Win32SaveDialog::Win32SaveDialog(HINSTANCE__* resources) : resources_(resources) {}

bool Win32SaveDialog::Ask(HWND__* owner, bool& includeOverlay) {
    bool checked = includeOverlay;
    OPENFILENAMEA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.hInstance = resources_;
    request.lpstrFilter = kFilter;
    request.nFilterIndex = 1;
    request.lpstrFile = fileName_;
    request.nMaxFile = kNameCapacity;
    request.lpstrFileTitle = fileTitle_;
    request.nMaxFileTitle = kNameCapacity;
    request.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY |
                    OFN_NOCHANGEDIR | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
    request.lCustData = reinterpret_cast<LPARAM>(&checked);
    request.lpfnHook = SaveHook;
    request.lpTemplateName = MAKEINTRESOURCEA(IDD_SAVE_EXTENSION);
    if (!::GetSaveFileNameA(&request))
        return false;
    includeOverlay = checked;
    return true;
}

} // namespace vidrune
