#include "WendalDui/Control/UIScrollBar.h"

#include <algorithm>

#include "WendalDui/Control/UIScrollBarBody.h"
#include "WendalDui/Control/UIScrollBarButton.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Utils/EventData.h"

namespace wendaldui {

namespace {

constexpr uint32_t kPartFlags = kControlVisible | kControlRectInPixels;

}  // namespace

void CUIScrollBar::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIContainer::OnFlagChange(newFlags, bit, value, accepted);
    if (bit == kScrollBarHorizontal) accepted = true;
}

void CUIScrollBar::Layout(int width, int height, UIRect rects[3]) const {
    // The buttons are square; the body takes what is left between them.
    if (IsHorizontal()) {
        rects[0] = UIRect(0, 0, height, height);
        rects[1] = UIRect(height, 0, std::max(0, width - 2 * height), height);
        rects[2] = UIRect(width - height, 0, height, height);
    } else {
        rects[0] = UIRect(0, 0, width, width);
        rects[1] = UIRect(0, width, width, std::max(0, height - 2 * width));
        rects[2] = UIRect(0, height - width, width, width);
    }
}

void CUIScrollBar::OnCreate(void*) {
    UIRect rects[3];
    Layout(m_rect.width, m_rect.height, rects);
    const uint32_t buttonStyle = IsHorizontal() ? 0 : kScrollButtonVertical;
    const uint32_t bodyStyle = IsHorizontal() ? kScrollBodyHorizontal : 0;
    CUIControl* parts[3] = {new internal::CUIScrollBarButton, new internal::CUIScrollBarBody,
                            new internal::CUIScrollBarButton};
    const uint32_t styles[3] = {buttonStyle, bodyStyle, buttonStyle | kScrollButtonSecond};
    for (int id = 0; id < 3; ++id) {
        if (!parts[id]->Create(this, kPartFlags | styles[id], rects[id], id)) delete parts[id];
    }
}

void CUIScrollBar::OnSize(int width, int height) {
    UIRect rects[3];
    Layout(width, height, rects);
    for (int id = 0; id < 3; ++id) {
        if (CUIControl* part = GetChild(id)) part->SetPos(rects[id]);
    }
}

internal::CUIScrollBarBody* CUIScrollBar::GetBody() const {
    return static_cast<internal::CUIScrollBarBody*>(GetChild(kBodyId));
}

bool CUIScrollBar::SetScrollRange(int min, int max, int page) {
    internal::CUIScrollBarBody* body = GetBody();
    return body && body->SetScrollRange(min, max, page);
}

bool CUIScrollBar::SetScrollPos(int pos) {
    internal::CUIScrollBarBody* body = GetBody();
    return body && body->SetScrollPos(pos);
}

int CUIScrollBar::GetScrollPos() const {
    const internal::CUIScrollBarBody* body = GetBody();
    return body ? body->GetScrollPos() : 0;
}

void CUIScrollBar::SendRequest(int code, int pos) {
    const uint32_t p1 = (static_cast<uint32_t>(code) & 0xFFFF) | (static_cast<uint32_t>(pos) << 16);
    FireEvent(IsHorizontal() ? kEventHScroll : kEventVScroll, p1);
}

}  // namespace wendaldui
