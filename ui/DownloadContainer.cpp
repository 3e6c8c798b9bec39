#include "ui/DownloadContainer.h"

#include "WendalDui/Control/UIScrollContainer.h"
#include "WendalDui/Control/UISimpleProgressBar.h"
#include "WendalDui/Core/DuiDpi.h"
#include "ui/UIDLList.h"

namespace trelm {
namespace ui {
namespace internal {

namespace {

constexpr int kBarHeight = 2;
constexpr uint32_t kShown = wendaldui::kControlVisible | wendaldui::kControlRectInPixels;

}  // namespace

void CDownloadContainer::Layout(int width, int height, wendaldui::UIRect& bar, wendaldui::UIRect& list) {
    const int barHeight = wendaldui::DpiScale(kBarHeight);
    bar = wendaldui::UIRect(0, 0, width, barHeight);
    list = wendaldui::UIRect(0, barHeight, width, height > barHeight ? height - barHeight : 0);
}

void CDownloadContainer::OnCreate(void*) {
    wendaldui::UIRect barRect, listRect;
    Layout(m_rect.width, m_rect.height, barRect, listRect);
    auto* bar = new wendaldui::CUISimpleProgressBar;
    if (!bar->Create(this, kShown, barRect, kProgressBarId)) delete bar;
    auto* list = new CUIDLList;
    const uint32_t listFlags = kShown | wendaldui::kControlFocusable | wendaldui::kScrollHasVertical |
                               wendaldui::kScrollHasHorizontal;
    if (!list->Create(this, listFlags, listRect, kListId)) delete list;
}

void CDownloadContainer::OnSize(int width, int height) {
    wendaldui::UIRect barRect, listRect;
    Layout(width, height, barRect, listRect);
    if (CUIControl* bar = GetChild(kProgressBarId)) bar->SetPos(barRect);
    if (CUIControl* list = GetChild(kListId)) list->SetPos(listRect);
}

wendaldui::CUISimpleProgressBar* CDownloadContainer::GetProgressBar() const {
    return static_cast<wendaldui::CUISimpleProgressBar*>(GetChild(kProgressBarId));
}

CUIDLList* CDownloadContainer::GetList() const { return static_cast<CUIDLList*>(GetChild(kListId)); }

}  // namespace internal
}  // namespace ui
}  // namespace trelm
