// A layered window whose root draws its own drop shadow around the content
// (pop-ups such as menus and drop-down lists).
#pragma once

#include "WendalDui/Core/DuiLayeredWindow.h"

namespace wendaldui {

class CDuiLayeredShadowedWindow : public CDuiLayeredWindow {
public:
    // The content container is owned from here on.
    explicit CDuiLayeredShadowedWindow(CUIContainer* content);

    // The shadow drawn around the content on each side; the window is that
    // much larger than the content all round.
    int ShadowMargin() const;

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnShadowedCreate(WPARAM wParam, LPARAM lParam);
};

}  // namespace wendaldui
