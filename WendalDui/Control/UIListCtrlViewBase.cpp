#include "WendalDui/Control/UIListCtrlViewBase.h"

#include <algorithm>

#include "WendalDui/Control/UIListBodyBase.h"
#include "WendalDui/Control/UIListCtrlBase.h"
#include "WendalDui/Control/UIListHeader.h"
#include "WendalDui/Core/DuiDpi.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr uint32_t kHeaderFlags = kControlVisible | kControlRectInPixels;
// What the body takes from the list control's flags: shown, focusable,
// pixels and the list styles from bit 20 up.
constexpr uint32_t kBodyFlagsTaken = kControlVisible | kControlFocusable | kControlRectInPixels | 0xFFF00000u;
constexpr uint32_t kBodyFlags = kControlVisible | kControlFocusable | kControlRectInPixels;

}  // namespace

int CUIListCtrlViewBase::HeaderHeight() { return static_cast<int>(24 * g_dpiFactor); }

CUIListHeader* CUIListCtrlViewBase::GetHeader() const { return static_cast<CUIListHeader*>(GetChild(kHeaderId)); }

CUIListBodyBase* CUIListCtrlViewBase::GetBody() const { return static_cast<CUIListBodyBase*>(GetChild(kBodyId)); }

void CUIListCtrlViewBase::OnCreate(void*) {
    const int header = std::min(HeaderHeight(), m_rect.height);
    CUIListHeader* title = new CUIListHeader;
    if (!title->Create(this, kHeaderFlags, UIRect(0, 0, m_rect.width, header), kHeaderId)) delete title;
    CUIListCtrlBase* owner = dynamic_cast<CUIListCtrlBase*>(m_parent);
    CUIListBodyBase* body = owner ? owner->CreateBody() : nullptr;
    if (!body) return;
    const uint32_t flags = (owner->GetFlags() & kBodyFlagsTaken) | kBodyFlags;
    if (!body->Create(this, flags, UIRect(0, header, m_rect.width, m_rect.height - header), kBodyId)) delete body;
}

void CUIListCtrlViewBase::OnSize(int width, int height) {
    const int header = std::min(HeaderHeight(), height);
    if (CUIControl* title = GetHeader()) title->SetPos(UIRect(0, 0, width, header));
    if (CUIControl* body = GetBody()) body->SetPos(UIRect(0, header, width, height - header));
}

void CUIListCtrlViewBase::OnSetFocus(int reason) {
    if (CUIControl* body = GetBody()) body->SetFocus(reason);
}

}  // namespace internal
}  // namespace wendaldui
