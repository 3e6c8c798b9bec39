// The library's modal message box: an optional icon, a mark-up text whose
// links open with the shell, an optional "do not show again" check box and up
// to four buttons that end the box with a result id.
#pragma once

#include <windows.h>

#include <cstdint>

#include "WendalDui/Core/DuiDialog.h"

namespace wendaldui {

class CUILinkCtrl;

// Result ids of the standard buttons; closing the box gives kResultCancel.
constexpr int kResultCancel = static_cast<int>(0x80000000u);
constexpr int kResultOk = static_cast<int>(0x80000001u);
constexpr int kResultYes = kResultOk;
constexpr int kResultNo = static_cast<int>(0x80000002u);

enum MessageBoxStyle { kBoxOk = 0, kBoxYesNo = 1, kBoxYesNoCancel = 2, kBoxOkCancel = 3 };
enum MessageBoxIcon { kIconError = 1, kIconInformation = 2, kIconQuestion = 4, kIconWarning = 8 };

class CDlgMessageBox : public CDuiDialog {
public:
    static constexpr int kMaxButtons = 4;

    struct Param {
        const wchar_t* caption;
        const wchar_t* text;  // mark-up, links allowed
        uint32_t icon;        // one of MessageBoxIcon, else none
        const wchar_t* buttonTexts[kMaxButtons];
        int resultIds[kMaxButtons];
        uint32_t buttonCount;
        uint32_t reserved;
        // Non-zero on entry asks for the check box; on return 1 when it was ticked.
        uint32_t doNotShow;

        void SetButtons(int style);
    };

    explicit CDlgMessageBox(Param* param) : m_param(param) {}

    // Blocks in a modal loop over the owner; returns the result id.
    static int Show(HWND owner, const wchar_t* caption, const wchar_t* text, int style, int icon);
    static int DoModal(HWND owner, Param* param);

    void OnCreate() override;

    virtual void InitMessageText(CUILinkCtrl* text);
    virtual void OnButton(CUIControl* sender, int resultId);
    virtual void OnLinkClick(const wchar_t* url, int length);
    virtual void OnCancel();

    DUI_DECLARE_MESSAGE_MAP()

protected:
    // Runs a box of any class derived from this one, made on the caller's stack.
    static int RunModal(CDlgMessageBox& box, HWND owner);

    LRESULT OnCloseMessage(WPARAM wParam, LPARAM lParam);

    void OnButtonClick(EventData& event);
    void OnLinkEvent(EventData& event);
    void OnCheckBoxClick(EventData& event);

    Param* m_param;
    int m_resultIds[kMaxButtons] = {};
};

}  // namespace wendaldui
