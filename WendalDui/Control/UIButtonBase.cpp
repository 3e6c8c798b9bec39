#include "WendalDui/Control/UIButtonBase.h"

namespace wendaldui {
namespace internal {

void CUIButtonBase::SetVisualState(int state) {
    const int target = IsEffectivelyEnabled() ? state : kVisualDisabled;
    if (target == m_visualState) return;
    m_visualState = target;
    OnStateChanged(target);
}

bool CUIButtonBase::HasTabFocus() const {
    int reason = 0;
    return HasFocus(&reason) && reason == kFocusByTab;
}

void CUIButtonBase::OnLButtonDown(WPARAM, int, int) { SetVisualState(kVisualPressed); }

void CUIButtonBase::OnLButtonUp(WPARAM, int x, int y) {
    SetVisualState(kVisualHover);
    if (x >= 0 && x < m_rect.width && y >= 0 && y < m_rect.height) FireEvent(kEventClick);
}

void CUIButtonBase::OnMouseEnter() { SetVisualState(kVisualHover); }

void CUIButtonBase::OnMouseLeave() { SetVisualState(kVisualNormal); }

void CUIButtonBase::OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    if (vk == VK_TAB) {
        CUIControl::OnKeyDown(vk, repeat, keyFlags);
    } else if (vk == VK_SPACE && HasTabFocus()) {
        FireEvent(kEventClick);
    }
}

void CUIButtonBase::OnKillFocus() {
    Invalidate();
    FireEvent(kEventKillFocus);
}

void CUIButtonBase::OnSetFocus(int) {
    Invalidate();
    FireEvent(kEventSetFocus);
}

void CUIButtonBase::OnEnable(bool enabled) { SetVisualState(enabled ? kVisualNormal : kVisualDisabled); }

}  // namespace internal
}  // namespace wendaldui
