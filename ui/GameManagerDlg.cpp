#include "ui/GameManagerDlg.h"

#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UILineSplitter.h"
#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Control/UIListBodyString.h"
#include "WendalDui/Control/UIListCtrlString.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Control/UIScrollContainer.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/DuiDpi.h"
#include "core/FileUtils.h"
#include "launcher/MinecraftDeleter.h"
#include "launcher/MinecraftList.h"
#include "services/LauncherSettings.h"
#include "ui/ForgeInstallDlg.h"
#include "ui/GameDownloadListDlg.h"
#include "ui/LiteLoaderInstallDlg.h"
#include "ui/ModalDialog.h"
#include "ui/OptiFineInstallDlg.h"
#include "ui/TopLevelWindows.h"
#include "ui/TrelmResourceManager.h"

namespace trelm {
namespace ui {

namespace {

using wendaldui::UIRect;
constexpr int W = 680, H = 400;
constexpr uint32_t kShown = wendaldui::kControlVisible;
constexpr uint32_t kButtonFlags = kShown | wendaldui::kControlFocusable | wendaldui::kControlTabStop;
constexpr uint32_t kGreyText = 0xFE8C8C8C;

typedef wendaldui::internal::CUIListBodyString::Item Cell;

WString JoinedIds(const std::vector<WString>& ids) {
    WString joined;
    for (const WString& id : ids) {
        if (joined.GetLength() > 0) joined.Append(L"、");
        joined.Append(id);
    }
    return joined;
}

// The box names versions by id, and the list may be read again while it is
// open (the download window stays usable): the ids are looked up only after
// the answer. A named version gone by then is left out and named in *gone.
std::vector<int32_t> IndicesOf(const std::vector<WString>& ids, std::vector<WString>* gone) {
    std::vector<int32_t> indices;
    for (const WString& id : ids) {
        const int index = launcher::g_minecraftList.FindById(id.GetString());
        if (index < 0) {
            gone->push_back(id);
        } else {
            indices.push_back(index);
        }
    }
    return indices;
}

// Told after the answer, beside the deletion's own result.
WString GoneText(const std::vector<WString>& gone) {
    WString text;
    text.Format(L"%s已不在版本列表中，未删除", JoinedIds(gone).GetString());
    return text;
}

WString WithGone(const wchar_t* text, const std::vector<WString>& gone) {
    WString result(text);
    if (!gone.empty()) {
        result.Append(L"\r\n");
        result.Append(GoneText(gone));
    }
    return result;
}

}  // namespace

DeleteMinecraftAsynTask::DeleteMinecraftAsynTask(const wchar_t* text, const launcher::MinecraftList& list,
                                                 int32_t* indices, int count, uint32_t flags,
                                                 std::vector<WString>* blockers)
    : m_text(text),
      m_list(new launcher::MinecraftList),
      m_indices(indices),
      m_count(count),
      m_flags(flags),
      m_blockers(blockers) {
    m_list->versions = list.versions;
}

DeleteMinecraftAsynTask::~DeleteMinecraftAsynTask() = default;

void DeleteMinecraftAsynTask::Run(PTP_CALLBACK_INSTANCE) {
    SetText(m_text);
    launcher::MinecraftDeleter deleter(nullptr);
    m_result = deleter.DeleteDownloadableFiles(*m_list, m_indices, m_count, m_flags, *m_blockers);
}

DUI_BEGIN_MESSAGE_MAP(CGameManagerDlg, wendaldui::CDuiDialog)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnCloseMessage)
DUI_END_MESSAGE_MAP()

CGameManagerDlg::CGameManagerDlg() : CDuiDialog(new wendaldui::CUIContainer2) {}

CGameManagerDlg::~CGameManagerDlg() {
    if (m_subscription) wendal_::GetEventBus().Unsubscribe(wendal_::kEventVersionListRefreshed, m_subscription);
}

bool CGameManagerDlg::Open(HWND owner) {
    return CreateLauncherWindow(*this, L"GameManagerDlg", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 680, 428, owner) !=
           NULL;
}

wendaldui::CUIControl* CGameManagerDlg::GetControl(int index) const {
    return index >= 0 && index < kControlCount ? m_controls[index] : nullptr;
}

void CGameManagerDlg::OnCreate() {
    CDuiDialog::OnCreate();
    CTrelmResourceManager::ApplyWindowIcon(m_hWnd);
    CreateControls();
    FillList();
    m_subscription = wendal_::GetEventBus().Subscribe(
        wendal_::kEventVersionListRefreshed,
        new wendal_::CMethodDelegate<CGameManagerDlg, void, unsigned, int, int>(this,
                                                                               &CGameManagerDlg::OnListRefreshed));
    SetWindowTextW(m_hWnd, L"TRELM - 游戏管理");
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
}

void CGameManagerDlg::CreateControls() {
    wendaldui::CUIContainer* client = GetClientContainer();
    if (!client) return;
    client->SetFlags(client->GetFlags() | wendaldui::kContainerDragArea);
    auto place = [&](wendaldui::CUIControl* control, int index, uint32_t flags, const UIRect& rect,
                     void* arg = nullptr) -> wendaldui::CUIControl* {
        if (!control->Create(client, flags, rect, static_cast<int>(m_nextId++), arg)) {
            delete control;
            return nullptr;
        }
        if (index >= 0) m_controls[index] = control;
        return control;
    };
    auto button = [&](int index, const wchar_t* text, const UIRect& rect,
                      void (CGameManagerDlg::*handler)(wendaldui::EventData&)) {
        wendaldui::CUIButton* b = new wendaldui::CUIButton;
        if (place(b, index, kButtonFlags, rect)) {
            b->SetText(text);
            b->BindEvent(wendaldui::kEventClick, this, handler);
        }
    };
    auto hint = [&](const wchar_t* text, const UIRect& rect) {
        wendaldui::CUILabel* label = new wendaldui::CUILabel;
        if (place(label, -1, kShown | wendaldui::kLabelWordWrap, rect)) {
            label->SetText(text);
            label->SetTextColor(kGreyText);
        }
    };
    button(kDownload, L"原版下载", UIRect(8, 8, 100, 25), &CGameManagerDlg::OnDownload);
    button(kOpenFolder, L"打开游戏文件夹", UIRect(116, 8, 100, 25), &CGameManagerDlg::OnOpenFolder);
    place(new wendaldui::CUILineSplitter, -1, kShown, UIRect(8, 41, W - 16, 1));
    m_list = new wendaldui::CUIListCtrlString;
    if (place(m_list, -1,
              kShown | wendaldui::kControlFocusable | wendaldui::kScrollHasVertical | wendaldui::kScrollHasHorizontal |
                  wendaldui::kListCtrlMultipleSelection,
              UIRect(8, 50, 270, H - 58))) {
        m_list->GetBody()->InsertColumn(-1, L"找到的版本", wendaldui::DpiScale(218), wendaldui::DpiScale(120));
        m_list->GetBody()->InsertColumn(-1, L"隐藏", wendaldui::DpiScale(35), wendaldui::DpiScale(35));
        m_list->BindEvent(wendaldui::kEventSelectionChanged, this, &CGameManagerDlg::OnSelectionChanged);
    } else {
        m_list = nullptr;
    }
    button(kRefresh, L"刷新列表", UIRect(286, 50, 80, 20), &CGameManagerDlg::OnRefresh);
    button(kSelectAll, L"全选", UIRect(368, 50, 40, 20), &CGameManagerDlg::OnSelectAll);
    wendaldui::CUILabel* selection = new wendaldui::CUILabel;
    if (place(selection, kSelectionLabel, kShown | wendaldui::kLabelWordWrap, UIRect(286, 78, W - 302, 36))) {
        selection->SetText(L"已选择版本 XXX");
    }
    wendaldui::CUILabel* nameLabel = new wendaldui::CUILabel;
    if (place(nameLabel, kNameLabel, kShown | wendaldui::kLabelVCenter, UIRect(286, 122, 100, 22))) {
        nameLabel->SetText(L"主界面显示名称:");
    }
    wendaldui::CUIRichEdit* edit = new wendaldui::CUIRichEdit;
    // Framed and centred like the settings' fields, so that it shows where to type.
    if (place(edit, kNameEdit, kButtonFlags | wendaldui::kScrollFrame | wendaldui::kRichEditCentreLine,
              UIRect(388, 122, 180, 22),
              reinterpret_cast<void*>(uintptr_t(wendaldui::kRichEditHideSelection | wendaldui::kRichEditNoDrag)))) {
        edit->SetLimitText(32);
        edit->BindEvent(wendaldui::kEventRichEditChanged, this, &CGameManagerDlg::OnNameChanged);
    }
    wendaldui::CUICheckBox* hide = new wendaldui::CUICheckBox;
    if (place(hide, kHide, kButtonFlags, UIRect(572, 122, 300, 22))) {
        hide->SetText(L"主界面隐藏");
        hide->BindEvent(wendaldui::kEventClick, this, &CGameManagerDlg::OnHideToggled);
    }
    button(kForge, L"安装Forge", UIRect(286, 168, 120, 30), &CGameManagerDlg::OnInstall);
    button(kOptiFine, L"安装OptiFine", UIRect(414, 168, 120, 30), &CGameManagerDlg::OnInstall);
    button(kLiteLoader, L"安装LiteLoader", UIRect(542, 168, 120, 30), &CGameManagerDlg::OnInstall);
    button(kDeleteFiles, L"删除可下载文件", UIRect(286, 225, 100, 25), &CGameManagerDlg::OnDeleteFiles);
    hint(L"删除选择版本的资源文件、库文件，下次启动时自动下载", UIRect(394, 225, W - 410, 36));
    button(kDeleteTemp, L"删除临时文件", UIRect(286, 266, 100, 25), &CGameManagerDlg::OnDeleteTemp);
    hint(L"删除logs、crash-reports文件夹，和一些缓存文件", UIRect(394, 266, W - 410, 50));
    button(kDeleteVersion, L"删除此版本", UIRect(286, 323, 100, 25), &CGameManagerDlg::OnDeleteVersion);
    hint(L"删除选择版本的资源文件、库文件，并从版本列表中移除", UIRect(394, 323, W - 410, 50));
}

std::vector<int> CGameManagerDlg::SelectedRows() const {
    std::vector<int> rows;
    if (!m_list) return rows;
    for (int i = 0; i < m_list->GetBody()->GetRowCount(); ++i) {
        if (m_list->GetBody()->GetSelection().IsSelected(i)) rows.push_back(i);
    }
    return rows;
}

void CGameManagerDlg::FillList() {
    if (!m_list) return;
    wendaldui::internal::CUIListBodyBase* body = m_list->GetBody();
    const std::vector<WString> selectedIds = SelectedIds();
    body->DeleteAllRows();
    const std::vector<launcher::VersionInfo>& versions = launcher::g_minecraftList.versions;
    for (const launcher::VersionInfo& version : versions) {
        const int row = body->InsertRow(-1);
        body->SetCell(0, row, new Cell(version.id.GetString()));
        if (g_settings.IsVersionHidden(version.id.GetString())) body->SetCell(1, row, new Cell(L"是"));
        for (const WString& id : selectedIds) {
            if (id == version.id) m_list->SelectRow(row);
        }
    }
    body->SetColumnWidth(1, -1);
    UpdateSelectionPanel();
}

void CGameManagerDlg::OnListRefreshed(unsigned, int, int) { FillList(); }

void CGameManagerDlg::UpdateSelectionPanel() {
    const std::vector<int> rows = SelectedRows();
    auto enable = [this](int index, bool on) {
        if (m_controls[index]) m_controls[index]->Enable(on);
    };
    auto* label = static_cast<wendaldui::CUILabel*>(m_controls[kSelectionLabel]);
    auto* edit = static_cast<wendaldui::CUIRichEdit*>(m_controls[kNameEdit]);
    auto* hide = static_cast<wendaldui::CUICheckBox*>(m_controls[kHide]);
    auto* optiFine = static_cast<wendaldui::CUIButton*>(m_controls[kOptiFine]);
    if (hide) hide->SetFlags(hide->GetFlags() & ~wendaldui::kCheckBoxChecked);
    if (edit) edit->SetText(L"");
    WString text;
    const launcher::VersionInfo* version =
        rows.size() == 1 && rows[0] < static_cast<int>(launcher::g_minecraftList.versions.size())
            ? &launcher::g_minecraftList.versions[rows[0]]
            : nullptr;
    if (rows.empty()) {
        text = L"先选择一个版本";
    } else if (!version) {
        text.Format(L"已选择 %d 个版本", static_cast<int>(rows.size()));
    } else {
        text.Format(L"已选择版本 %s", version->id.GetString());
    }
    if (label) label->SetText(text.GetString());
    const bool one = version != nullptr;
    for (int index : {kNameLabel, kNameEdit, kHide}) enable(index, one);
    for (int index : {kDeleteFiles, kDeleteTemp, kDeleteVersion}) enable(index, !rows.empty());
    const uint32_t kind = one ? version->kind : 0;
    const bool forge = (kind & launcher::kVersionKindForge) != 0;
    enable(kForge, one && kind == launcher::kVersionKindAny);
    enable(kOptiFine, one && (kind == launcher::kVersionKindAny || forge));
    enable(kLiteLoader, one && !(kind & launcher::kVersionKindLiteLoader));
    if (optiFine) optiFine->SetText(forge ? L"添加OptiFine Mod" : L"安装OptiFine");
    if (!one) return;
    if (hide && g_settings.IsVersionHidden(version->id.GetString())) {
        hide->SetFlags(hide->GetFlags() | wendaldui::kCheckBoxChecked);
    }
    if (const wchar_t* alias = edit ? g_settings.GetVersionAlias(version->id.GetString()) : nullptr) {
        edit->SetText(alias);  // raises no change event
    }
}

void CGameManagerDlg::OnSelectionChanged(wendaldui::EventData&) { UpdateSelectionPanel(); }

void CGameManagerDlg::OnSelectAll(wendaldui::EventData&) {
    if (!m_list || m_list->GetBody()->GetRowCount() == 0) return;
    m_list->GetBody()->GetSelection().SelectRange(0, m_list->GetBody()->GetRowCount() - 1);
    m_list->GetBody()->Invalidate();
    UpdateSelectionPanel();
}

void CGameManagerDlg::OnNameChanged(wendaldui::EventData&) {
    const std::vector<int> rows = SelectedRows();
    auto* edit = static_cast<wendaldui::CUIRichEdit*>(m_controls[kNameEdit]);
    if (rows.size() != 1 || !edit || rows[0] >= static_cast<int>(launcher::g_minecraftList.versions.size())) return;
    g_settings.SetVersionAlias(launcher::g_minecraftList.versions[rows[0]].id.GetString(), edit->GetText().GetString());
    wendal_::GetEventBus().Publish(wendal_::kEventVersionNameChanged, rows[0]);
}

void CGameManagerDlg::OnHideToggled(wendaldui::EventData&) {
    const std::vector<int> rows = SelectedRows();
    auto* hide = static_cast<wendaldui::CUICheckBox*>(m_controls[kHide]);
    if (rows.size() != 1 || !hide || rows[0] >= static_cast<int>(launcher::g_minecraftList.versions.size())) return;
    const bool hidden = hide->IsChecked();
    g_settings.SetVersionHidden(launcher::g_minecraftList.versions[rows[0]].id.GetString(), hidden);
    m_list->GetBody()->SetCell(1, rows[0], hidden ? new Cell(L"是") : nullptr);
    wendal_::GetEventBus().Publish(wendal_::kEventVersionHiddenChanged, rows[0]);
}

void CGameManagerDlg::OnDownload(wendaldui::EventData&) { ShowGameDownloadDialog(); }

void CGameManagerDlg::OnOpenFolder(wendaldui::EventData&) {
    wchar_t directory[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    WString path = directory;
    AppendPathSeparator(path);
    path.Append(L".minecraft\\");
    if (!CreateDirectoryTree(path.GetString())) {
        ShowVersionMessageBox(m_hWnd, L"错误", L"创建文件夹失败", wendaldui::kBoxOk, 0);
    } else if (reinterpret_cast<INT_PTR>(wendaldui::ShellOpen(path.GetString())) <= 32) {
        ShowVersionMessageBox(m_hWnd, L"错误", L"打开文件夹失败", wendaldui::kBoxOk, 0);
    }
}

void CGameManagerDlg::OnRefresh(wendaldui::EventData&) { RefreshInstalledVersions(); }

void CGameManagerDlg::OnInstall(wendaldui::EventData& event) {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || rows[0] >= static_cast<int>(launcher::g_minecraftList.versions.size())) return;
    const launcher::VersionInfo version = launcher::g_minecraftList.versions[rows[0]];
    if (event.sender == m_controls[kForge]) {
        CForgeInstallDlg dialog(version);
        CGameDownloadListDlg::RunModal(dialog, m_hWnd);
    } else if (event.sender == m_controls[kOptiFine]) {
        COptiFineInstallDlg dialog(version);
        CGameDownloadListDlg::RunModal(dialog, m_hWnd);
    } else if (event.sender == m_controls[kLiteLoader]) {
        CLiteLoaderInstallDlg dialog(version);
        CGameDownloadListDlg::RunModal(dialog, m_hWnd);
    }
}

std::vector<WString> CGameManagerDlg::SelectedIds() const {
    std::vector<WString> ids;
    for (int row : SelectedRows()) {
        if (Cell* cell = static_cast<Cell*>(m_list->GetBody()->GetCell(0, row))) ids.push_back(cell->text);
    }
    return ids;
}

int CGameManagerDlg::Ask(const WString& text) {
    return ShowVersionMessageBox(m_hWnd, L"提示", MarkupLiteral(text).GetString(), wendaldui::kBoxYesNo,
                                 wendaldui::kIconQuestion);
}

void CGameManagerDlg::Tell(const wchar_t* text, int icon) {
    ShowVersionMessageBox(m_hWnd, L"提示", MarkupLiteral(text).GetString(), wendaldui::kBoxOk, icon);
}

void CGameManagerDlg::OnDeleteFiles(wendaldui::EventData&) {
    const std::vector<WString> ids = SelectedIds();
    if (ids.empty()) return;
    WString text;
    text.Format(L"确认删除%s启动器可以自动下载的文件？", JoinedIds(ids).GetString());
    // Only "是" deletes: closing the box any other way is no consent.
    if (Ask(text) != wendaldui::kResultYes) return;
    std::vector<WString> gone;
    std::vector<int32_t> rows = IndicesOf(ids, &gone);
    if (rows.empty()) {
        Tell(GoneText(gone).GetString(), wendaldui::kIconWarning);
        return;
    }
    std::vector<WString> blockers;
    DeleteMinecraftAsynTask task(L"正在删除启动器可以自动下载的文件", launcher::g_minecraftList, rows.data(),
                                 static_cast<int>(rows.size()), 0x7D, &blockers);
    const bool ran = RunAsynTask(&task, 500, m_hWnd);
    bool all = ran && task.GetResult();
    for (int row : rows) all = all && row == -1;
    if (all) {
        Tell(WithGone(L"删除启动器可下载的文件完成", gone).GetString(), wendaldui::kIconInformation);
    } else {
        Tell(WithGone(L"删除启动器可下载的文件失败，请检查游戏文件是否被占用", gone).GetString(),
             wendaldui::kIconError);
    }
}

void CGameManagerDlg::OnDeleteTemp(wendaldui::EventData&) {
    if (SelectedRows().empty()) return;
    if (Ask(L"删除游戏生成的临时文件") != wendaldui::kResultYes) return;
    launcher::MinecraftDeleter deleter(nullptr);
    if (deleter.DeleteGameTempFiles()) {
        Tell(L"删除游戏生成的临时文件完成", wendaldui::kIconInformation);
    } else {
        Tell(L"删除游戏生成的临时文件失败，请检查游戏文件是否被占用", wendaldui::kIconError);
    }
}

void CGameManagerDlg::OnDeleteVersion(wendaldui::EventData&) {
    const std::vector<WString> ids = SelectedIds();
    if (ids.empty()) return;
    const WString joined = JoinedIds(ids);
    WString text;
    text.Format(L"确认删除%s，共%d个版本？", joined.GetString(), static_cast<int>(ids.size()));
    if (Ask(text) != wendaldui::kResultYes) return;
    std::vector<WString> gone;
    std::vector<int32_t> rows = IndicesOf(ids, &gone);
    if (rows.empty()) {
        Tell(GoneText(gone).GetString(), wendaldui::kIconWarning);
        return;
    }
    std::vector<WString> blockers;
    DeleteMinecraftAsynTask task(L"正在删除所选版本", launcher::g_minecraftList, rows.data(),
                                 static_cast<int>(rows.size()), 0x1FF, &blockers);
    const bool ran = RunAsynTask(&task, 500, m_hWnd);
    int removed = 0;
    for (int row : rows) removed += row == -1;
    if (removed > 0) RefreshInstalledVersions();
    if (ran && task.GetResult() && removed == static_cast<int>(rows.size())) {
        Tell(WithGone(L"删除完成", gone).GetString(), wendaldui::kIconInformation);
    } else if (blockers.empty()) {
        Tell(WithGone(L"删除失败，请检查游戏文件是否被占用", gone).GetString(), wendaldui::kIconError);
    } else {
        // The deleter names the versions it kept; the player needs those that still inherit from them.
        WString needed;
        for (const launcher::VersionInfo& version : launcher::g_minecraftList.versions) {
            bool dependent = false;
            for (const WString& id : blockers) dependent = dependent || version.parentId == id || version.rootId == id;
            if (!dependent || version.rootId == version.id) continue;
            if (needed.GetLength() > 0) needed.Append(L"、");
            needed.Append(version.id);
        }
        for (size_t i = 0; needed.GetLength() == 0 && i < blockers.size(); ++i) needed = blockers[i];
        text.Format(L"无法删除%s，需要先删除%s", joined.GetString(), needed.GetString());
        Tell(WithGone(text.GetString(), gone).GetString(), wendaldui::kIconWarning);
    }
}

LRESULT CGameManagerDlg::OnCloseMessage(WPARAM, LPARAM) {
    // Disabled, it is inside a call of its own (an installer, a question, the
    // wait of a deletion) that would return into a freed object. The close
    // box is out of reach then, but the taskbar's "close window" is not.
    if (!IsWindowEnabled(m_hWnd)) return 0;
    if (m_subscription) wendal_::GetEventBus().Unsubscribe(wendal_::kEventVersionListRefreshed, m_subscription);
    m_subscription = nullptr;
    DestroyWindow(m_hWnd);  // OnFinalMessage lets the object go
    return 0;
}

void CGameManagerDlg::OnFinalMessage() {
    if (GetTopLevelWindows().gameManager == this) GetTopLevelWindows().gameManager = nullptr;
    delete this;
    CheckQuit();
}

}  // namespace ui
}  // namespace trelm
