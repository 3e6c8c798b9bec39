// A dialog whose whole client area is one read-only rich edit with links.
#pragma once

#include "WendalDui/Core/DuiDialog.h"
#include "WendalDui/Utils/UIRect.h"

namespace wendaldui {
class CUIRichEdit;
class CUIContainer;
}  // namespace wendaldui

namespace trelm {
namespace ui {

class CTextDialog : public wendaldui::CDuiDialog {
public:
    struct EditCreateRecord {
        wendaldui::CUIContainer* parent;
        void* argument;
        wendaldui::UIRect rect;
        uint32_t flags;
        int id;
    };

    CTextDialog();

    void OnCreate() override;
    virtual wendaldui::CUIRichEdit* CreateTextEdit(const EditCreateRecord& record);
    // WM_CLOSE: a plain text dialog ignores it.
    virtual void OnClose() {}
    virtual void OnLinkClick(wendaldui::CUIRichEdit* edit, void* link) {}

    wendaldui::CUIRichEdit* GetTextEdit() const { return m_edit; }

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnCloseMessage(WPARAM wParam, LPARAM lParam);
    void OnEditLink(wendaldui::EventData& event);

    wendaldui::CUIRichEdit* m_edit = nullptr;
};

}  // namespace ui
}  // namespace trelm
