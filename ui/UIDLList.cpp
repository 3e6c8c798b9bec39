#include "ui/UIDLList.h"

#include "WendalDui/Core/DuiDpi.h"
#include "download/DownloadUrl.h"
#include "ui/UIDLListBody.h"

namespace trelm {
namespace ui {

using internal::CUIDLListBody;

void CUIDLList::OnCreate(void* arg) {
    CUIListCtrlBase::OnCreate(arg);
    wendaldui::internal::CUIListBodyBase* body = GetBody();
    if (!body) return;
    static const struct {
        const wchar_t* title;
        int width, minWidth;
    } kColumns[] = {{L"文件", 150, 40}, {L"下载源", 70, 40}, {L"进度", 120, 50}, {L"状态", 180, 80}};
    for (const auto& column : kColumns) {
        body->InsertColumn(-1, column.title, wendaldui::DpiScale(column.width), wendaldui::DpiScale(column.minWidth));
    }
}

wendaldui::internal::CUIListBodyBase* CUIDLList::CreateBody() { return new CUIDLListBody; }

int CUIDLList::AddRow(const wchar_t* name) {
    wendaldui::internal::CUIListBodyBase* body = GetBody();
    const int row = body ? body->InsertRow(-1) : -1;
    if (row < 0) return -1;
    body->SetCell(kColumnFile, row, new CUIDLListBody::ItemString(name, 0));
    body->SetCell(kColumnSource, row, new CUIDLListBody::ItemString(L"", 0));
    body->SetCell(kColumnProgress, row, new CUIDLListBody::ItemProgress(0.0));
    body->SetCell(kColumnStatus, row, new CUIDLListBody::ItemString(L"等待下载", 0));
    return row;
}

void CUIDLList::SetText(int column, int row, const wchar_t* text, uint32_t color) {
    wendaldui::internal::CUIListBodyBase* body = GetBody();
    if (!body) return;
    // Updated in place: progress calls come several times a second per row.
    auto* cell = static_cast<CUIDLListBody::ItemBase*>(body->GetCell(column, row));
    if (cell && cell->kind == CUIDLListBody::kItemString) {
        auto* item = static_cast<CUIDLListBody::ItemString*>(cell);
        item->text = text ? text : L"";
        item->color = color;
        body->InvalidateCell(column, row);
        return;
    }
    auto* item = new CUIDLListBody::ItemString(text ? text : L"", color);
    if (!body->SetCell(column, row, item)) delete item;
}

void CUIDLList::SetSource(int row, uint32_t source) {
    SetText(kColumnSource, row, download::DownloadSourceName(source), kTextColor);
}

void CUIDLList::SetStatus(int row, const wchar_t* text, bool error) {
    SetText(kColumnStatus, row, text, error ? kErrorColor : kTextColor);
}

void CUIDLList::SetProgress(int row, double fraction) {
    wendaldui::internal::CUIListBodyBase* body = GetBody();
    if (!body) return;
    auto* cell = static_cast<CUIDLListBody::ItemBase*>(body->GetCell(kColumnProgress, row));
    if (cell && cell->kind == CUIDLListBody::kItemProgress) {
        static_cast<CUIDLListBody::ItemProgress*>(cell)->fraction = fraction;
        body->InvalidateCell(kColumnProgress, row);
        return;
    }
    auto* item = new CUIDLListBody::ItemProgress(fraction);
    if (!body->SetCell(kColumnProgress, row, item)) delete item;
}

}  // namespace ui
}  // namespace trelm
