#include "WendalDui/Control/UIScrollView.h"

namespace wendaldui {

namespace {

constexpr uint32_t kContentFlags = kControlVisible | kControlFocusable | kControlDoubleClicks | kControlRectInPixels;

}  // namespace

void CUIScrollView::OnCreate(void*) {
    CUIContainer* content = new CUIContainer;
    if (!content->Create(this, kContentFlags, UIRect(0, 0, m_rect.width, m_rect.height), kContentId)) delete content;
}

}  // namespace wendaldui
