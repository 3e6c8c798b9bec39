// The download engine wants Winsock 2 before windows.h.
#include <winsock2.h>

#include "ui/GameDownloadListDlg.h"

#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UIListBodyString.h"
#include "WendalDui/Control/UIListCtrlString.h"
#include "WendalDui/Control/UIScrollContainer.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/FormattedText.h"
#include "download/DownloadInfoMemoryBuffer.h"
#include "core/SimpleEventBus.h"
#include "download/DownloadManager.h"
#include "download/DownloadTaskBase.h"
#include "launcher/MinecraftList.h"
#include "ui/DownloadDialog.h"
#include "ui/ModalDialog.h"
#include "ui/TrelmResourceManager.h"

namespace trelm {
namespace ui {

namespace {

constexpr UINT WM_LIST_TASK_EVENT = 0x8101;
constexpr UINT WM_LIST_BATCH_EVENT = 0x8102;
constexpr int kListId = 1, kRefreshId = 2, kActionId = 3, kStatusId = 4;
constexpr uint32_t kShown = wendaldui::kControlVisible | wendaldui::kControlRectInPixels;
constexpr uint32_t kButtonFlags = kShown | wendaldui::kControlFocusable | wendaldui::kControlTabStop;
constexpr int64_t kListSizeLimit = 0x1400000;

wendal_::byte_buffer g_caches[4];

DownloadRunner g_downloadRunner = &RunDownloadDialog;

int DefaultBox(HWND owner, const wchar_t* caption, const wchar_t* text, int style, int icon) {
    return wendaldui::CDlgMessageBox::Show(owner, caption, text, style, icon);
}
VersionMessageBox g_messageBox = &DefaultBox;

}  // namespace

wendal_::byte_buffer* GetVersionListCache(int kind) { return kind >= 0 && kind < 4 ? &g_caches[kind] : nullptr; }

DownloadRunner SetDownloadRunner(DownloadRunner runner) {
    DownloadRunner old = g_downloadRunner;
    g_downloadRunner = runner;
    return old;
}

VersionMessageBox SetVersionMessageBox(VersionMessageBox box) {
    VersionMessageBox old = g_messageBox;
    g_messageBox = box ? box : &DefaultBox;
    return old;
}

int ShowVersionMessageBox(HWND owner, const wchar_t* caption, const wchar_t* text, int style, int icon) {
    return g_messageBox(owner, caption, text, style, icon);
}

WString MarkupLiteral(const WString& text) { return wendaldui::EscapeMarkup(text); }

void RefreshInstalledVersions() {
    launcher::g_minecraftList.Refresh();
    wendal_::GetEventBus().Publish(wendal_::kEventVersionListRefreshed, 0);
}

DUI_BEGIN_MESSAGE_MAP(CGameDownloadListDlg, wendaldui::CDuiDialog)
DUI_MESSAGE_HANDLER(WM_LIST_TASK_EVENT, OnTaskEventMessage)
DUI_MESSAGE_HANDLER(WM_LIST_BATCH_EVENT, OnBatchEventMessage)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnCloseMessage)
DUI_END_MESSAGE_MAP()

CGameDownloadListDlg::CGameDownloadListDlg(wendal_::byte_buffer* cache)
    : CDuiDialog(new wendaldui::CUIContainer2), m_cache(cache) {}

CGameDownloadListDlg::~CGameDownloadListDlg() {
    delete m_manager;  // stops a batch still running
    delete m_document;
}

void CGameDownloadListDlg::OnCreate() {
    CDuiDialog::OnCreate();
    CreateControls();
    CTrelmResourceManager::ApplyWindowIcon(m_hWnd);
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
    delete m_manager;
    m_manager = new download::DownloadManager;
}

void CGameDownloadListDlg::CreateControls() {
    wendaldui::CUIContainer* client = GetClientContainer();
    if (!client) return;
    client->SetFlags(client->GetFlags() | wendaldui::kContainerDragArea);
    const int m = wendaldui::DpiScale(8), buttonHeight = wendaldui::DpiScale(25);
    const int width = client->GetRect().width, height = client->GetRect().height;
    const int listWidth = static_cast<int>(0.82 * std::max(0, width - 2 * m));
    CreateListCtrl(client, kShown | wendaldui::kControlFocusable | wendaldui::kScrollHasVertical |
                               wendaldui::kScrollHasHorizontal,
                   wendaldui::UIRect(m, m, listWidth, std::max(0, height - 2 * m)), kListId);
    const int x = 2 * m + listWidth, columnWidth = (width - 2 * m) - m - listWidth;
    m_refresh = new wendaldui::CUIButton;
    if (m_refresh->Create(client, kButtonFlags, wendaldui::UIRect(x, m, columnWidth, buttonHeight), kRefreshId)) {
        m_refresh->SetText(L"刷新");
        m_refresh->BindEvent(wendaldui::kEventClick, this, &CGameDownloadListDlg::OnRefreshClick);
    } else {
        delete m_refresh;
        m_refresh = nullptr;
    }
    m_action = new wendaldui::CUIButton;
    if (m_action->Create(client, kButtonFlags, wendaldui::UIRect(x, buttonHeight + 2 * m, columnWidth, buttonHeight),
                         kActionId)) {
        m_action->SetText(L"下载");
        m_action->BindEvent(wendaldui::kEventClick, this, &CGameDownloadListDlg::OnActionClick);
    } else {
        delete m_action;
        m_action = nullptr;
    }
    m_status = new wendaldui::CUILabel;
    if (m_status->Create(client, kShown | wendaldui::kLabelWordWrap,
                         wendaldui::UIRect(x, 2 * buttonHeight + 3 * m, columnWidth, wendaldui::DpiScale(100)),
                         kStatusId)) {
        m_status->SetTextColor(0xFF000000);
    } else {
        delete m_status;
        m_status = nullptr;
    }
}

void CGameDownloadListDlg::CreateListCtrl(wendaldui::CUIContainer* parent, uint32_t flags,
                                          const wendaldui::UIRect& rect, int id) {
    m_list = new wendaldui::CUIListCtrlString;
    if (!m_list->Create(parent, flags, rect, id)) {
        delete m_list;
        m_list = nullptr;
    }
}

void CGameDownloadListDlg::RunModal(CGameDownloadListDlg& dialog, HWND owner) {
    RunModalDialog(dialog, L"GameDownloadDlg", WS_CAPTION | WS_SYSMENU, 570, 388, owner);
}

void CGameDownloadListDlg::OnRefreshClick(wendaldui::EventData&) { RefreshList(); }

void CGameDownloadListDlg::OnActionClick(wendaldui::EventData&) { Install(); }

void CGameDownloadListDlg::RefreshList() {
    if (m_manager && m_manager->GetState() == download::DownloadManager::kIdle) FetchList();
}

void CGameDownloadListDlg::StopFetch() {
    if (!m_manager || m_manager->GetState() == download::DownloadManager::kIdle) return;
    m_manager->Stop();
    EmptyCache();
}

void CGameDownloadListDlg::OnClose() {
    StopFetch();
    EndModal();
}

void CGameDownloadListDlg::EndModal() {
    SetModalResult(0);
    wendaldui::CDuiApp::EndModalLoop(m_hWnd);
}

void CGameDownloadListDlg::EmptyCache() {
    if (m_cache) m_cache->Clear();
}

void CGameDownloadListDlg::SetStatus(const wchar_t* text) {
    if (m_status) m_status->SetText(text);
}

bool CGameDownloadListDlg::ParseCache(WString& message) {
    WString text;
    text.AssignMultiByte(CP_ACP, reinterpret_cast<const char*>(m_cache->GetData()),
                         static_cast<int>(m_cache->GetSize()));
    delete m_document;
    m_document = new JsonDocument;
    VersionListRows rows;
    if (!ParseJsonText(text.GetString(), m_document) || !ReadRows(*m_document, rows)) return false;
    ShowRows(rows);
    message = rows.message;
    return true;
}

void CGameDownloadListDlg::LoadList() {
    if (m_cache && m_cache->GetSize() > 0) {
        WString message;
        if (ParseCache(message)) {
            SetStatus(message.GetString());
            return;
        }
    }
    FetchList();
}

void CGameDownloadListDlg::FetchList() {
    if (!m_manager || !m_cache) return;
    if (m_list) m_list->GetBody()->DeleteAllRows();
    OnTaskEventMessage(0, 0);
    m_cache->SetPosition(0);
    m_cache->Resize(0);
    download::DownloadInfoMemoryBuffer* info = new download::DownloadInfoMemoryBuffer;
    info->target = m_cache;
    info->size = kListSizeLimit;
    AddListUrls(info);
    std::vector<download::DownloadInfoBase*> infos(1, info);
    m_manager->Start(this, infos, 0, -1);
}

void CGameDownloadListDlg::OnDownloadTaskChanged(download::DownloadTaskBase* task, int32_t code) {
    PostMessageW(m_hWnd, WM_LIST_TASK_EVENT, reinterpret_cast<WPARAM>(task), code);
}

void CGameDownloadListDlg::OnDownloadBatchChanged(download::DownloadManager* manager, int32_t code) {
    PostMessageW(m_hWnd, WM_LIST_BATCH_EVENT, reinterpret_cast<WPARAM>(manager), code);
}

LRESULT CGameDownloadListDlg::OnTaskEventMessage(WPARAM, LPARAM) {
    // The manager, not the posted task: a task may be gone by the time the message arrives.
    const double progress = m_manager ? m_manager->GetProgress() : 0.0;
    WString text;
    text.Format(L"正在获取列表 %d%%", static_cast<int>(progress * 100));
    SetStatus(text.GetString());
    return 0;
}

LRESULT CGameDownloadListDlg::OnBatchEventMessage(WPARAM, LPARAM lParam) {
    if (lParam != download::kBatchEnded || !m_manager || m_manager->GetTaskCount() == 0) return 0;
    if (m_manager->GetSucceededCount() != 1) {
        WString message;
        m_manager->GetTask(0)->GetMessage(message);
        SetStatus(message.GetString());
        EmptyCache();
    } else {
        WString message;
        if (ParseCache(message)) {
            SetStatus(message.GetString());
        } else {
            SetStatus(message.GetLength() > 0 ? message.GetString() : L"Json解析失败");
            EmptyCache();
        }
    }
    m_manager->Stop();
    return 0;
}

LRESULT CGameDownloadListDlg::OnCloseMessage(WPARAM, LPARAM) {
    // Disabled, it waits in a download or a box of its own, which would return into a freed object.
    if (!IsWindowEnabled(m_hWnd)) return 0;
    OnClose();
    return 0;
}

void CGameDownloadListDlg::AddColumns(const wchar_t* const* titles, const int* widths, int count) {
    if (!m_list) return;
    for (int i = 0; i < count; ++i) {
        m_list->GetBody()->InsertColumn(-1, titles[i], wendaldui::DpiScale(static_cast<float>(widths[i])),
                                        wendaldui::DpiScale(40));
    }
    m_list->GetBody()->SetColumnWidth(count - 1, -1);
}

void CGameDownloadListDlg::ShowRows(const VersionListRows& rows) {
    if (!m_list) return;
    wendaldui::internal::CUIListBodyBase* body = m_list->GetBody();
    body->DeleteAllRows();
    for (const std::vector<WString>& cells : rows.rows) {
        const int row = body->InsertRow(-1);
        for (size_t column = 0; column < cells.size(); ++column) {
            if (cells[column].GetLength() == 0) continue;
            body->SetCell(static_cast<int>(column), row,
                          new wendaldui::internal::CUIListBodyString::Item(cells[column].GetString()));
        }
    }
    if (rows.selected >= 0) {
        m_list->SelectRow(rows.selected);
        m_list->EnsureRowVisible(rows.selected);
    }
    body->SetColumnWidth(body->GetColumnCount() - 1, -1);
}

std::vector<int> CGameDownloadListDlg::SelectedRows() const {
    std::vector<int> rows;
    if (!m_list) return rows;
    const wendaldui::CSelectionModel& selection = m_list->GetBody()->GetSelection();
    if (!selection.IsMultiple()) {
        if (selection.GetCurrent() >= 0) rows.push_back(selection.GetCurrent());
        return rows;
    }
    for (int i = 0; i < m_list->GetBody()->GetRowCount(); ++i) {
        if (selection.IsSelected(i)) rows.push_back(i);
    }
    return rows;
}

WString CGameDownloadListDlg::CellText(int column, int row) const {
    auto* cell = m_list ? static_cast<wendaldui::internal::CUIListBodyString::Item*>(
                              m_list->GetBody()->GetCell(column, row))
                        : nullptr;
    return cell ? cell->text : WString();
}

void CGameDownloadListDlg::ShowBox(const WString& text, int icon) {
    ShowVersionMessageBox(m_hWnd, L"提示", text.GetString(), wendaldui::kBoxOk, icon);
}

bool CGameDownloadListDlg::DownloadToBuffer(const WString& url, wendal_::byte_buffer& buffer, const wchar_t* title) {
    download::DownloadInfoMemoryBuffer* info = new download::DownloadInfoMemoryBuffer;
    info->target = &buffer;
    info->size = kListSizeLimit;
    info->urls.emplace_back(url, download::kSourceMirror);
    std::vector<download::DownloadInfoBase*> infos(1, info);
    return RunDownloads(title, infos) != 0;
}

void CGameDownloadListDlg::ShowInstallerTitle(const wchar_t* product, const launcher::VersionInfo& version) {
    WString title;
    title.Format(L"TRELM - 安装%s(%s,%s)(BMCLAPI)", product, version.id.GetString(), version.rootId.GetString());
    SetWindowTextW(m_hWnd, title.GetString());
    if (m_action) m_action->SetText(L"安装");
}

void CGameDownloadListDlg::ReportInstalledVersion(const wchar_t* product, const WString& name) {
    RefreshInstalledVersions();
    WString text;
    text.Format(L"%s(%s)安装完成", product, MarkupLiteral(name).GetString());
    ShowBox(text, 2);
}

void CGameDownloadListDlg::ReportInstalledMod(const wchar_t* product, const WString& name, const WString& folder,
                                              const WString& file) {
    WString text;
    text.Format(L"%s(%s)安装成功\r\n\r\n<b>提示：%s作为一个Mod被放入<a href=\"%s\">mods文件夹</a>，所以不会出现新的"
                L"Minecraft版本\r\n卸载%s您需要手动删除%s文件</b>",
                product, MarkupLiteral(name).GetString(), product, MarkupLiteral(folder).GetString(), product,
                MarkupLiteral(file).GetString());
    ShowBox(text, 2);
}

void CGameDownloadListDlg::ReportInstallFailed(const wchar_t* product, const WString& name, const WString& error) {
    WString text;
    text.Format(L"%s(%s)安装失败\r\n%s", product, MarkupLiteral(name).GetString(), MarkupLiteral(error).GetString());
    ShowBox(text, 1);
}

int32_t CGameDownloadListDlg::RunDownloads(const wchar_t* title, std::vector<download::DownloadInfoBase*>& infos) {
    int32_t succeeded = 0;
    if (g_downloadRunner) g_downloadRunner(m_hWnd, m_hWnd, title, infos, &succeeded, 0);
    download::DeleteDownloadInfos(&infos);  // a runner that never started them leaves them here
    return succeeded;
}

}  // namespace ui
}  // namespace trelm
