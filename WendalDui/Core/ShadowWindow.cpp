#include "WendalDui/Core/ShadowWindow.h"

#include <gdiplus.h>

#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/SkinPaint.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr DWORD kShadowExStyle = WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT;
constexpr UINT kPlaceFlags = SWP_NOZORDER | SWP_NOACTIVATE;

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CShadowWindow, CWindowBase)
DUI_MESSAGE_HANDLER(WM_CREATE, OnCreateMessage)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnCloseMessage)
DUI_END_MESSAGE_MAP()

CShadowWindow::~CShadowWindow() {
    if (m_hWnd) DestroyWindow(m_hWnd);
}

bool CShadowWindow::Create(HWND owner) {
    return CreateWindowExW(kShadowExStyle, kDuiWindowClassName, L"", WS_POPUP, 0, 0, 10, 10, owner, NULL,
                           CDuiApp::GetModuleInstance(), this) != NULL;
}

UIRect CShadowWindow::Geometry(int side, const RECT& r, int h) {
    switch (side) {
        case kShadowTop:
            return UIRect(r.left - h, r.top - h, r.right - r.left + 2 * h, h);
        case kShadowRight:
            return UIRect(r.right, r.top, h, r.bottom - r.top);
        case kShadowBottom:
            return UIRect(r.left - h, r.bottom, r.right - r.left + 2 * h, h);
        default:
            return UIRect(r.left - h, r.top, h, r.bottom - r.top);
    }
}

void CShadowWindow::SyncToOwner(const RECT& ownerRect) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!m_hWnd || !skin) return;
    const ShadowRecord& record = skin->GetShadow(m_shadowIndex);
    const UIRect place = Geometry(m_side, ownerRect, record.radius / 2);
    if (place.width == m_surface.GetWidth() && place.height == m_surface.GetHeight()) {
        SetWindowPos(m_hWnd, NULL, place.x, place.y, place.width, place.height, kPlaceFlags);
        return;
    }
    m_surface.Resize(place.width, place.height);
    if (m_surface.GetBitmap()) {
        Gdiplus::Graphics graphics(m_surface.GetDC());
        const bool vertical = m_side == kShadowRight || m_side == kShadowLeft;
        DrawShadowStrip(&graphics, record, m_side, vertical ? place.height : place.width, true);
    }
    SetWindowPos(m_hWnd, NULL, place.x, place.y, place.width, place.height, kPlaceFlags);
    if (!m_surface.GetBitmap()) return;
    SIZE size = {place.width, place.height};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(m_hWnd, NULL, NULL, &size, m_surface.GetDC(), &source, 0, &blend, ULW_ALPHA);
}

LRESULT CShadowWindow::OnCreateMessage(WPARAM wParam, LPARAM lParam) {
    return DefaultProc(WM_CREATE, wParam, lParam);
}

// Alt+F4 or a stray WM_CLOSE must not take one side of the shadow away.
LRESULT CShadowWindow::OnCloseMessage(WPARAM, LPARAM) { return 0; }

}  // namespace internal
}  // namespace wendaldui
