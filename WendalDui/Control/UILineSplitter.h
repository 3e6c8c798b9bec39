// A horizontal separator line, optionally broken by a caption near its left
// end ("—— caption ————————").
#pragma once

#include "WendalDui/Control/UIControl.h"
#include "core/WString.h"

namespace wendaldui {

class CUILineSplitter : public CUIControl {
public:
    CUILineSplitter() = default;
    ~CUILineSplitter() override = default;

    const WString& GetCaption() const { return m_caption; }
    // -1 until the caption has been measured.
    int GetCaptionWidth() const { return m_captionWidth; }

    // The argument is the caption (a NUL-terminated string) or null.
    void OnCreate(void* arg) override;
    void OnPaint(PaintContext& context) override;
    void OnSkinChanged(uint32_t bits) override;

protected:
    // Pixels the caption takes with the skin's UI font; measured at the
    // first paint and again after a change of font face only.
    virtual int MeasureCaption();

private:
    WString m_caption;
    int m_leftLength = 0;
    int m_captionWidth = -1;
};

}  // namespace wendaldui
