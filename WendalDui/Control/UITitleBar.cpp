#include "WendalDui/Control/UITitleBar.h"

#include <gdiplus.h>

#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UITitleBarButton.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace wendaldui {

namespace {

constexpr uint32_t kLabelFlags =
    kControlVisible | kControlMouseTransparent | kControlRectInPixels | kLabelVCenter | kLabelEllipsis;
constexpr uint32_t kButtonFlags = kControlVisible | kControlRectInPixels;

struct WindowButton {
    uint32_t style;
    uint32_t disabledStyle;
    int id;
    GlyphPainter painter;
    const wchar_t* toolTip;
};

// In the order they are added, so from the right end leftwards.
const WindowButton kWindowButtons[] = {
    {kTitleBarClose, kTitleBarCloseDisabled, kTitleBarCloseId, &PaintCloseGlyph, L"关闭"},
    {kTitleBarMaximize, kTitleBarMaximizeDisabled, kTitleBarMaximizeId, &PaintMaximizeGlyph, L"最大化"},
    {kTitleBarMinimize, kTitleBarMinimizeDisabled, kTitleBarMinimizeId, &PaintMinimizeGlyph, L"最小化"},
};

}  // namespace

CUILabel* CUITitleBar::GetTitleLabel() const { return static_cast<CUILabel*>(GetChild(kTitleBarLabelId)); }

void CUITitleBar::PlaceLabel(int right, int height) {
    CUILabel* label = GetTitleLabel();
    const int width = right - m_pad;
    if (label) label->SetPos(UIRect(m_pad, 0, width > 0 ? width : 0, height));
}

void CUITitleBar::OnCreate(void*) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    m_pad = static_cast<int>(static_cast<float>(skin ? skin->GetTextIndent() : 4) * g_dpiFactor);
    m_items.clear();
    CUILabel* label = new CUILabel;
    label->SetText(L"TitleBar");
    if (!label->Create(this, kLabelFlags, UIRect(m_pad, 0, m_rect.width - m_pad, m_rect.height), kTitleBarLabelId)) {
        delete label;
    } else {
        label->SetTextColor(skin ? skin->GetColor(94) : 0xFEFFFFFF);
        label->SetGlowColor(0xFF000000);
    }
    for (const WindowButton& button : kWindowButtons) {
        if (!(m_flags & button.style)) continue;
        CUITitleBarButton* control = new CUITitleBarButton(button.painter);
        const uint32_t flags = kButtonFlags | ((m_flags & button.disabledStyle) ? kControlDisabled : 0u);
        if (!AddControl(control, flags, button.id, m_rect.height)) {
            delete control;
            continue;
        }
        control->SetToolTipText(button.toolTip);
    }
}

bool CUITitleBar::AddControl(CUIControl* control, uint32_t flags, int id, int width) {
    if (!control) return false;
    const bool inPixels = (flags & kControlRectInPixels) != 0;
    const int pixels = inPixels ? width : static_cast<int>(static_cast<float>(width) * g_dpiFactor);
    int right = m_rect.width;
    for (const Item& item : m_items) {
        if (HasChild(item.control)) right -= item.width;
    }
    const UIRect rect(right - pixels, 0, pixels, m_rect.height);
    // The bar's own sizes are device pixels already: a control laid out in
    // logical pixels is created near its place and then put exactly there,
    // rather than having the bar's width and height scaled a second time.
    const UIRect given = inPixels ? rect
                                  : UIRect(static_cast<int>(static_cast<float>(rect.x) / g_dpiFactor), 0, width,
                                           static_cast<int>(static_cast<float>(rect.height) / g_dpiFactor));
    if (!control->Create(this, flags, given, id)) return false;
    control->SetPos(rect);
    m_items.push_back(Item{control, pixels});
    PlaceLabel(rect.x, m_rect.height);
    return true;
}

void CUITitleBar::SetTitle(const wchar_t* text) {
    if (CUILabel* label = GetTitleLabel()) label->SetText(text);
    Invalidate();
}

void CUITitleBar::OnSize(int width, int height) {
    int right = width;
    for (const Item& item : m_items) {
        // The owner may have removed a control it added.
        if (!HasChild(item.control)) continue;
        right -= item.width;
        item.control->SetPos(UIRect(right, 0, item.width, height));
    }
    PlaceLabel(right, height);
}

void CUITitleBar::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIContainer::OnFlagChange(newFlags, bit, value, accepted);
    if (accepted) return;
    for (const WindowButton& button : kWindowButtons) {
        if (bit != button.disabledStyle) continue;
        accepted = true;
        if (CUIControl* control = GetChild(button.id)) control->Enable(value == 0);
        return;
    }
    if (bit == kTitleBarActive) {
        accepted = true;
        Invalidate();
    }
}

void CUITitleBar::OnPaint(PaintContext& context) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (skin) {
        Gdiplus::SolidBrush brush{Gdiplus::Color(skin->GetColor((m_flags & kTitleBarActive) ? 92 : 93))};
        const UIRect& r = context.rect;
        context.graphics->FillRectangle(&brush, r.x, r.y, r.width, r.height);
    }
    CUIContainer::OnPaint(context);
}

int CUITitleBar::HitTest(int x, int y, CUIControl*& out) {
    const int hit = CUIContainer::HitTest(x, y, out);
    if (hit != kHitNothing) return hit;
    // The label lets the mouse through, so it drags the window like the empty parts.
    out = this;
    return kHitCaption;
}

}  // namespace wendaldui
