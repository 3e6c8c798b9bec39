// The list box of font families (the font combo box's list): its view is a
// CUIListBoxViewFont, which draws each family in its own face.
#pragma once

#include "WendalDui/Control/UIListBoxBase.h"

namespace wendaldui {

class CUIListBoxFont : public CUIListBoxBase {
public:
    CUIControl* CreateView(const ViewCreateInfo& info) override;
};

}  // namespace wendaldui
