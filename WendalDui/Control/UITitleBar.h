// The caption strip of a dialog: a title label, the window buttons at the
// right end (close, maximise, minimise from the right) and any control the
// owner adds left of them. Empty places and the label drag the window.
#pragma once

#include <cstdint>
#include <vector>

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {

class CUILabel;

enum TitleBarStyle : uint32_t {
    kTitleBarMinimize = 0x10000,
    kTitleBarMaximize = 0x20000,
    kTitleBarClose = 0x40000,
    kTitleBarMinimizeDisabled = 0x80000,
    kTitleBarMaximizeDisabled = 0x100000,
    kTitleBarCloseDisabled = 0x200000,
    kTitleBarActive = 0x400000,  // palette entry 92 instead of 93
};

// Ids of the bar's own children.
constexpr int kTitleBarLabelId = static_cast<int>(0xFFFF0000u);
constexpr int kTitleBarMinimizeId = static_cast<int>(0xFFFF0001u);
constexpr int kTitleBarMaximizeId = static_cast<int>(0xFFFF0002u);
constexpr int kTitleBarCloseId = static_cast<int>(0xFFFF0003u);

class CUITitleBar : public CUIContainer {
public:
    // Creates control as a child at the right end, left of the items already
    // there, as tall as the bar and `width` wide (logical pixels unless flags
    // has kControlRectInPixels); the label shrinks to make room.
    bool AddControl(CUIControl* control, uint32_t flags, int id, int width);
    void SetTitle(const wchar_t* text);
    CUILabel* GetTitleLabel() const;

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnPaint(PaintContext& context) override;
    void OnSize(int width, int height) override;
    int HitTest(int x, int y, CUIControl*& out) override;

private:
    struct Item {
        CUIControl* control;
        int width;  // device pixels
    };
    // The label fills the bar from the pad to `right`.
    void PlaceLabel(int right, int height);

    std::vector<Item> m_items;  // the first is rightmost
    int m_pad = 0;              // left of the title, device pixels
};

}  // namespace wendaldui
