#include "display/win32/Win32ContrastDialog.h"

#include "display/ContrastSettings.h"
#include "display/DisplayView.h"
#include "display/WindowGeometry.h"
#include "display/win32/DialogProc.h"
#include "display/win32/DispResourceIds.h"
#include "platform/win32/WindowsHeaders.h"

#include <commctrl.h>

#include <string>

namespace vidrune {

namespace {

constexpr int kTextCapacity = 260;

} // namespace

Win32ContrastDialog::Win32ContrastDialog(DisplayWindowEvents& events, HINSTANCE__* resources,
                                         HWND__* owner, uint32_t closedMessage)
    : events_(events), owner_(owner), closedMessage_(closedMessage) {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&classes);
    ::CreateDialogParamA(resources, MAKEINTRESOURCEA(IDD_CONTRAST), owner,
                         DialogProc<Win32ContrastDialog>, reinterpret_cast<LPARAM>(this));
    if (hwnd_ != nullptr)
        ::ShowWindow(hwnd_, SW_SHOW);
}

Win32ContrastDialog::~Win32ContrastDialog() {
    if (hwnd_ != nullptr) {
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

intptr_t Win32ContrastDialog::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        return FALSE;
    case WM_HSCROLL:
        OnScroll(wParam, lParam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_APPLY:
            Apply();
            return TRUE;
        case IDC_INVERT:
            events_.Contrast().invert = ::IsDlgButtonChecked(hwnd_, IDC_INVERT) == BST_CHECKED;
            return TRUE;
        case IDC_AUTOMATIC:
            events_.OnRestartAutoLevels();
            return TRUE;
        case IDCANCEL:
            ::PostMessageA(owner_, closedMessage_, 0, 0);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        // The owner destroys the dialog once this message has been dealt with.
        ::PostMessageA(owner_, closedMessage_, 0, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

void Win32ContrastDialog::OnInit() {
    const ContrastSettings& contrast = events_.Contrast();
    const int32_t maximum = WindowGeometry::SliderMaximum(events_.BitsPerPixel());
    for (const int id : {IDC_GAIN_SLIDER, IDC_OFFSET_SLIDER})
        ::SendDlgItemMessageA(hwnd_, id, TBM_SETRANGE, FALSE, MAKELPARAM(0, maximum));
    ShowValues(contrast.gain, contrast.offset);
    ::CheckDlgButton(hwnd_, IDC_INVERT, contrast.invert != 0 ? BST_CHECKED : BST_UNCHECKED);
    CentreOverOwner();
}

void Win32ContrastDialog::ShowValues(int32_t gain, int32_t offset) {
    SetNumber(IDC_GAIN_EDIT, gain);
    SetNumber(IDC_OFFSET_EDIT, offset);
    MoveSlider(IDC_GAIN_SLIDER, gain);
    MoveSlider(IDC_OFFSET_SLIDER, offset);
}

void Win32ContrastDialog::OnScroll(uintptr_t wParam, intptr_t lParam) {
    // Every move but the end of a scroll carries a position worth taking.
    if (LOWORD(wParam) == TB_ENDTRACK)
        return;
    const auto slider = reinterpret_cast<HWND>(lParam);
    const auto value = static_cast<int32_t>(::SendMessageA(slider, TBM_GETPOS, 0, 0)) * 10;
    ContrastSettings& contrast = events_.Contrast();
    if (slider == ::GetDlgItem(hwnd_, IDC_GAIN_SLIDER)) {
        contrast.gain = value;
        SetNumber(IDC_GAIN_EDIT, value);
    } else if (slider == ::GetDlgItem(hwnd_, IDC_OFFSET_SLIDER)) {
        contrast.offset = value;
        SetNumber(IDC_OFFSET_EDIT, value);
    }
}

void Win32ContrastDialog::Apply() {
    ContrastSettings& contrast = events_.Contrast();
    const auto read = [this](int id, std::atomic<int32_t>& setting, int slider) {
        char text[kTextCapacity] = {};
        ::GetDlgItemTextA(hwnd_, id, text, kTextCapacity);
        int32_t value = setting;
        if (WindowGeometry::ParseDecimal(text, value))
            setting = value;
        MoveSlider(slider, value);
    };
    read(IDC_GAIN_EDIT, contrast.gain, IDC_GAIN_SLIDER);
    read(IDC_OFFSET_EDIT, contrast.offset, IDC_OFFSET_SLIDER);
}

void Win32ContrastDialog::MoveSlider(int id, int32_t value) const {
    ::SendDlgItemMessageA(hwnd_, id, TBM_SETPOS, TRUE, value / 10);
}

void Win32ContrastDialog::SetNumber(int id, int32_t value) const {
    ::SetDlgItemTextA(hwnd_, id, std::to_string(value).c_str());
}

void Win32ContrastDialog::CentreOverOwner() const {
    RECT display{};
    RECT dialog{};
    ::GetWindowRect(owner_, &display);
    ::GetWindowRect(hwnd_, &dialog);
    const LONG width = dialog.right - dialog.left;
    const LONG height = dialog.bottom - dialog.top;
    ::SetWindowPos(hwnd_, nullptr, display.left + (display.right - display.left - width) / 2,
                   display.top + (display.bottom - display.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace vidrune
