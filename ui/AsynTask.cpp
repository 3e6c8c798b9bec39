#include "ui/AsynTask.h"

#include "ui/AsynTaskDlg.h"
#include "ui/ModalDialog.h"

namespace wendal_ {

CTPWork::~CTPWork() {
    if (m_work) {
        WaitForThreadpoolWorkCallbacks(m_work, FALSE);
        CloseThreadpoolWork(m_work);
    }
    if (m_done) CloseHandle(m_done);
}

void CALLBACK CTPWork::Callback(PTP_CALLBACK_INSTANCE instance, void* context, PTP_WORK) {
    CTPWork* work = static_cast<CTPWork*>(context);
    // Set only when the callback has returned: the waiter may then destroy
    // the task without racing its last instructions.
    SetEventWhenCallbackReturns(instance, work->m_done);
    work->Run(instance);
}

bool CTPWork::Submit() {
    if (!m_done) m_done = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (!m_done) return false;
    if (!m_work) m_work = CreateThreadpoolWork(&Callback, this, NULL);
    if (!m_work) return false;
    SubmitThreadpoolWork(m_work);
    return true;
}

}  // namespace wendal_

namespace trelm {
namespace ui {

namespace {

constexpr int kWaitWidth = 280, kWaitHeight = 108;

}  // namespace

CAsynTask::CAsynTask() { InitializeCriticalSectionAndSpinCount(&m_lock, 4000); }

CAsynTask::~CAsynTask() { DeleteCriticalSection(&m_lock); }

void CAsynTask::SetText(const wchar_t* text) {
    EnterCriticalSection(&m_lock);
    m_text = text ? text : L"";
    if (m_dialog) PostMessageW(m_dialog, WM_ASYN_TASK_TEXT, 0, 0);
    LeaveCriticalSection(&m_lock);
}

WString CAsynTask::GetText() {
    EnterCriticalSection(&m_lock);
    WString text = m_text;
    LeaveCriticalSection(&m_lock);
    return text;
}

void CAsynTask::AttachDialog(HWND dialog) {
    EnterCriticalSection(&m_lock);
    m_dialog = dialog;
    LeaveCriticalSection(&m_lock);
}

bool RunAsynTask(CAsynTask* task, DWORD timeoutMs, HWND owner) {
    if (!task || !task->Submit()) return false;
    const DWORD waited = WaitForSingleObject(task->GetDoneEvent(), timeoutMs);
    if (waited == WAIT_OBJECT_0) return true;
    if (waited != WAIT_TIMEOUT) return false;

    CAsynTaskDlg dialog(task);
    RunModalDialog(dialog, L"请等待", WS_CAPTION, kWaitWidth, kWaitHeight, owner);
    // With no window to wait in, or a loop ended by a quit message, the task
    // must still be over before the caller may destroy it.
    return WaitForSingleObject(task->GetDoneEvent(), INFINITE) == WAIT_OBJECT_0;
}

}  // namespace ui
}  // namespace trelm
