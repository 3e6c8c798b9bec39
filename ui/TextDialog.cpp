#include "ui/TextDialog.h"

#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UIRichEdit.h"

namespace trelm {
namespace ui {

namespace {

constexpr uint32_t kEditExtraFlags = 0x10014;  // vertical bar, double clicks, focusable
constexpr uintptr_t kEditBits = wendaldui::kRichEditReadOnly | wendaldui::kRichEditMultiLine |
                                wendaldui::kRichEditWordWrap | wendaldui::kRichEditRichText;
constexpr int kEditId = 1;

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CTextDialog, wendaldui::CDuiDialog)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnCloseMessage)
DUI_END_MESSAGE_MAP()

CTextDialog::CTextDialog() : CDuiDialog(new wendaldui::CUIContainer2) {}

wendaldui::CUIRichEdit* CTextDialog::CreateTextEdit(const EditCreateRecord& record) {
    wendaldui::CUIRichEdit* edit = new wendaldui::CUIRichEdit;
    if (!edit->Create(record.parent, record.flags | kEditExtraFlags, record.rect, record.id,
                      reinterpret_cast<void*>(kEditBits))) {
        delete edit;
        return nullptr;
    }
    return edit;
}

void CTextDialog::OnCreate() {
    CDuiDialog::OnCreate();
    auto* client = static_cast<wendaldui::CUIContainer2*>(GetClientContainer());
    if (client) {
        const wendaldui::UIRect& r = client->GetRect();
        m_edit = CreateTextEdit({client, nullptr, wendaldui::UIRect(0, 0, r.width, r.height),
                                 wendaldui::kControlVisible | wendaldui::kControlRectInPixels, kEditId});
        if (m_edit) {
            m_edit->BindEvent(wendaldui::kEventRichEditLink, this, &CTextDialog::OnEditLink);
            client->SetFillChild(m_edit);
        }
    }
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
}

void CTextDialog::OnEditLink(wendaldui::EventData& event) {
    OnLinkClick(static_cast<wendaldui::CUIRichEdit*>(event.sender),
                reinterpret_cast<void*>(static_cast<uintptr_t>(event.p1)));
}

LRESULT CTextDialog::OnCloseMessage(WPARAM, LPARAM) {
    OnClose();
    return 0;
}

}  // namespace ui
}  // namespace trelm
