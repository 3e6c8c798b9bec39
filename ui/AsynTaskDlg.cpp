#include "ui/AsynTaskDlg.h"

#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UIRingProgressBar.h"
#include "WendalDui/Control/UITitleBar.h"
#include "WendalDui/Core/DuiApp.h"
#include "ui/AsynTask.h"

namespace trelm {
namespace ui {

namespace {

constexpr UINT_PTR kMinimumTimer = 1;  // the rest of the one second
constexpr UINT_PTR kPollTimer = 2;
constexpr UINT kPollMs = 200;
constexpr uint64_t kMinimumShownMs = 1000;

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CAsynTaskDlg, wendaldui::CDuiDialog)
DUI_MESSAGE_HANDLER(WM_ASYN_TASK_TEXT, OnTextChanged)
DUI_MESSAGE_HANDLER(WM_TIMER, OnTimer)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnClose)
DUI_MESSAGE_HANDLER(WM_DESTROY, OnWaitDestroy)
DUI_END_MESSAGE_MAP()

void CAsynTaskDlg::OnCreate() {
    CDuiDialog::OnCreate();
    using namespace wendaldui;
    CUIContainer* client = GetClientContainer();
    if (client) {
        CUIRingProgressBar* ring = new CUIRingProgressBar;
        if (!ring->Create(client, kControlVisible | kRingIndeterminate, UIRect(16, 24, 32, 32), 1)) delete ring;
        m_label = new CUILabel;
        if (!m_label->Create(client, kControlVisible | kLabelVCenter, UIRect(64, 24, 212, 32), 2)) {
            delete m_label;
            m_label = nullptr;
        }
    }
    if (m_task) {
        if (m_label) m_label->SetText(m_task->GetText().GetString());
        m_task->AttachDialog(m_hWnd);
    }
    m_created = GetTickCount64();
    SetTimer(m_hWnd, kPollTimer, kPollMs, NULL);
    EnableMenuItem(GetSystemMenu(m_hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
    if (CUITitleBar* bar = GetTitleBar()) bar->SetFlags(bar->GetFlags() | kTitleBarCloseDisabled);
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
}

LRESULT CAsynTaskDlg::OnTextChanged(WPARAM, LPARAM) {
    // The task's copy is taken under its lock, so a half-written text is never shown.
    if (m_task && m_label) m_label->SetText(m_task->GetText().GetString());
    return 0;
}

LRESULT CAsynTaskDlg::OnTimer(WPARAM wParam, LPARAM lParam) {
    if (wParam == kPollTimer) {
        if (m_task && WaitForSingleObject(m_task->GetDoneEvent(), 0) == WAIT_OBJECT_0) {
            KillTimer(m_hWnd, kPollTimer);
            Finish();
        }
        return 0;
    }
    if (wParam == kMinimumTimer) {
        KillTimer(m_hWnd, kMinimumTimer);
        Close();
        return 0;
    }
    return OnTimerMessage(wParam, lParam);  // the ring's animation
}

// Neither the close box nor Alt+F4 may end the wait.
LRESULT CAsynTaskDlg::OnClose(WPARAM, LPARAM) { return 0; }

LRESULT CAsynTaskDlg::OnWaitDestroy(WPARAM wParam, LPARAM lParam) {
    if (m_task) m_task->AttachDialog(NULL);
    KillTimer(m_hWnd, kPollTimer);
    KillTimer(m_hWnd, kMinimumTimer);
    return OnDialogDestroy(wParam, lParam);
}

void CAsynTaskDlg::Finish() {
    const uint64_t elapsed = GetTickCount64() - m_created;
    if (elapsed < kMinimumShownMs) {
        SetTimer(m_hWnd, kMinimumTimer, static_cast<UINT>(kMinimumShownMs - elapsed), NULL);
    } else {
        Close();
    }
}

void CAsynTaskDlg::Close() {
    wendaldui::CDuiApp::EndModalLoop(m_hWnd);
}

}  // namespace ui
}  // namespace trelm
