#include "WendalDui/Control/UIContainerShadow.h"

#include <gdiplus.h>

#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/SkinPaint.h"

namespace wendaldui {

namespace internal {

void CUIShadowSide::OnCreate(void* arg) {
    const Arg* given = static_cast<const Arg*>(arg);
    if (!given) return;
    m_side = given->side;
    m_shadowIndex = given->shadowIndex;
}

void CUIShadowSide::OnPaint(PaintContext& context) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!skin) return;
    context.graphics->TranslateTransform(static_cast<Gdiplus::REAL>(context.rect.x),
                                         static_cast<Gdiplus::REAL>(context.rect.y));
    const bool horizontal = m_side == kShadowTop || m_side == kShadowBottom;
    DrawShadowStrip(context.graphics, skin->GetShadow(m_shadowIndex), m_side,
                    horizontal ? context.rect.width : context.rect.height, (m_flags & kShadowCopyPixels) != 0);
}

void CUIShadowSide::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIControl::OnFlagChange(newFlags, bit, value, accepted);
    accepted = true;
}

}  // namespace internal

namespace {

constexpr uint32_t kSideFlags = kControlVisible | kControlRectInPixels;
constexpr uint32_t kContentFlags = kControlVisible | kControlFocusable | kControlDoubleClicks | kControlRectInPixels;
// Layout order of the five children on a resize.
constexpr int kResizeOrder[] = {kShadowTop, kShadowBottom, kShadowLeft, kShadowRight, CUIContainerShadow::kContentId};

}  // namespace

CUIContainerShadow::~CUIContainerShadow() {
    if (!m_contentAttached) delete m_content;
}

int CUIContainerShadow::HalfRadius() const {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    return skin ? skin->GetShadow(m_shadowIndex).radius / 2 : 0;
}

void CUIContainerShadow::Layout(int width, int height, UIRect rects[5]) const {
    const int h = HalfRadius();
    rects[kShadowTop] = UIRect(0, 0, width, h);
    rects[kShadowRight] = UIRect(width - h, h, h, height - 2 * h);
    rects[kShadowBottom] = UIRect(0, height - h, width, h);
    rects[kShadowLeft] = UIRect(0, h, h, height - 2 * h);
    rects[kContentId] = UIRect(h, h, width - 2 * h, height - 2 * h);
}

void CUIContainerShadow::OnCreate(void* arg) {
    UIRect rects[5];
    Layout(m_rect.width, m_rect.height, rects);
    for (int side = 0; side < 4; ++side) {
        internal::CUIShadowSide::Arg sideArg = {side, m_shadowIndex};
        internal::CUIShadowSide* strip = new internal::CUIShadowSide;
        if (!strip->Create(this, kSideFlags | (m_flags & kShadowCopyPixels), rects[side], side, &sideArg)) {
            delete strip;
        }
    }
    if (!m_content) m_content = new CUIContainer;
    m_contentAttached = m_content->Create(this, kContentFlags, rects[kContentId], kContentId);
}

void CUIContainerShadow::OnDestroy() {
    CUIContainer::OnDestroy();
    m_content = nullptr;
}

void CUIContainerShadow::OnSize(int width, int height) {
    UIRect rects[5];
    Layout(width, height, rects);
    for (int id : kResizeOrder) {
        CUIControl* child = GetChild(id);
        if (!child) continue;
        child->SetPos((child->GetFlags() & kControlRectInPixels) ? rects[id] : DpiScaleRect(rects[id]));
    }
}

void CUIContainerShadow::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIContainer::OnFlagChange(newFlags, bit, value, accepted);
    if (bit != kShadowCopyPixels) return;
    accepted = true;
    for (int side = 0; side < 4; ++side) {
        if (CUIControl* strip = GetChild(side)) strip->SetFlags((strip->GetFlags() & ~bit) | value);
    }
}

}  // namespace wendaldui
