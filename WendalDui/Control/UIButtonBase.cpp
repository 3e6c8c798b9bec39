#include "WendalDui/Control/UIButtonBase.h"

#include <gdiplus.h>

#include <cmath>

#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "WendalDui/Core/SkinPaint.h"

namespace wendaldui {
namespace internal {

ARGB PaletteColor(int index) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    return skin ? skin->GetColor(index) : 0;
}

int MeasureTextWidth(const wchar_t* text, int length, int formatIndex) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!skin || !skin->GetMeasureGraphics() || !text || length <= 0) return 0;
    Gdiplus::RectF box;
    skin->GetMeasureGraphics()->MeasureString(text, length, skin->GetFont(1), Gdiplus::PointF(0.0f, 0.0f),
                                              skin->GetStringFormat(formatIndex), &box);
    return static_cast<int>(std::ceil(box.Width));
}

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

void CUIButtonBase::StartFade() {
    if (m_window) m_window->SetControlTimer(this, kFadeTimer, kFadeFrameMs);
}

void CUIButtonBase::StepFade(std::initializer_list<CTween<ARGB>*> tweens) {
    bool running = false;
    for (CTween<ARGB>* tween : tweens) running |= tween->Step();
    Invalidate();
    if (!running && m_window) m_window->KillControlTimer(this, kFadeTimer);
}

void CUIButtonBase::PaintFace(PaintContext& context, ARGB fill, ARGB border, const wchar_t* text, int length,
                              ARGB textColor) {
    const UIRect& r = context.rect;
    Gdiplus::SolidBrush brush{Gdiplus::Color(fill)};
    context.graphics->FillRectangle(&brush, r.x, r.y, r.width, r.height);
    Gdiplus::Pen pen(Gdiplus::Color(border), 1.0f);
    context.graphics->DrawRectangle(&pen, r.x, r.y, r.width - 1, r.height - 1);
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (skin && length > 0) {
        const Gdiplus::RectF box(static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.width),
                                 static_cast<float>(r.height));
        DrawTextInRect(context.graphics, text, length, skin->GetFont(1), box, textColor, skin->GetStringFormat(1));
    }
    if (HasTabFocus()) DrawFocusRect(context.graphics, r.Inflate(-2));
}

void CUIButtonBase::OnLButtonDown(WPARAM, int, int) { SetVisualState(kVisualPressed); }

void CUIButtonBase::OnLButtonUp(WPARAM, int x, int y) {
    const bool inside = x >= 0 && x < m_rect.width && y >= 0 && y < m_rect.height;
    if (inside && m_toggleBit) {
        // The flip of the style fades to the new colours at once; a fade of
        // the state's own would only be cut short.
        m_visualState = IsEffectivelyEnabled() ? kVisualHover : kVisualDisabled;
    } else {
        SetVisualState(kVisualHover);
    }
    if (inside) Click();
}

void CUIButtonBase::Click() {
    if (!m_toggleBit) {
        FireEvent(kEventClick);
        return;
    }
    SetFlags(m_flags ^ m_toggleBit);
    FireEvent(kEventClick, (m_flags & m_toggleBit) ? 1 : 0);
}

void CUIButtonBase::OnMouseEnter() { SetVisualState(kVisualHover); }

void CUIButtonBase::OnMouseLeave() { SetVisualState(kVisualNormal); }

void CUIButtonBase::OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    if (vk == VK_TAB) {
        CUIControl::OnKeyDown(vk, repeat, keyFlags);
    } else if (vk == VK_SPACE && HasTabFocus() && !(keyFlags & kKeyWasDown)) {
        // A held key repeats its key-down; the press is one click.
        Click();
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
