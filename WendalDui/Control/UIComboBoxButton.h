// The arrow button at the right end of a combo box: a chevron pointing down
// whose fill, frame and arrow colours fade between the button states. A press
// opens the combo's list unless it is already open.
#pragma once

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Utils/Tween.h"

namespace wendaldui {
namespace internal {

class CUIComboBoxButton : public CUIButtonBase {
public:
    void OnCreate(void* arg) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnPaint(PaintContext& context) override;
    void OnTimer(UINT localId) override;
    void OnSkinChanged(uint32_t bits) override;
    void OnStateChanged(int state) override;

private:
    void RestColors();

    CTween<ARGB> m_background;
    CTween<ARGB> m_border;
    CTween<ARGB> m_arrow;
};

}  // namespace internal
}  // namespace wendaldui
