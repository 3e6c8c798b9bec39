// The client area of the download dialog: a thin overall progress bar across
// the top and the download list below it.
#pragma once

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {
class CUISimpleProgressBar;
}

namespace trelm {
namespace ui {

class CUIDLList;

namespace internal {

class CDownloadContainer : public wendaldui::CUIContainer {
public:
    static constexpr int kProgressBarId = 1;
    static constexpr int kListId = 2;

    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;

    wendaldui::CUISimpleProgressBar* GetProgressBar() const;
    CUIDLList* GetList() const;

private:
    // The bar's and the list's rects (pixels) in a container of that size.
    static void Layout(int width, int height, wendaldui::UIRect& bar, wendaldui::UIRect& list);
};

}  // namespace internal
}  // namespace ui
}  // namespace trelm
