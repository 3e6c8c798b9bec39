#include "WendalDui/Control/UIListCtrlString.h"

#include "WendalDui/Control/UIListBodyString.h"

namespace wendaldui {

internal::CUIListBodyBase* CUIListCtrlString::CreateBody() { return new internal::CUIListBodyString; }

}  // namespace wendaldui
