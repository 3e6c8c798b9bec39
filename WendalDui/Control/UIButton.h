// The plain text button of the dialogs: fill, frame and caption colours fade
// between the rest, hover, pressed and disabled looks.
#pragma once

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Utils/Tween.h"
#include "core/WString.h"

namespace wendaldui {

// The width a button needs for the caption: the text in the UI font, rounded
// up, plus 32 logical pixels of margin.
int CalcButtonWidth(const wchar_t* caption);

class CUIButton : public internal::CUIButtonBase {
public:
    void SetText(const wchar_t* text);
    const WString& GetText() const { return m_text; }

    void OnCreate(void* arg) override;
    void OnPaint(PaintContext& context) override;
    void OnTimer(UINT localId) override;
    void OnSkinChanged(uint32_t bits) override;
    void OnStateChanged(int state) override;

    const CTween<ARGB>& GetBackgroundTween() const { return m_background; }
    const CTween<ARGB>& GetBorderTween() const { return m_border; }
    const CTween<ARGB>& GetTextTween() const { return m_textColor; }

private:
    // Puts the three tweens at rest on the colours of the current state.
    void RestColors();

    CTween<ARGB> m_background;
    CTween<ARGB> m_border;
    CTween<ARGB> m_textColor;
    WString m_text;
};

}  // namespace wendaldui
