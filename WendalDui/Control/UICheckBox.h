// A box with a check mark and a caption beside it. Style kCheckBoxChecked is
// the checked state; the box's colours fade between states and values.
#pragma once

#include <cstdint>

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Utils/Tween.h"
#include "core/WString.h"

namespace wendaldui {

constexpr uint32_t kCheckBoxChecked = 0x10000;

class CUICheckBox : public internal::CUIButtonBase {
public:
    CUICheckBox() : CUIButtonBase(kCheckBoxChecked) {}

    void SetText(const wchar_t* text);
    const WString& GetText() const { return m_text; }
    bool IsChecked() const { return (m_flags & kCheckBoxChecked) != 0; }

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnPaint(PaintContext& context) override;
    void OnTimer(UINT localId) override;
    void OnSkinChanged(uint32_t bits) override;
    // The caption's width plus the box and the gap; the height is left alone.
    bool GetDesiredSize(int& width, int& height) override;
    void OnStateChanged(int state) override;

    const CTween<ARGB>& GetBorderTween() const { return m_border; }
    const CTween<ARGB>& GetFillTween() const { return m_fill; }
    const CTween<ARGB>& GetMarkTween() const { return m_mark; }

private:
    // A 3-frame fade to the colours of (checked, the held state).
    void FadeTo(bool checked);
    void RestColors();

    CTween<ARGB> m_border;
    CTween<ARGB> m_fill;
    CTween<ARGB> m_mark;
    WString m_text;
};

}  // namespace wendaldui
