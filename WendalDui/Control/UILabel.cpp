#include "WendalDui/Control/UILabel.h"

#include <gdiplus.h>

#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "WendalDui/Core/TextGlow.h"

namespace wendaldui {

namespace {

constexpr uint32_t kFormatBits = kLabelWordWrap | kLabelVCenter | kLabelAlignCentre;
constexpr uint32_t kLabelBits = kLabelGlow | kLabelWordWrap | kLabelVCenter | kLabelAlignCentre | kLabelAlignFar |
                                kLabelEllipsis;

int GlowRadius() { return static_cast<int>(g_dpiFactor); }

}  // namespace

CUILabel::~CUILabel() {
    delete m_glow;
    delete m_font;
    delete m_format;
}

void CUILabel::SetText(const wchar_t* text) {
    m_text = text ? text : L"";
    // GDI+ breaks lines at "\n" and draws a lone "\r" as a box.
    m_text.Remove(L'\r');
    if (m_glow) m_glow->MarkStale();
    Invalidate();
}

void CUILabel::SetTextColor(uint32_t argb) {
    m_textColor = argb;
    Invalidate();
}

void CUILabel::SetGlowColor(uint32_t argb) {
    m_glowColor = argb;
    if (m_glow) m_glow->SetColor(argb);
    Invalidate();
}

void CUILabel::SetFont(Gdiplus::Font* font) {
    if (font == m_font) return;
    delete m_font;
    m_font = font;
    if (m_glow) m_glow->MarkStale();
    Invalidate();
}

void CUILabel::ApplyStyleToFormat(uint32_t flags, Gdiplus::StringFormat* format) {
    static const Gdiplus::StringAlignment kAlignments[] = {Gdiplus::StringAlignmentNear,
                                                           Gdiplus::StringAlignmentCenter,
                                                           Gdiplus::StringAlignmentFar, Gdiplus::StringAlignmentNear};
    format->SetAlignment(kAlignments[(flags >> 19) & 3]);
    format->SetLineAlignment((flags & kLabelVCenter) ? Gdiplus::StringAlignmentCenter : Gdiplus::StringAlignmentNear);
    format->SetFormatFlags((flags & kLabelWordWrap) ? 0 : Gdiplus::StringFormatFlagsNoWrap);
    format->SetTrimming((flags & kLabelEllipsis) ? Gdiplus::StringTrimmingEllipsisCharacter
                                                 : Gdiplus::StringTrimmingNone);
}

void CUILabel::OnCreate(void*) {
    delete m_format;
    m_format = new Gdiplus::StringFormat();
    m_formatStale = true;
    if (m_flags & kLabelGlow) {
        delete m_glow;
        m_glow = new CTextGlow(m_glowColor, GlowRadius());
    }
}

void CUILabel::OnDestroy() {
    delete m_format;
    m_format = nullptr;
}

void CUILabel::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIControl::OnFlagChange(newFlags, bit, value, accepted);
    if (accepted || !(bit & kLabelBits)) return;
    if (bit & kFormatBits) {
        accepted = true;
        m_formatStale = true;
        if (m_glow) m_glow->MarkStale();
        Invalidate();
    }
}

void CUILabel::OnSkinChanged(uint32_t bits) {
    if ((bits & kSkinChangedFont) && m_glow && !m_font) m_glow->MarkStale();
}

uint32_t CUILabel::CurrentTextColor() const {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!IsEffectivelyEnabled()) return skin ? skin->GetColor(3) : 0xFF808080;
    if (m_textColor) return m_textColor;
    return skin ? skin->GetColor(0) : 0xFF000000;
}

void CUILabel::OnPaint(PaintContext& context) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!m_format || !skin) return;
    if (m_formatStale) {
        ApplyStyleToFormat(m_flags, m_format);
        m_formatStale = false;
    }
    const Gdiplus::Font* font = m_font ? m_font : skin->GetFont(1);
    if (!font) return;
    const UIRect& r = context.rect;
    const Gdiplus::RectF box(static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.width),
                             static_cast<float>(r.height));
    const uint32_t color = CurrentTextColor();
    if ((m_flags & kLabelGlow) && m_glow) {
        m_glow->Draw(context.graphics, m_text.GetString(), font, m_format, r);
        DrawTextInRect(context.graphics, m_text.GetString(), static_cast<int>(m_text.GetLength()), font, box, color,
                       m_format);
        return;
    }
    Gdiplus::SolidBrush brush{Gdiplus::Color(color)};
    context.graphics->DrawString(m_text.GetString(), static_cast<INT>(m_text.GetLength()), font, box, m_format, &brush);
}

}  // namespace wendaldui
