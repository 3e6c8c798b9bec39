// A translucent text button laid over the background picture (the main
// window's summary line that folds the launch panel): white text on a soft
// glow, with a faint fill and frame on hover and press.
#pragma once

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Utils/Tween.h"
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

class CUIBannerTextButton : public wendaldui::internal::CUIButtonBase {
public:
    ~CUIBannerTextButton() override;

    void SetText(const wchar_t* text);
    const WString& GetText() const { return m_text; }

    void OnCreate(void* arg) override;
    void OnStateChanged(int state) override;
    void OnPaint(wendaldui::PaintContext& context) override;
    void OnTimer(UINT localId) override;
    bool OnSetCursor() override;
    void OnSkinChanged(uint32_t bits) override;
    bool GetDesiredSize(int& width, int& height) override;

private:
    void BuildFont();

    wendaldui::CTextGlow* m_glow = nullptr;
    wendaldui::CTween<wendaldui::ARGB> m_background;
    wendaldui::CTween<wendaldui::ARGB> m_border;
    Gdiplus::Font* m_font = nullptr;
    Gdiplus::StringFormat* m_format = nullptr;
    WString m_text;
    WString m_drawText;  // as drawn: without carriage returns
};

}  // namespace ui
}  // namespace trelm
