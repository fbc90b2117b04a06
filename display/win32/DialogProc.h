#pragma once

// Win32 only: included by display/win32/*.cpp after WindowsHeaders.h.
#include "platform/win32/WindowsHeaders.h"

namespace vidrune {

// The dialog procedure of a class that handles its own dialog's messages: the object comes
// with WM_INITDIALOG (CreateDialogParamA's parameter), is kept in the dialog's user data
// and gets every message from then on through Attach and HandleMessage.
template <typename Owner>
INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
        reinterpret_cast<Owner*>(lParam)->Attach(hwnd);
    }
    auto* owner = reinterpret_cast<Owner*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    return owner != nullptr ? owner->HandleMessage(message, wParam, lParam) : FALSE;
}

} // namespace vidrune
