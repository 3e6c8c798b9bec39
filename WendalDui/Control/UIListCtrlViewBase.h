// The view of a list control: the header (child kHeaderId) above the body
// (child kBodyId) that the list control's CreateBody makes.
#pragma once

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {
namespace internal {

class CUIListBodyBase;
class CUIListHeader;

class CUIListCtrlViewBase : public CUIContainer {
public:
    static constexpr int kHeaderId = 0;
    static constexpr int kBodyId = 1;

    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;
    void OnSetFocus(int reason) override;

    CUIListHeader* GetHeader() const;
    CUIListBodyBase* GetBody() const;
    // 24 pixels times the DPI factor.
    static int HeaderHeight();
};

}  // namespace internal
}  // namespace wendaldui
