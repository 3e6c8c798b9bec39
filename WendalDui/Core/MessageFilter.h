// Sees every message of a window before the window's own message map; pop-ups
// use it to watch their owner (clicks elsewhere close a menu, for example).
#pragma once

#include <windows.h>

namespace wendaldui {

// A message of the owner that closes its pop-up (a click anywhere in it, or
// the owner losing the focus); the owner still handles it afterwards.
inline bool ClosesPopup(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_NCLBUTTONDOWN:
        case WM_NCRBUTTONDOWN:
        case WM_KILLFOCUS:
            return true;
        default:
            return false;
    }
}

class IMessageFilter {
public:
    virtual ~IMessageFilter() = default;
    // Setting handled ends the message's processing with the returned result.
    virtual LRESULT MessageFilter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

}  // namespace wendaldui
