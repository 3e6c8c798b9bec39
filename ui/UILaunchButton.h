// The main window's launch button: a large themed button with a soft shadow.
// Its click (event 0) comes from the face inside it, raised again with the
// launch button as the sender.
#pragma once

#include "WendalDui/Control/UIContainerShadow.h"

namespace trelm {
namespace ui {

namespace internal {

class CUILaunchButtonControl;

// Keeps the face filling it.
class CUILaunchButtonContainer : public wendaldui::CUIContainer {
public:
    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;
    CUILaunchButtonControl* GetControl() const;
};

}  // namespace internal

class CUILaunchButton : public wendaldui::CUIContainerShadow {
public:
    CUILaunchButton();

    void OnCreate(void* arg) override;
    internal::CUILaunchButtonControl* GetControl() const;

private:
    void OnControlClick(wendaldui::EventData& event);
};

}  // namespace ui
}  // namespace trelm
