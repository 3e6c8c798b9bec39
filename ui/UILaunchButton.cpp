#include "ui/UILaunchButton.h"

#include "ui/UILaunchButtonControl.h"

namespace trelm {
namespace ui {

namespace internal {

namespace {

constexpr uint32_t kFaceFlags = wendaldui::kControlVisible | wendaldui::kControlTabStop |
                                wendaldui::kControlRectInPixels;
constexpr int kFaceId = 0;

}  // namespace

void CUILaunchButtonContainer::OnCreate(void*) {
    CUILaunchButtonControl* face = new CUILaunchButtonControl;
    if (!face->Create(this, kFaceFlags, wendaldui::UIRect(0, 0, m_rect.width, m_rect.height), kFaceId)) delete face;
}

void CUILaunchButtonContainer::OnSize(int width, int height) {
    if (CUIControl* face = GetChild(kFaceId)) face->SetPos(wendaldui::UIRect(0, 0, width, height));
}

CUILaunchButtonControl* CUILaunchButtonContainer::GetControl() const {
    return static_cast<CUILaunchButtonControl*>(GetChild(kFaceId));
}

}  // namespace internal

CUILaunchButton::CUILaunchButton() { SetContent(new internal::CUILaunchButtonContainer); }

void CUILaunchButton::OnCreate(void* arg) {
    CUIContainerShadow::OnCreate(arg);
    if (internal::CUILaunchButtonControl* face = GetControl()) {
        face->BindEvent(wendaldui::kEventClick, this, &CUILaunchButton::OnControlClick);
    }
}

internal::CUILaunchButtonControl* CUILaunchButton::GetControl() const {
    auto* content = static_cast<internal::CUILaunchButtonContainer*>(GetContent());
    return content ? content->GetControl() : nullptr;
}

void CUILaunchButton::OnControlClick(wendaldui::EventData& event) {
    FireEvent(wendaldui::kEventClick, event.p1, event.p2);
}

}  // namespace ui
}  // namespace trelm
