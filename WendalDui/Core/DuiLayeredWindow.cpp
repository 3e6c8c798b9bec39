#include "WendalDui/Core/DuiLayeredWindow.h"

namespace wendaldui {

DUI_BEGIN_MESSAGE_MAP(CDuiLayeredWindow, CDuiWindow)
DUI_MESSAGE_HANDLER(WM_CREATE, OnLayeredCreate)
DUI_MESSAGE_HANDLER(WM_PAINT, OnLayeredPaint)
DUI_MESSAGE_HANDLER(WM_SHOWWINDOW, OnLayeredShowWindow)
DUI_END_MESSAGE_MAP()

void CDuiLayeredWindow::UpdateLayered(uint8_t opacity) {
    const COffscreenDC& surface = GetOffscreenDC();
    if (!m_hWnd || !surface.GetBitmap()) return;
    SIZE size = {surface.GetWidth(), surface.GetHeight()};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, opacity, AC_SRC_ALPHA};
    UpdateLayeredWindow(m_hWnd, NULL, NULL, &size, surface.GetDC(), &source, 0, &blend, ULW_ALPHA);
}

void CDuiLayeredWindow::SetOpacity(uint8_t alpha) {
    m_opacity = alpha;
    UpdateLayered(alpha);
}

void CDuiLayeredWindow::RepaintLayered() {
    const COffscreenDC& surface = GetOffscreenDC();
    if (!surface.GetBitmap()) return;
    const RECT all = {0, 0, surface.GetWidth(), surface.GetHeight()};
    PaintWindow(surface.GetDC(), all);
    UpdateLayered(m_opacity);
}

LRESULT CDuiLayeredWindow::OnLayeredCreate(WPARAM wParam, LPARAM lParam) {
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, GetWindowLongW(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    return OnCreateMessage(wParam, lParam);
}

LRESULT CDuiLayeredWindow::OnLayeredPaint(WPARAM, LPARAM) {
    // A layered window gets no paint DC: the update region is drawn into the
    // surface and the whole surface is pushed.
    RECT dirty;
    if (GetUpdateRect(m_hWnd, &dirty, FALSE)) {
        ValidateRect(m_hWnd, NULL);
        ForgetRequests();
        if (GetOffscreenDC().GetBitmap()) {
            PaintWindow(GetOffscreenDC().GetDC(), dirty);
            UpdateLayered(m_opacity);
        }
    }
    return 0;
}

LRESULT CDuiLayeredWindow::OnLayeredShowWindow(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefaultProc(WM_SHOWWINDOW, wParam, lParam);
    RepaintLayered();
    return result;
}

}  // namespace wendaldui
