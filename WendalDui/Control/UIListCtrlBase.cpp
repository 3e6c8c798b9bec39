#include "WendalDui/Control/UIListCtrlBase.h"

#include "WendalDui/Control/UIListCtrlViewBase.h"

namespace wendaldui {
namespace internal {

CUIControl* CUIListCtrlBase::CreateView(const ViewCreateInfo& info) {
    CUIListCtrlViewBase* view = new CUIListCtrlViewBase;
    const uint32_t flags = info.flags | kControlFocusable | kControlDoubleClicks;
    if (view->Create(info.parent, flags, info.rect, info.id, info.arg)) return view;
    delete view;
    return nullptr;
}

void CUIListCtrlBase::AdjustViewSize(int&, int& height) { height -= CUIListCtrlViewBase::HeaderHeight(); }

void CUIListCtrlBase::OnScrollPosChanged(int bar, int pos) {
    if (bar == kEventVScroll) {
        // The rows already drawn move; only those coming into view are drawn.
        const int dy = m_shownY - pos;
        m_shownY = pos;
        if (CUIControl* body = GetBody()) body->ScrollContent(dy);
    } else if (CUIControl* view = GetView()) {
        view->Invalidate();  // the header scrolls sideways with the body
    }
}

CUIListBodyBase* CUIListCtrlBase::GetBody() const {
    const CUIListCtrlViewBase* view = static_cast<CUIListCtrlViewBase*>(GetView());
    return view ? view->GetBody() : nullptr;
}

bool CUIListCtrlBase::SetCell(int column, int row, CUIListBodyBase::ItemBase* item) {
    CUIListBodyBase* body = GetBody();
    return body && body->SetCell(column, row, item);
}

bool CUIListCtrlBase::EnsureRowVisible(int row) {
    CUIListBodyBase* body = GetBody();
    if (!body || row < 0 || row >= body->GetRowCount()) return false;
    ScrollToY(row * body->GetRowHeight(), false);
    return true;
}

bool CUIListCtrlBase::SelectRow(int row) {
    CUIListBodyBase* body = GetBody();
    if (!body || row < 0 || row >= body->GetRowCount()) return false;
    body->Invalidate();
    return body->GetSelection().SelectRange(row, row);
}

}  // namespace internal
}  // namespace wendaldui
