// Slow work the UI thread must wait for (asset checks, legacy-asset copies,
// deletions, a shortcut's sign-in) runs on the system thread pool; when it
// outlasts the caller's time-out a small "请等待" dialog keeps the UI alive.
#pragma once

#include <windows.h>

#include "core/WString.h"
#include "core/noncopyable.h"

namespace wendal_ {

// A work item of the system thread pool. The owner destroys it through its
// own type, after RunAsynTask has returned.
class CTPWork : private noncopyable {
public:
    virtual void Run(PTP_CALLBACK_INSTANCE instance) = 0;

    HANDLE GetDoneEvent() const { return m_done; }
    // Creates the done event and submits the work; false when either failed.
    bool Submit();

protected:
    CTPWork() = default;
    // Waits for a callback still running, then lets the work and event go.
    ~CTPWork();

private:
    static void CALLBACK Callback(PTP_CALLBACK_INSTANCE instance, void* context, PTP_WORK work);

    HANDLE m_done = NULL;  // set once the callback has returned
    PTP_WORK m_work = nullptr;
};

}  // namespace wendal_

namespace trelm {
namespace ui {

// The private message of the wait dialog: the task's text changed.
constexpr UINT WM_ASYN_TASK_TEXT = 0x8101;

class CAsynTask : public wendal_::CTPWork {
public:
    // Callable from the task's thread: shown by the wait dialog when there is one.
    void SetText(const wchar_t* text);
    WString GetText();

    // The wait dialog's window, or NULL; set and cleared by the dialog.
    void AttachDialog(HWND dialog);

protected:
    CAsynTask();
    ~CAsynTask();

private:
    CRITICAL_SECTION m_lock;
    WString m_text;
    HWND m_dialog = NULL;
};

// True once the task has ended (after the wait dialog, when one was needed);
// false when the work could not be submitted or the wait failed. The task's
// own outcome is in its result fields.
bool RunAsynTask(CAsynTask* task, DWORD timeoutMs, HWND owner);

}  // namespace ui
}  // namespace trelm
