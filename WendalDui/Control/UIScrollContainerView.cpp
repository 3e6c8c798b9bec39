#include "WendalDui/Control/UIScrollContainerView.h"

#include "WendalDui/Control/UIScrollView.h"
#include "WendalDui/Core/DuiDpi.h"

namespace wendaldui {

void CUIScrollContainerView::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIScrollContainer2::OnFlagChange(newFlags, bit, value, accepted);
    if (bit == kScrollCentreContent) accepted = true;
}

void CUIScrollContainerView::OnCreate(void* arg) {
    // The page is on the focus path of every control it holds: were it not
    // focusable, no field on it could take the focus, by click or by Tab,
    // and typing would reach none of them.
    m_flags |= kControlFocusable;
    CUIScrollContainer2::OnCreate(arg);
    // One line is one pixel here.
    SetLineStep(1);
    const int line = static_cast<int>(25 * g_dpiFactor);
    const int page = static_cast<int>(50 * g_dpiFactor);
    SetLineCounts(line, page, line);
    SetHorizontalSteps(line, page, line);
}

CUIControl* CUIScrollContainerView::CreateView(const ViewCreateInfo& info) {
    CUIScrollView* view = new CUIScrollView;
    if (view->Create(info.parent, info.flags | kControlFocusable | kControlDoubleClicks, info.rect, info.id,
                     info.arg)) {
        return view;
    }
    delete view;
    return nullptr;
}

CUIContainer* CUIScrollContainerView::GetContent() const {
    const CUIScrollView* view = static_cast<CUIScrollView*>(GetView());
    return view ? view->GetContent() : nullptr;
}

int CUIScrollContainerView::ToContentPixels(const CUIControl* content, int value) const {
    if (content->GetFlags() & kControlRectInPixels) return value;
    return static_cast<int>(static_cast<float>(value) * g_dpiFactor);
}

void CUIScrollContainerView::SetContentSize(int width, int height) {
    if (CUIContainer* content = GetContent()) {
        const UIRect& r = content->GetRect();
        content->SetPos(UIRect(r.x, r.y, ToContentPixels(content, width), ToContentPixels(content, height)));
    }
    SetContentWidth(width);
    SetContentHeight(height);
    UpdateScrollBars();
    if (m_flags & kScrollCentreContent) Centre();
}

int CUIScrollContainerView::CentreOffset() const {
    if (!(m_flags & kScrollCentreContent)) return 0;
    // Centred in the view, not the whole container: a content wider than
    // the view but narrower than the container must still scroll to its end.
    const int offset = (GetViewWidth() - GetContentWidth()) / 2;
    return offset > 0 ? offset : 0;
}

void CUIScrollContainerView::Centre() {
    CUIContainer* content = GetContent();
    if (!content) return;
    const UIRect& r = content->GetRect();
    content->SetPos(UIRect(ToContentPixels(content, CentreOffset() - GetScrollX()), r.y, r.width, r.height));
}

void CUIScrollContainerView::OnSize(int width, int height) {
    CUIScrollContainer2::OnSize(width, height);
    if (m_flags & kScrollCentreContent) Centre();
}

void CUIScrollContainerView::OnScrollPosChanged(int bar, int pos) {
    CUIContainer* content = GetContent();
    if (!content) return;
    const UIRect& r = content->GetRect();
    if (bar == kEventVScroll) {
        content->SetPos(UIRect(r.x, ToContentPixels(content, -pos), r.width, r.height));
    } else if (bar == kEventHScroll) {
        content->SetPos(UIRect(ToContentPixels(content, CentreOffset() - pos), r.y, r.width, r.height));
    }
}

void CUIScrollContainerView::OnSetFocus(int) {
    // The view keeps the focus path its children set; only the frame lights.
    if (FrameLightsUp()) SetBorderState(kBorderFocused);
}

}  // namespace wendaldui
