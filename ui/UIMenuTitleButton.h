// The "菜单" button of the main window's title bar: a title-bar button whose
// face is the word drawn centred in the theme's UI font, in the colour the
// window buttons draw their symbols in.
#pragma once

#include "WendalDui/Control/UITitleBarButton.h"

namespace trelm {
namespace ui {

class CUIMenuTitleButton : public wendaldui::CUITitleBarButton {
public:
    CUIMenuTitleButton();

    static const wchar_t kCaption[];
};

}  // namespace ui
}  // namespace trelm
