// An on/off button: style kToggleChecked is "on", and the fill and frame
// colours glide between the states of both values.
#pragma once

#include <cstdint>

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Utils/Tween.h"
#include "core/WString.h"

namespace wendaldui {

constexpr uint32_t kToggleChecked = 0x10000;

class CUIToggleButton : public internal::CUIButtonBase {
public:
    CUIToggleButton() : CUIButtonBase(kToggleChecked) {}

    // From code: the colours glide, but no event is raised.
    void SetChecked(bool on);
    bool IsChecked() const { return (m_flags & kToggleChecked) != 0; }
    void SetText(const wchar_t* text);
    const WString& GetText() const { return m_text; }

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnPaint(PaintContext& context) override;
    void OnTimer(UINT localId) override;
    void OnSkinChanged(uint32_t bits) override;
    // As wide as a push button with the same text; the height is left alone.
    bool GetDesiredSize(int& width, int& height) override;
    void OnStateChanged(int state) override;

    const CTween<ARGB>& GetBorderTween() const { return m_border; }
    const CTween<ARGB>& GetFillTween() const { return m_fill; }

private:
    void FadeTo(bool checked, int frames);
    // The fill glides from the colour shown now to the one of the held state.
    void FadeFillFromShown();

    CTween<ARGB> m_border;
    CTween<ARGB> m_fill;
    WString m_text;
};

}  // namespace wendaldui
