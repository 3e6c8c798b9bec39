// The game manager over a small installed tree: A (plain) and A-Forge1 (Forge,
// inherits A). Message boxes are read and answered through the
// dialogs' box seam; the folder opens through the shell seam.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Control/UIListCtrlString.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "core/SimpleEventBus.h"
#include "launcher/MinecraftList.h"
#include "services/LauncherSettings.h"
#include "tests/support/TestPaths.h"
#include "ui/GameDownloadListDlg.h"
#include "ui/GameManagerDlg.h"
#include "ui/TopLevelWindows.h"

namespace {

using namespace trelm::ui;
using testing_support::Exists;
using testing_support::Narrow;

std::vector<std::wstring> g_boxes;
int g_answer = wendaldui::kResultYes;
int RecordBox(HWND, const wchar_t*, const wchar_t* text, int, int) {
    g_boxes.push_back(text);
    return g_answer;
}
std::vector<std::wstring> g_opened;
HINSTANCE RecordOpen(const wchar_t* target) {
    g_opened.push_back(target);
    return reinterpret_cast<HINSTANCE>(42);
}

// Counts the bus's events by id.
struct BusListener {
    void On(unsigned id, int, int) { ++counts[id]; }
    int counts[4] = {};
};

class GameManager : public testing::Test {
protected:
    GameManager() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        GetCurrentDirectoryW(MAX_PATH, m_old);
        SetCurrentDirectoryW(dir.Path().c_str());
        Version(L"A", "{\"id\":\"A\",\"releaseTime\":\"2017-01-01T00:00:00\"}");
        Version(L"A-Forge1", "{\"id\":\"A-Forge1\",\"inheritsFrom\":\"A\",\"releaseTime\":\"2017-02-01T00:00:00\"}");
        testing_support::WriteBytes(dir / L".minecraft\\versions\\A-Forge1\\A-Forge1.jar", "jar");
        trelm::launcher::g_minecraftList.SetRoot(nullptr);
        trelm::launcher::g_minecraftList.Refresh();
        m_oldBox = SetVersionMessageBox(&RecordBox);
        m_oldOpen = wendaldui::SetShellOpenFunction(&RecordOpen);
        g_boxes.clear();
        g_opened.clear();
        g_answer = wendaldui::kResultYes;
    }
    ~GameManager() override {
        if (GetTopLevelWindows().gameManager) SendMessageW(GetTopLevelWindows().gameManager->GetHWND(), WM_CLOSE, 0, 0);
        MSG msg;
        PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
        SetVersionMessageBox(m_oldBox);
        wendaldui::SetShellOpenFunction(m_oldOpen);
        SetCurrentDirectoryW(m_old);
        trelm::launcher::g_minecraftList.SetRoot(nullptr);
        trelm::launcher::g_minecraftList.Refresh();
    }
    void Version(const wchar_t* id, const std::string& json) {
        testing_support::WriteBytes(dir / (std::wstring(L".minecraft\\versions\\") + id + L"\\" + id + L".json"), json);
    }
    CGameManagerDlg* Open() {
        ShowGameManager(NULL);
        CGameManagerDlg* dialog = GetTopLevelWindows().gameManager;
        ui_testing::PumpFor(50);
        return dialog;
    }
    int Row(const wchar_t* id) { return trelm::launcher::g_minecraftList.FindById(id); }
    void Select(CGameManagerDlg* dialog, std::vector<int> rows) {
        auto& selection = dialog->GetList()->GetBody()->GetSelection();
        selection.ClearAll();
        for (int row : rows) dialog->GetList()->SelectRow(row);
        dialog->GetList()->FireEvent(wendaldui::kEventSelectionChanged);
    }
    void Click(CGameManagerDlg* dialog, int index) { dialog->GetControl(index)->FireEvent(wendaldui::kEventClick); }

    testing_support::TempDir dir;
    wendaldui::CDuiSkinManager skin;
    wchar_t m_old[MAX_PATH];
    VersionMessageBox m_oldBox;
    wendaldui::ShellOpenFunction m_oldOpen;
};

enum { kOpenFolder = 1, kSelectionLabel = 4, kNameEdit = 6, kHide = 7, kForge = 8, kOptiFine = 9, kDeleteFiles = 11,
       kDeleteTemp = 12, kDeleteVersion = 13 };

TEST_F(GameManager, PanelFollowsSelectionAndNameAndHiddenFlagReachSettingsAndBus) {
    CGameManagerDlg* dialog = Open();
    ASSERT_TRUE(dialog);
    ASSERT_EQ(2, dialog->GetList()->GetBody()->GetRowCount());
    BusListener listener;
    auto* name = new wendal_::CMethodDelegate<BusListener, void, unsigned, int, int>(&listener, &BusListener::On);
    auto* hidden = new wendal_::CMethodDelegate<BusListener, void, unsigned, int, int>(&listener, &BusListener::On);
    wendal_::GetEventBus().Subscribe(wendal_::kEventVersionNameChanged, name);
    wendal_::GetEventBus().Subscribe(wendal_::kEventVersionHiddenChanged, hidden);

    Select(dialog, {Row(L"A"), Row(L"A-Forge1")});
    auto* label = static_cast<wendaldui::CUILabel*>(dialog->GetControl(kSelectionLabel));
    EXPECT_EQ(std::wstring(L"已选择 2 个版本"), label->GetText().GetString());
    EXPECT_FALSE(dialog->GetControl(kNameEdit)->IsEffectivelyEnabled()) << "two rows: no name";
    EXPECT_TRUE(dialog->GetControl(kDeleteFiles)->IsEffectivelyEnabled());

    Select(dialog, {Row(L"A-Forge1")});
    EXPECT_FALSE(dialog->GetControl(kForge)->IsEffectivelyEnabled()) << "a Forge version takes no Forge";
    EXPECT_EQ(std::wstring(L"添加OptiFine Mod"),
              static_cast<wendaldui::CUIButton*>(dialog->GetControl(kOptiFine))->GetText().GetString());
    Select(dialog, {Row(L"A")});
    EXPECT_TRUE(dialog->GetControl(kForge)->IsEffectivelyEnabled());
    auto* edit = static_cast<wendaldui::CUIRichEdit*>(dialog->GetControl(kNameEdit));
    edit->SetText(L"我的A");
    edit->FireEvent(wendaldui::kEventRichEditChanged);
    EXPECT_EQ(std::wstring(L"我的A"), g_settings.GetVersionAlias(L"A"));
    auto* hide = static_cast<wendaldui::CUICheckBox*>(dialog->GetControl(kHide));
    hide->SetFlags(hide->GetFlags() | wendaldui::kCheckBoxChecked);
    hide->FireEvent(wendaldui::kEventClick, 1);
    EXPECT_TRUE(g_settings.IsVersionHidden(L"A"));
    EXPECT_EQ(1, listener.counts[wendal_::kEventVersionNameChanged]);
    EXPECT_EQ(1, listener.counts[wendal_::kEventVersionHiddenChanged]);
    wendal_::GetEventBus().Unsubscribe(wendal_::kEventVersionNameChanged, name);
    wendal_::GetEventBus().Unsubscribe(wendal_::kEventVersionHiddenChanged, hidden);
    g_settings.SetVersionAlias(L"A", L"");
    g_settings.SetVersionHidden(L"A", false);

    Click(dialog, kOpenFolder);
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ(dir.Path() + L".minecraft\\", g_opened[0]) << "through the shell seam";
}

TEST_F(GameManager, DeletesOnlyOnYesRefusesANeededBaseAndRemovesAChildAlone) {
    CGameManagerDlg* dialog = Open();
    ASSERT_TRUE(dialog);
    const std::wstring jsonA = dir / L".minecraft\\versions\\A\\A.json";
    const std::wstring jsonB = dir / L".minecraft\\versions\\A-Forge1\\A-Forge1.json";
    // Cancel, close or WM_CLOSE is no consent.
    for (int answer : {wendaldui::kResultCancel, wendaldui::kResultNo}) {
        g_answer = answer;
        Select(dialog, {Row(L"A-Forge1")});
        Click(dialog, kDeleteVersion);
        Click(dialog, kDeleteFiles);
        EXPECT_TRUE(Exists(jsonB)) << answer;
        EXPECT_TRUE(Exists(dir / L".minecraft\\versions\\A-Forge1\\A-Forge1.jar")) << answer;
    }
    EXPECT_EQ(4u, g_boxes.size()) << "only the questions";

    g_answer = wendaldui::kResultYes;
    g_boxes.clear();
    Select(dialog, {Row(L"A")});
    Click(dialog, kDeleteVersion);
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ(std::wstring(L"无法删除A，需要先删除A-Forge1"), g_boxes[1]);
    EXPECT_TRUE(Exists(jsonA));
    EXPECT_EQ(2, dialog->GetList()->GetBody()->GetRowCount());

    g_boxes.clear();
    Select(dialog, {Row(L"A-Forge1")});
    Click(dialog, kDeleteVersion);
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ(std::wstring(L"删除完成"), g_boxes[1]);
    EXPECT_FALSE(Exists(jsonB));
    EXPECT_TRUE(Exists(jsonA)) << "the base stays";
    EXPECT_EQ(1, dialog->GetList()->GetBody()->GetRowCount()) << "the list follows the bus";

    g_boxes.clear();
    testing_support::WriteBytes(dir / L".minecraft\\logs\\latest.log", "log");
    Select(dialog, {0});
    Click(dialog, kDeleteTemp);
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ(std::wstring(L"删除游戏生成的临时文件完成"), g_boxes[1]);
    EXPECT_FALSE(Exists(dir / L".minecraft\\logs\\latest.log"));
}

}  // namespace
