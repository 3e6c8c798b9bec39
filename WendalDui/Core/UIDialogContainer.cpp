#include "WendalDui/Core/UIDialogContainer.h"

#include "WendalDui/Control/UITitleBar.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr uint32_t kChildFlags = kControlVisible | kControlFocusable | kControlDoubleClicks | kControlRectInPixels;

void MoveChild(CUIControl* child, const UIRect& rect) {
    if (child) child->SetPos((child->GetFlags() & kControlRectInPixels) ? rect : DpiScaleRect(rect));
}

}  // namespace

CUIDialogContainer::~CUIDialogContainer() {
    if (!m_clientAttached) delete m_client;
}

void CUIDialogContainer::Layout(int width, int height, UIRect& title, UIRect& client) {
    const int t = static_cast<int>(kDialogTitleHeight * g_dpiFactor);
    title = UIRect(0, 0, width, t);
    client = UIRect(0, t, width, height - t);
}

uint32_t CUIDialogContainer::TitleBarFlags(LONG windowStyle) {
    uint32_t flags = (windowStyle & WS_MINIMIZEBOX) ? 0x70056u : 0xC0056u;
    flags |= (windowStyle & WS_MAXIMIZEBOX) ? 0x30000u : 0x100000u;
    return flags;
}

void CUIDialogContainer::OnCreate(void*) {
    UIRect title, client;
    Layout(m_rect.width, m_rect.height, title, client);
    const HWND hwnd = m_window ? m_window->GetHWND() : NULL;
    const LONG style = hwnd ? GetWindowLongW(hwnd, GWL_STYLE) : 0;
    CUITitleBar* bar = new CUITitleBar;
    if (!bar->Create(this, TitleBarFlags(style), title, kDialogTitleBarId)) delete bar;
    if (!m_client) m_client = new CUIContainer;
    m_clientAttached = m_client->Create(this, kChildFlags, client, kDialogClientId);
}

void CUIDialogContainer::OnDestroy() {
    CUIContainer::OnDestroy();
    // Destroying the children deleted the client when it was one of them.
    if (m_clientAttached) m_client = nullptr;
}

void CUIDialogContainer::OnSize(int width, int height) {
    UIRect title, client;
    Layout(width, height, title, client);
    MoveChild(GetChild(kDialogTitleBarId), title);
    MoveChild(GetChild(kDialogClientId), client);
}

}  // namespace internal
}  // namespace wendaldui
