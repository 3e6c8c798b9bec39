// The root of a dialog window: the title bar across the top and, below it,
// the client container that the dialog fills with its controls.
#pragma once

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {

constexpr int kDialogTitleBarId = -16;
constexpr int kDialogClientId = -15;
// Height of the title strip in logical pixels.
constexpr int kDialogTitleHeight = 28;

namespace internal {

class CUIDialogContainer : public CUIContainer {
public:
    // The dialog's own container (or null for a plain one); owned here.
    explicit CUIDialogContainer(CUIContainer* client) : m_client(client) {}
    ~CUIDialogContainer() override;

    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnSize(int width, int height) override;

    // The title and client rects, in pixels, for a container of that size.
    static void Layout(int width, int height, UIRect& title, UIRect& client);
    // Title-bar styles for a window of that style: which buttons it gets.
    static uint32_t TitleBarFlags(LONG windowStyle);

private:
    CUIContainer* m_client;
    bool m_clientAttached = false;  // then the children's list owns it
};

}  // namespace internal
}  // namespace wendaldui
