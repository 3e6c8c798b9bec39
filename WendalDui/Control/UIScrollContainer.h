// A frame around one view control with optional scroll bars beside it. The
// view is made by the subclass (CreateView); the bars' requests go to
// OnScrollBarEvent. The optional 1-pixel frame lights up on hover and focus.
#pragma once

#include "WendalDui/Control/UIContainer.h"
#include "WendalDui/Utils/Tween.h"

namespace wendaldui {

class CUIScrollBar;

enum ScrollContainerStyle : uint32_t {
    kScrollHasVertical = 0x10000,
    kScrollHasHorizontal = 0x20000,
    kScrollFrame = 0x40000,      // a 1-pixel frame, with 1 pixel kept for it on each side
    kScrollFrameStill = 0x80000,  // the frame does not light up on hover or focus
};

// What CreateView gets: the view's parent (the container), the container's
// create argument, and the view's rect (pixels), flags and id.
struct ViewCreateInfo {
    CUIContainer* parent;
    void* arg;
    UIRect rect;
    uint32_t flags;
    int id;
};

class CUIScrollContainer : public CUIContainer {
public:
    static constexpr int kViewId = 0;
    static constexpr int kVerticalBarId = 1;
    static constexpr int kHorizontalBarId = 2;
    enum BorderState { kBorderNormal = 0, kBorderHover = 1, kBorderFocused = 2, kBorderDisabled = 3 };

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;
    void OnPaint(PaintContext& context) override;
    int HitTest(int x, int y, CUIControl*& out) override;
    void OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    void OnSetFocus(int reason) override;
    void OnKillFocus() override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnEnable(bool enabled) override;
    void OnTimer(UINT localId) override;
    void OnSkinChanged(uint32_t bits) override;

    // The view control; null in this class.
    virtual CUIControl* CreateView(const ViewCreateInfo& info) { return nullptr; }
    // A request of one of the bars (event 276 or 277); nothing in this class.
    virtual void OnScrollBarEvent(EventData& e) {}

    // Shows or hides the bars that exist and lays the children out again.
    void ShowScrollBars(bool vertical, bool horizontal);
    CUIControl* GetView() const { return m_view && HasChild(m_view) ? m_view : nullptr; }
    // Null when the style has no such bar.
    CUIScrollBar* GetVerticalBar() const;
    CUIScrollBar* GetHorizontalBar() const;
    bool IsVerticalBarShown() const;
    bool IsHorizontalBarShown() const;
    int GetBorderState() const { return m_borderState; }

    // The bars' thickness: 14 pixels times the DPI factor.
    static int BarThickness();

protected:
    // Rects of the view and the bars in a container of that size with those bars shown.
    void CalcLayout(int width, int height, bool vertical, bool horizontal, UIRect& view, UIRect& verticalBar,
                    UIRect& horizontalBar) const;
    // 1 with the frame, else 0.
    int FrameWidth() const { return (m_flags & kScrollFrame) ? 1 : 0; }
    void SetBorderState(int state);
    // Whether hover and focus may light the frame.
    bool FrameLightsUp() const { return !(m_flags & kScrollFrameStill); }

private:
    void LayOut(int width, int height);
    void OnBarEvent(EventData& e) { OnScrollBarEvent(e); }

    CTween<ARGB> m_borderTween;
    CUIControl* m_view = nullptr;
    CUIScrollBar* m_vertical = nullptr;
    CUIScrollBar* m_horizontal = nullptr;
    int m_borderState = kBorderNormal;
};

}  // namespace wendaldui
