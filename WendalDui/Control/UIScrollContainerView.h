// A smooth scroll container over free content: the owner fills the content
// container with controls and gives its size; scrolling moves the content
// inside the view, one pixel per line. The settings dialog is built on it.
#pragma once

#include "WendalDui/Control/UIScrollContainer2.h"

namespace wendaldui {

// Centre the content horizontally while it is narrower than the view.
constexpr uint32_t kScrollCentreContent = 0x1000000;

class CUIScrollView;

class CUIScrollContainerView : public CUIScrollContainer2 {
public:
    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;
    int HitTest(int x, int y, CUIControl*& out) override { return CUIContainer::HitTest(x, y, out); }
    void OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) override { CUIContainer::OnKeyDown(vk, repeat, keyFlags); }
    void OnSetFocus(int reason) override;
    CUIControl* CreateView(const ViewCreateInfo& info) override;
    void OnScrollPosChanged(int bar, int pos) override;

    // The content control takes that size at its place (scaled by the DPI
    // factor unless it has kControlRectInPixels, which it is created with:
    // then these are pixels) and the bars follow.
    void SetContentSize(int width, int height);
    CUIContainer* GetContent() const;

private:
    // Pixels for a content control value.
    int ToContentPixels(const CUIControl* content, int value) const;
    // The content's x while it is narrower than the view: centred, else 0.
    int CentreOffset() const;
    void Centre();
};

}  // namespace wendaldui
