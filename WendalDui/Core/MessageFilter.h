// Sees every message of a window before the window's own message map; pop-ups
// use it to watch their owner (clicks elsewhere close a menu, for example).
#pragma once

#include <windows.h>

namespace wendaldui {

class IMessageFilter {
public:
    virtual ~IMessageFilter() = default;
    // Setting handled ends the message's processing with the returned result.
    virtual LRESULT MessageFilter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

}  // namespace wendaldui
