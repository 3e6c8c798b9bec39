// The "请等待" dialog of a slow task: a spinning ring and the task's text.
// The player cannot close it; it closes itself once the task has ended and it
// has been up for at least a second, so that it never flashes.
#pragma once

#include <cstdint>

#include "WendalDui/Core/DuiDialog.h"

namespace wendaldui {
class CUILabel;
}

namespace trelm {
namespace ui {

class CAsynTask;

class CAsynTaskDlg : public wendaldui::CDuiDialog {
public:
    explicit CAsynTaskDlg(CAsynTask* task) : m_task(task) {}

    void OnCreate() override;

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnTextChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnWaitDestroy(WPARAM wParam, LPARAM lParam);

private:
    // The task has ended: closes now, or once the dialog has been up a second.
    void Finish();
    void Close();

    CAsynTask* m_task;
    uint64_t m_created = 0;
    wendaldui::CUILabel* m_label = nullptr;
};

}  // namespace ui
}  // namespace trelm
