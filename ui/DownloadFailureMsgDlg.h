// The report of a failed download batch: every failed file, each address
// tried and why, in a resizable read-only text with an OK button.
#pragma once

#include <windows.h>

#include "WendalDui/Core/DuiDialog.h"
#include "core/WString.h"

namespace wendaldui {
class CUIButton;
class CUIRichEdit;
struct EventData;
}  // namespace wendaldui

namespace trelm {
namespace ui {

namespace internal {

class CDownloadFailureMsgDlg : public wendaldui::CDuiDialog {
public:
    static constexpr int kEditId = 1;
    static constexpr int kOkId = 2;

    explicit CDownloadFailureMsgDlg(const WString& text) : m_text(text) {}

    void OnCreate() override;

    wendaldui::CUIRichEdit* GetEdit() const;
    wendaldui::CUIButton* GetOkButton() const;

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnReportSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnReportMinMaxInfo(WPARAM wParam, LPARAM lParam);
    LRESULT OnReportClose(WPARAM wParam, LPARAM lParam);

private:
    void OnOk(wendaldui::EventData& event);
    void Layout();
    void End(int result);

    WString m_text;
};

}  // namespace internal

// Shows the report modally over owner: 0 when closed with "确定", 1 when
// closed otherwise.
int ShowDownloadFailureReport(HWND owner, const WString& text);

}  // namespace ui
}  // namespace trelm
