// The minimise, maximise and close buttons of a title bar: a background that
// fades between states and a symbol drawn by a glyph painter.
#pragma once

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Utils/Tween.h"

namespace Gdiplus {
class Graphics;
}

namespace wendaldui {

class CUITitleBarButton;
// Draws the button's symbol in `argb` inside rect (window coordinates).
typedef void (*GlyphPainter)(CUITitleBarButton* button, Gdiplus::Graphics* graphics, const UIRect& rect, ARGB argb);

void PaintCloseGlyph(CUITitleBarButton* button, Gdiplus::Graphics* graphics, const UIRect& rect, ARGB argb);
void PaintMaximizeGlyph(CUITitleBarButton* button, Gdiplus::Graphics* graphics, const UIRect& rect, ARGB argb);
void PaintMinimizeGlyph(CUITitleBarButton* button, Gdiplus::Graphics* graphics, const UIRect& rect, ARGB argb);

class CUITitleBarButton : public internal::CUIButtonBase {
public:
    explicit CUITitleBarButton(GlyphPainter painter = nullptr) : m_painter(painter) {}

    void OnCreate(void* arg) override;
    void OnPaint(PaintContext& context) override;
    void OnTimer(UINT localId) override;
    void OnEnable(bool enabled) override;
    void OnSkinChanged(uint32_t bits) override;
    void OnStateChanged(int state) override;

    const CTween<ARGB>& GetBackgroundTween() const { return m_background; }

private:
    CTween<ARGB> m_background;
    GlyphPainter m_painter;
};

}  // namespace wendaldui
