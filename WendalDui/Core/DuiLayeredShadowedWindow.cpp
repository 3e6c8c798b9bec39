#include "WendalDui/Core/DuiLayeredShadowedWindow.h"

#include "WendalDui/Control/UIContainerShadow.h"

namespace wendaldui {

DUI_BEGIN_MESSAGE_MAP(CDuiLayeredShadowedWindow, CDuiLayeredWindow)
DUI_MESSAGE_HANDLER(WM_CREATE, OnShadowedCreate)
DUI_END_MESSAGE_MAP()

CDuiLayeredShadowedWindow::CDuiLayeredShadowedWindow(CUIContainer* content) {
    CUIContainerShadow* root = new CUIContainerShadow;
    root->SetContent(content);
    SetRoot(root);
}

LRESULT CDuiLayeredShadowedWindow::OnShadowedCreate(WPARAM wParam, LPARAM lParam) {
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, GetWindowLongW(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    const LRESULT result = OnCreateMessage(wParam, lParam);
    // The strips replace the pixels under them: over a transparent surface a
    // blended shadow would keep the background's opaque white.
    if (GetRoot()) GetRoot()->SetFlags(GetRoot()->GetFlags() | kShadowCopyPixels);
    return result;
}

}  // namespace wendaldui
