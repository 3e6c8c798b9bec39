#include "WendalDui/Control/UITitleBarButton.h"

#include <gdiplus.h>

#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {

namespace {

// Palette entries: backgrounds 100..103 and glyphs 96..99 by visual state.
constexpr int kBackgroundEntry = 100;
constexpr int kGlyphEntry = 96;

// The square the symbol is drawn in, well inside the button.
Gdiplus::Rect GlyphBox(const UIRect& rect) {
    const int inset = static_cast<int>(static_cast<float>(rect.width) * 0.35f);
    return Gdiplus::Rect(rect.x + inset, rect.y + inset, rect.width - 2 * inset, rect.height - 2 * inset);
}

}  // namespace

void PaintCloseGlyph(CUITitleBarButton*, Gdiplus::Graphics* graphics, const UIRect& rect, ARGB argb) {
    const Gdiplus::Rect box = GlyphBox(rect);
    Gdiplus::Pen pen(Gdiplus::Color(argb), g_dpiFactor);
    graphics->DrawLine(&pen, box.X, box.Y, box.GetRight() - 1, box.GetBottom() - 1);
    graphics->DrawLine(&pen, box.GetRight() - 1, box.Y, box.X, box.GetBottom() - 1);
}

void PaintMaximizeGlyph(CUITitleBarButton*, Gdiplus::Graphics* graphics, const UIRect& rect, ARGB argb) {
    const Gdiplus::Rect box = GlyphBox(rect);
    Gdiplus::Pen pen(Gdiplus::Color(argb), g_dpiFactor);
    graphics->DrawRectangle(&pen, box.X, box.Y, box.Width - 1, box.Height - 1);
}

void PaintMinimizeGlyph(CUITitleBarButton*, Gdiplus::Graphics* graphics, const UIRect& rect, ARGB argb) {
    const Gdiplus::Rect box = GlyphBox(rect);
    Gdiplus::Pen pen(Gdiplus::Color(argb), g_dpiFactor);
    const int middle = box.Y + box.Height / 2;
    graphics->DrawLine(&pen, box.X, middle, box.GetRight() - 1, middle);
}

void CUITitleBarButton::OnCreate(void*) {
    m_visualState = IsEffectivelyEnabled() ? kVisualNormal : kVisualDisabled;
    internal::RestTween(m_background, internal::PaletteColor(kBackgroundEntry + m_visualState));
}

void CUITitleBarButton::OnStateChanged(int state) {
    // A press answers quicker than hover and leave.
    internal::RetargetTween(m_background, internal::PaletteColor(kBackgroundEntry + state),
                            state == kVisualPressed ? 3 : 5);
    StartFade();
}

void CUITitleBarButton::OnTimer(UINT localId) {
    if (localId == kFadeTimer) StepFade({&m_background});
}

void CUITitleBarButton::OnEnable(bool enabled) {
    internal::CUIButtonBase::OnEnable(enabled);
    Invalidate();  // the glyph's colour depends on it too
}

void CUITitleBarButton::OnSkinChanged(uint32_t bits) {
    if (bits & kSkinChangedColors) {
        internal::RestTween(m_background, internal::PaletteColor(kBackgroundEntry + m_visualState));
    }
}

void CUITitleBarButton::OnPaint(PaintContext& context) {
    const UIRect& r = context.rect;
    Gdiplus::SolidBrush brush{Gdiplus::Color(m_background.GetValue())};
    context.graphics->FillRectangle(&brush, r.x, r.y, r.width, r.height);
    const int glyphState = IsEffectivelyEnabled() ? kVisualNormal : kVisualDisabled;
    if (m_painter) m_painter(this, context.graphics, r, internal::PaletteColor(kGlyphEntry + glyphState));
}

}  // namespace wendaldui
