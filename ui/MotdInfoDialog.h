// Everything the last status answer of a server held (Ctrl+click on the
// server icon): time, address, description, version, latency, players, mods
// and the raw JSON, in a resizable read-only text window.
#pragma once

#include "WendalDui/Control/UIContainer.h"
#include "WendalDui/Core/DuiDialog.h"

namespace wendaldui {
class CUIRichEdit;
}

namespace trelm {
namespace ui {

class CUIMcMotdCtrl;

namespace internal {

// Keeps its one rich edit filling it.
class CResizeContainer : public wendaldui::CUIContainer {
public:
    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;
    wendaldui::CUIRichEdit* GetEdit() const;
};

class CMotdInfoDialog : public wendaldui::CDuiDialog {
public:
    explicit CMotdInfoDialog(CUIMcMotdCtrl* owner);

    // Creates the window over `ownerWindow` and shows it; false when it could not.
    bool Open(HWND ownerWindow);
    // Rebuilds the text from the owner's last answer.
    void BuildText();
    wendaldui::CUIRichEdit* GetEdit() const;

    void OnCreate() override;
    void OnFinalMessage() override;

private:
    CUIMcMotdCtrl* m_owner;
    bool m_built = false;  // a text was shown: the next keeps the reader's place
};

}  // namespace internal
}  // namespace ui
}  // namespace trelm
