// The face of the main window's launch button: "启动Minecraft" in large text
// over a translucent fill in the theme's colour, brighter on hover and press,
// grey when disabled.
#pragma once

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Core/SkinPalette.h"
#include "core/WString.h"

namespace Gdiplus {
class Font;
class StringFormat;
}  // namespace Gdiplus

namespace wendaldui {
class CTextGlow;
}

namespace trelm {
namespace ui {

// Fill and text colours of the four visual states for a theme.
void BuildLaunchButtonColors(const wendaldui::ThemeColor& theme, wendaldui::ARGB background[4],
                             wendaldui::ARGB text[4]);

namespace internal {

class CUILaunchButtonControl : public wendaldui::internal::CUIButtonBase {
public:
    ~CUILaunchButtonControl() override;

    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnPaint(wendaldui::PaintContext& context) override;
    void OnTimer(UINT localId) override;
    bool OnSetCursor() override;
    void OnSkinChanged(uint32_t bits) override;
    void OnStateChanged(int state) override;

    const wendaldui::CTween<wendaldui::ARGB>& GetBackgroundTween() const { return m_background; }

private:
    void BuildColors();
    void BuildFont();
    void RestColors();

    wendaldui::CTween<wendaldui::ARGB> m_background;
    wendaldui::CTween<wendaldui::ARGB> m_textColor;
    Gdiplus::StringFormat* m_format = nullptr;
    Gdiplus::Font* m_font = nullptr;
    WString m_caption;
    wendaldui::CTextGlow* m_glow = nullptr;
    wendaldui::ARGB m_backgrounds[4] = {};
    wendaldui::ARGB m_texts[4] = {};
};

}  // namespace internal
}  // namespace ui
}  // namespace trelm
