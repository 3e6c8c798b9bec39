#include "WendalDui/Core/DuiLayeredShadowedWindow.h"

#include "WendalDui/Control/UIContainerShadow.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace wendaldui {

DUI_BEGIN_MESSAGE_MAP(CDuiLayeredShadowedWindow, CDuiLayeredWindow)
DUI_MESSAGE_HANDLER(WM_CREATE, OnShadowedCreate)
DUI_END_MESSAGE_MAP()

CDuiLayeredShadowedWindow::CDuiLayeredShadowedWindow(CUIContainer* content) {
    CUIContainerShadow* root = new CUIContainerShadow;
    root->SetContent(content);
    SetRoot(root);
}

int CDuiLayeredShadowedWindow::ShadowMargin() const {
    const CUIContainerShadow* root = static_cast<const CUIContainerShadow*>(GetRoot());
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    return root && skin ? skin->GetShadow(root->GetShadowIndex()).radius / 2 : 0;
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
