// How the mark-up layout learns the size of text: on screen through a DC's
// fonts, in tests through a fake with fixed advances.
#pragma once

#include <cstdint>

namespace wendaldui {

class ITextMeasurer {
public:
    virtual ~ITextMeasurer() = default;
    // Later calls measure with the font of this style (link bit cleared).
    virtual void SelectStyle(uint32_t style) = 0;
    // The selected font's line height (tmHeight).
    virtual int GetLineHeight() = 0;
    // How many leading characters fit in maxExtent pixels; fitExtent gets
    // their width.
    virtual int FitText(const wchar_t* text, int length, int maxExtent, int& fitExtent) = 0;
    virtual int GetTextExtent(const wchar_t* text, int length) = 0;
};

}  // namespace wendaldui
