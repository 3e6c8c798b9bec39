// One string drawn with a GDI+ string format built from the style bits,
// optionally over a soft glow.
#pragma once

#include <cstdint>

#include "WendalDui/Control/UIControl.h"
#include "core/WString.h"

namespace Gdiplus {
class Font;
class StringFormat;
}  // namespace Gdiplus

namespace wendaldui {

class CTextGlow;

enum LabelStyle : uint32_t {
    kLabelGlow = 0x10000,
    kLabelWordWrap = 0x20000,
    kLabelVCenter = 0x40000,
    kLabelAlignCentre = 0x80000,  // (flags >> 19) & 3: 0 near, 1 centre, 2 far
    kLabelAlignFar = 0x100000,
    kLabelEllipsis = 0x200000,
};

class CUILabel : public CUIControl {
public:
    CUILabel() = default;
    ~CUILabel() override;

    void SetText(const wchar_t* text);
    const WString& GetText() const { return m_text; }
    // ARGB; 0 takes the palette's text colour. Never used while disabled.
    void SetTextColor(uint32_t argb);
    uint32_t GetTextColor() const { return m_textColor; }
    void SetGlowColor(uint32_t argb);
    // The label takes ownership; null returns to the skin's UI font.
    void SetFont(Gdiplus::Font* font);

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnPaint(PaintContext& context) override;
    void OnEnable(bool enabled) override { Invalidate(); }
    void OnSkinChanged(uint32_t bits) override;

    // The colour the text is drawn in now.
    uint32_t CurrentTextColor() const;
    // Applies the style bits to a format: alignment, line alignment, wrap, trimming.
    static void ApplyStyleToFormat(uint32_t flags, Gdiplus::StringFormat* format);

private:
    WString m_text;
    WString m_drawText;  // as drawn: without carriage returns
    Gdiplus::StringFormat* m_format = nullptr;
    Gdiplus::Font* m_font = nullptr;
    CTextGlow* m_glow = nullptr;
    uint32_t m_textColor = 0;
    uint32_t m_glowColor = 0;
    bool m_formatStale = true;
};

}  // namespace wendaldui
