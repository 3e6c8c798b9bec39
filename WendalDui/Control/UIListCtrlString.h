// The list control of text cells.
#pragma once

#include "WendalDui/Control/UIListCtrlBase.h"

namespace wendaldui {

class CUIListCtrlString : public internal::CUIListCtrlBase {
public:
    internal::CUIListBodyBase* CreateBody() override;
};

}  // namespace wendaldui
