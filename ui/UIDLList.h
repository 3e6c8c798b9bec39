// The download list: one row per file with its name, the source it comes
// from, a progress cell and its state.
#pragma once

#include <cstdint>

#include "WendalDui/Control/UIListCtrlBase.h"

namespace trelm {
namespace ui {

class CUIDLList : public wendaldui::internal::CUIListCtrlBase {
public:
    enum Column { kColumnFile = 0, kColumnSource = 1, kColumnProgress = 2, kColumnStatus = 3 };
    static constexpr uint32_t kTextColor = 0xFA000000;
    static constexpr uint32_t kErrorColor = 0xFADC0000;

    void OnCreate(void* arg) override;
    wendaldui::internal::CUIListBodyBase* CreateBody() override;

    // A row waiting for its download; its index, or -1 without a body.
    int AddRow(const wchar_t* name);
    // The name of a download source (DownloadSource).
    void SetSource(int row, uint32_t source);
    void SetStatus(int row, const wchar_t* text, bool error);
    void SetProgress(int row, double fraction);

private:
    void SetText(int column, int row, const wchar_t* text, uint32_t color);
};

}  // namespace ui
}  // namespace trelm
