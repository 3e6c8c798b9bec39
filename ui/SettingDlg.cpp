#include "ui/SettingDlg.h"

#include <shobjidl.h>

#include <cwchar>

#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Control/UIComboBoxFont.h"
#include "WendalDui/Control/UIComboBoxString.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UIHSLPicker.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UILineSplitter.h"
#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Control/UIListBoxString.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Control/UIScrollContainerView.h"
#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DlgColorPicker.h"
#include "WendalDui/Core/DlgMessageBox.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/FormattedText.h"
#include "core/FileUtils.h"
#include "download/DownloadCache.h"
#include "launcher/PeMachine.h"
#include "ui/AddControl.h"
#include "ui/FileDialogEventsHelper.h"
#include "ui/ModalDialog.h"

namespace trelm {
namespace ui {

const WindowSize kWindowSizes[7] = {{854, 480},  {1024, 576},  {1280, 720}, {1136, 768},
                                    {1600, 900}, {1920, 1080}, {-1, -1}};

namespace {

using wendaldui::CUICheckBox;
using wendaldui::CUIContainer;
using wendaldui::CUIRichEdit;
using wendaldui::UIRect;

constexpr uint32_t kShown = wendaldui::kControlVisible;
constexpr uint32_t kInput = kShown | wendaldui::kControlFocusable | wendaldui::kControlTabStop;
constexpr uint32_t kEditFlags = kInput | wendaldui::kControlDoubleClicks | wendaldui::kScrollFrame |
                                wendaldui::kRichEditCentreLine;
constexpr uintptr_t kEditBits = wendaldui::kRichEditHideSelection | wendaldui::kRichEditNoDrag;
constexpr uint32_t kGrey = 0xFE8C8C8C;
constexpr int kRow = 22;
constexpr int kBoxX = 124;  // 120 plus the skin's text indent
constexpr int kPageWidth = 640;
constexpr uint32_t kMinCustomSide = 256, kMaxCustomSide = 9999;

SettingDlgHooks g_hooks = {};

// Keeps the last path the player accepted and its architecture; refuses
// (the file dialog stays open) a file that cannot run as Java.
class JavaFileEvents : public IFileDialogEventsHelper {
public:
    IFACEMETHODIMP OnFileOk(IFileDialog* dialog) override {
        IShellItem* item = nullptr;
        WString path;
        const bool read = dialog && SUCCEEDED(dialog->GetResult(&item)) && GetItemPath(item, path);
        if (item) item->Release();
        uint32_t arch = 0;
        const int result = read ? CheckJavaExecutable(path.GetString(), &arch) : launcher::kPeMachineUnreadable;
        if (result == launcher::kPeMachineUnreadable) {
            ShowMessageBox(dialog, L"无法读取此文件", L"发生错误", MB_ICONWARNING);
            return S_FALSE;
        }
        if (result != launcher::kPeMachineOk) {
            ShowMessageBox(dialog, L"此文件不是有效的可执行文件", L"不能选择这个文件", MB_ICONWARNING);
            return S_FALSE;
        }
        chosenPath = path;
        chosenArch = arch;
        return S_OK;
    }

    WString chosenPath;
    uint32_t chosenArch = 0;
};

void SetChecked(CUICheckBox* box, bool checked) {
    if (!box) return;
    const uint32_t flags = box->GetFlags();
    box->SetFlags(checked ? (flags | wendaldui::kCheckBoxChecked) : (flags & ~wendaldui::kCheckBoxChecked));
}

bool IsChecked(const CUICheckBox* box) { return box && box->IsChecked(); }

void EnableControl(wendaldui::CUIControl* control, bool enable) {
    if (control) control->Enable(enable);
}

void SetEditText(CUIRichEdit* edit, const wchar_t* text) {
    if (edit) edit->SetText(text);
}

WString EditText(const CUIRichEdit* edit) { return edit ? edit->GetText() : WString(); }

void ApplyThemeHsl(const float hsl[3]) {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    if (!skin) return;
    double theme[3];
    wendaldui::HslToDoubles(hsl, theme);
    skin->SetThemeColor(theme, true);
}

bool AskYes(HWND owner, const wchar_t* question) {
    return wendaldui::CDlgMessageBox::Show(owner, L"提示", question, wendaldui::kBoxYesNo,
                                           wendaldui::kIconQuestion) == wendaldui::kResultYes;
}

// The picker's colour is the custom theme colour, live.
class PaletteFollower : public wendal_::IDelegate<void, const wendaldui::CUIHSLPicker&> {
public:
    void Invoke(const wendaldui::CUIHSLPicker& picker) override {
        float hsl[3];
        picker.GetHSL(hsl);
        HslColor& custom = g_settings.current.theme.customColor;
        custom.h = hsl[0];
        custom.s = hsl[1];
        custom.l = hsl[2];
        ApplyThemeHsl(hsl);
    }
};

}  // namespace

void ApplyThemeArgb(uint32_t argb) {
    float hsl[3];
    wendaldui::ArgbToHsl(argb, hsl);
    ApplyThemeHsl(hsl);
}

void ResolveGameWindow(const GameWindowSetting& setting, uint32_t* width, uint32_t* height, bool* fullScreen) {
    *fullScreen = false;
    if (setting.custom) {
        *width = setting.customW;
        *height = setting.customH;
        return;
    }
    if (setting.fullScreen) {
        *fullScreen = true;
        *width = static_cast<uint32_t>(kWindowSizes[0].width);
        *height = static_cast<uint32_t>(kWindowSizes[0].height);
        return;
    }
    *width = setting.w;
    *height = setting.h;
}

void ReadCustomWindowSize(const wchar_t* width, const wchar_t* height, uint32_t* outWidth, uint32_t* outHeight) {
    wchar_t* end = nullptr;
    const unsigned long w = wcstoul(width ? width : L"", &end, 10);
    const bool wOk = end && end != width && *end == L'\0';
    const unsigned long h = wcstoul(height ? height : L"", &end, 10);
    const bool hOk = end && end != height && *end == L'\0';
    if (!wOk || !hOk || w < kMinCustomSide || w > kMaxCustomSide || h < kMinCustomSide || h > kMaxCustomSide) {
        *outWidth = g_settings.defaults.gameWindow.customW;
        *outHeight = g_settings.defaults.gameWindow.customH;
        return;
    }
    *outWidth = static_cast<uint32_t>(w);
    *outHeight = static_cast<uint32_t>(h);
}

int CheckJavaExecutable(const wchar_t* path, uint32_t* arch) {
    int machine = 0;
    bool isDll = false;
    const int result = launcher::ReadPeMachine(path, &machine, &isDll);
    if (result != launcher::kPeMachineOk) return result;
    if (isDll) return launcher::kPeMachineUnsupported;
    *arch = machine == launcher::kPeMachineAmd64 ? 1 : 0;
    return launcher::kPeMachineOk;
}

bool ClearDownloadCache(WString* folder) {
    *folder = download::GetDownloadCacheDir();
    if (DirectoryExists(folder->GetString())) DeleteDirectoryTree(folder->GetString());
    return !DirectoryExists(folder->GetString()) && !FileExists(folder->GetString());
}

void SetSettingDlgHooks(const SettingDlgHooks& hooks) { g_hooks = hooks; }

DUI_BEGIN_MESSAGE_MAP(CSettingDlg, wendaldui::CDuiDialog)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnCloseMessage)
DUI_END_MESSAGE_MAP()

CSettingDlg::CSettingDlg() : CDuiDialog(new wendaldui::CUIContainer2) {}

void CSettingDlg::OnCreate() {
    CDuiDialog::OnCreate();
    auto* client = static_cast<wendaldui::CUIContainer2*>(GetClientContainer());
    if (client) {
        const UIRect& r = client->GetRect();
        m_page = AddControl<wendaldui::CUIScrollContainerView>(
            client, kShown | wendaldui::kControlRectInPixels | wendaldui::kScrollHasVertical,
            UIRect(0, 0, r.width, r.height), 1);
    }
    if (m_page) {
        client->SetFillChild(m_page);
        const int height = CreatePage(m_page->GetContent());
        m_page->SetContentSize(wendaldui::DpiScale(kPageWidth), wendaldui::DpiScale(static_cast<float>(height)));
        InitControls();
        BindHandlers();
        LoadFromSettings();
    }
    SetWindowTextW(m_hWnd, L"TRELM - 设置");
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
}

int CSettingDlg::CreatePage(CUIContainer* content) {
    // Siblings need ids of their own; nothing looks them up.
    int lastId = 0;
    auto id = [&lastId] { return ++lastId; };
    auto section = [&](int y, const wchar_t* caption) {
        AddControl<wendaldui::CUILineSplitter>(content, kShown, UIRect(20, y, 600, 20), id(),
                                                const_cast<wchar_t*>(caption));
    };
    auto label = [&](int x, int y, int width, const wchar_t* text, uint32_t color = 0) {
        auto* l = AddControl<wendaldui::CUILabel>(content, kShown | wendaldui::kLabelVCenter,
                                                  UIRect(x, y, width, kRow), id());
        if (l) {
            l->SetText(text);
            if (color) l->SetTextColor(color);
        }
        return l;
    };
    auto box = [&](int x, int y, int width, const wchar_t* text) {
        auto* b = AddControl<CUICheckBox>(content, kInput, UIRect(x, y, width, kRow), id());
        if (b) b->SetText(text);
        return b;
    };
    auto button = [&](int x, int y, int width, const wchar_t* text) {
        auto* b = AddControl<wendaldui::CUIButton>(content, kInput, UIRect(x, y, width, kRow), id());
        if (b) b->SetText(text);
        return b;
    };
    auto edit = [&](int x, int y, int width, LONG limit, uintptr_t bits = kEditBits) {
        auto* e = AddControl<CUIRichEdit>(content, kEditFlags, UIRect(x, y, width, kRow), id(),
                                          reinterpret_cast<void*>(bits));
        if (e) e->SetLimitText(limit);
        return e;
    };
    auto link = [&](int x, int y, int width, const wchar_t* text) {
        auto* l = AddControl<wendaldui::CUILinkCtrl>(content, kInput, UIRect(x, y, width, kRow), id());
        if (l) l->SetText(text, -1);
        return l;
    };

    section(10, L"启动器外观");
    label(120, 34, 40, L"颜色：");
    m_preset = AddControl<wendaldui::CUIComboBoxString>(content, kInput, UIRect(162, 34, 200, kRow), id());
    m_customColor = box(366, 34, 65, L"自定义");
    m_palette = button(435, 34, 60, L"调色板");
    m_followBg = box(162, 60, 160, L"自动从背景中选一种颜色");
    label(120, 86, 40, L"字体：");
    m_font = AddControl<wendaldui::CUIComboBoxFont>(content, kInput, UIRect(162, 86, 200, kRow), id());
    m_systemShadow = box(kBoxX, 112, 140, L"使用系统窗口阴影");
    label(264 + 4, 112, 120, L"重启启动器生效", kGrey);
    m_motd = box(kBoxX, 138, 240, L"主界面显示服务器信息");
    m_motdAddressLabel = label(144, 164, 80, L"服务器地址：", kGrey);
    m_motdAddress = edit(226, 164, 200, 256);
    m_motdColored = box(kBoxX, 190, 240, L"显示彩色文字");
    label(120, 216, 80, L"背景图片：");
    m_bgLink = link(144, 242, 400, L"一张或多张图片放到<a href=\"open_bgimg_dir\">这个文件夹</a>，重启启动器生效");

    section(276, L"游戏启动");
    label(120, 300, 90, L"游戏窗口大小：");
    m_size = AddControl<wendaldui::CUIComboBoxString>(content, kInput, UIRect(212, 300, 120, kRow), id());
    m_customSize = box(336, 300, 60, L"自定义");
    m_customW = edit(400, 300, 48, 5);
    label(450, 300, 14, L"×");
    m_customH = edit(466, 300, 48, 5);
    label(120, 326, 100, L"游戏左下角文字：");
    m_versionText = edit(222, 326, 200, 128);
    m_closeAfterLaunch = box(kBoxX, 352, 240, L"启动后退出启动器");
    m_dontCheckAssets = box(kBoxX, 378, 240, L"不检查资源文件完整性");
    m_manualJava = box(kBoxX, 404, 240, L"手动设置Java路径");
    m_javaPathLabel = label(144, 430, 65, L"Java路径：");
    m_javaPath = edit(211, 430, 300, MAX_PATH, kEditBits | wendaldui::kRichEditReadOnly);
    m_javaDelete = button(515, 430, 40, L"删除");
    m_javaBrowse = button(559, 430, 40, L"浏览");

    section(464, L"下载");
    label(120, 488, 55, L"下载源：");
    m_source = AddControl<wendaldui::CUIComboBoxString>(content, kInput, UIRect(177, 488, 120, kRow), id());
    m_cacheLinks = link(120, 514, 400,
                        L"<a href=\"open_dl_cache_dir\">打开缓存文件夹</a> <a href = \"cleanup_dl_cache_dir\">清空缓存文件夹</a>");

    section(548, L"高级");
    m_versionSeparate = box(kBoxX, 572, 240, L"版本隔离");
    m_useJavaExe = box(kBoxX, 598, 240, L"用Java.exe启动");
    m_outputLog = box(kBoxX, 624, 240, L"显示游戏控制台输出");
    m_extraArgs = box(kBoxX, 650, 240, L"附加游戏启动参数");
    const wchar_t* argNames[4] = {L"Java前置参数：", L"Java后置参数：", L"MC前置参数：", L"MC后置参数："};
    for (int i = 0; i < 4; ++i) {
        m_argLabels[i] = label(144, 676 + 26 * i, 90, argNames[i]);
        m_argEdits[i] = edit(236, 676 + 26 * i, 200, 512);
    }

    section(788, L"其他");
    m_showUpdate = box(kBoxX, 812, 240, L"有新版本时提示");
    m_resetTips = button(120, 838, 120, L"重置所有提示");
    m_restoreDefaults = button(120, 864, 120, L"恢复全部默认设置");
    return 924;
}

void CSettingDlg::InitControls() {
    if (m_preset) {
        auto* list = static_cast<wendaldui::CUIListBoxString*>(m_preset->GetListBox());
        for (const ColorPreset& preset : kColorPresets) list->InsertString(-1, preset.name);
    }
    if (m_size) {
        auto* list = static_cast<wendaldui::CUIListBoxString*>(m_size->GetListBox());
        WString text;
        for (int i = 0; i < kFullScreenItem; ++i) {
            text.Format(L"%d × %d", kWindowSizes[i].width, kWindowSizes[i].height);
            list->InsertString(-1, text.GetString());
        }
        list->InsertString(-1, L"全屏");
    }
    if (m_source) {
        auto* list = static_cast<wendaldui::CUIListBoxString*>(m_source->GetListBox());
        list->InsertString(-1, L"官方");
        list->InsertString(-1, L"BMCLAPI");
    }
}

void CSettingDlg::BindHandlers() {
    using wendaldui::kEventClick;
    using wendaldui::kEventSelectionChanged;
    if (m_preset) m_preset->BindEvent(kEventSelectionChanged, this, &CSettingDlg::OnPresetChanged);
    if (m_customColor) m_customColor->BindEvent(kEventClick, this, &CSettingDlg::OnColorBoxClick);
    if (m_followBg) m_followBg->BindEvent(kEventClick, this, &CSettingDlg::OnColorBoxClick);
    if (m_palette) m_palette->BindEvent(kEventClick, this, &CSettingDlg::OnBtnPaletteClick);
    if (m_font) m_font->BindEvent(kEventSelectionChanged, this, &CSettingDlg::OnFontChanged);
    if (m_motd) m_motd->BindEvent(kEventClick, this, &CSettingDlg::OnMotdBoxClick);
    if (m_motdColored) m_motdColored->BindEvent(kEventClick, this, &CSettingDlg::OnColoredBoxClick);
    if (m_bgLink) m_bgLink->BindEvent(kEventClick, this, &CSettingDlg::OnLinkClick);
    if (m_cacheLinks) m_cacheLinks->BindEvent(kEventClick, this, &CSettingDlg::OnLinkClick);
    if (m_customSize) m_customSize->BindEvent(kEventClick, this, &CSettingDlg::OnCustomSizeClick);
    if (m_manualJava) m_manualJava->BindEvent(kEventClick, this, &CSettingDlg::OnManualJavaClick);
    if (m_javaBrowse) m_javaBrowse->BindEvent(kEventClick, this, &CSettingDlg::OnBtnBrowseJavaPath);
    if (m_javaDelete) m_javaDelete->BindEvent(kEventClick, this, &CSettingDlg::OnBtnDeleteJavaPath);
    if (m_extraArgs) m_extraArgs->BindEvent(kEventClick, this, &CSettingDlg::OnExtraArgsClick);
    if (m_resetTips) m_resetTips->BindEvent(kEventClick, this, &CSettingDlg::OnBtnResetTips);
    if (m_restoreDefaults) m_restoreDefaults->BindEvent(kEventClick, this, &CSettingDlg::OnBtnRestoreDefaults);
}

void CSettingDlg::LoadFromSettings() {
    SettingsRecord& s = g_settings.current;
    int preset = -1;
    for (int i = 0; i < 6; ++i) {
        if (kColorPresets[i].argb == s.theme.colorArgb) preset = i;
    }
    if (preset < 0) {
        s.theme.colorArgb = kColorPresets[0].argb;
        preset = 0;
    }
    if (m_preset) m_preset->SetCurSel(preset);
    SetChecked(m_customColor, s.theme.useCustomColor);
    SetChecked(m_followBg, s.theme.colorFollowBg);

    if (m_font) {
        wendaldui::CUIListBoxBase* list = m_font->GetListBox();
        int item = m_font->FindItemByText(list, s.theme.font.GetString());
        if (item < 0) {
            s.theme.font = g_settings.defaults.theme.font;
            item = m_font->FindItemByText(list, s.theme.font.GetString());
        }
        if (item < 0 && list && list->GetItemCount() > 0) {
            item = 0;
            m_font->SetCurSel(0);
            m_font->GetText(s.theme.font);
        }
        m_font->SetCurSel(item);
    }
    SetChecked(m_systemShadow, s.theme.useSystemAnimation);
    SetChecked(m_motd, s.serverInfo.enable);
    SetEditText(m_motdAddress, s.serverInfo.address.GetString());
    SetChecked(m_motdColored, s.serverInfo.coloredString);

    GameWindowSetting& window = s.gameWindow;
    int size = window.fullScreen ? kFullScreenItem : -1;
    for (int i = 0; size < 0 && i < kFullScreenItem; ++i) {
        if (static_cast<uint32_t>(kWindowSizes[i].width) == window.w &&
            static_cast<uint32_t>(kWindowSizes[i].height) == window.h) {
            size = i;
        }
    }
    if (size < 0) {
        window.w = static_cast<uint32_t>(kWindowSizes[0].width);
        window.h = static_cast<uint32_t>(kWindowSizes[0].height);
        size = 0;
    }
    if (m_size) m_size->SetCurSel(size);
    SetChecked(m_customSize, window.custom);
    WString number;
    number.Format(L"%d", window.customW);
    SetEditText(m_customW, number.GetString());
    number.Format(L"%d", window.customH);
    SetEditText(m_customH, number.GetString());

    SetEditText(m_versionText, s.customVersion.GetString());
    SetChecked(m_closeAfterLaunch, s.closeAfterLaunch);
    SetChecked(m_dontCheckAssets, s.dontCheckAssets);
    SetChecked(m_manualJava, s.manualJava.enable);
    SetEditText(m_javaPath, s.manualJava.path.GetString());
    m_javaArch = s.manualJava.arch;
    if (m_source) m_source->SetCurSel(s.bmclapi ? 1 : 0);
    SetChecked(m_versionSeparate, s.mcVersionSeparate);
    SetChecked(m_useJavaExe, s.useJavaexe);
    SetChecked(m_outputLog, s.outputGameLog);
    SetChecked(m_extraArgs, s.extraArgs.enable);
    const WString* args[4] = {&s.extraArgs.javaHead, &s.extraArgs.javaTail, &s.extraArgs.gameHead,
                              &s.extraArgs.gameTail};
    for (int i = 0; i < 4; ++i) SetEditText(m_argEdits[i], args[i]->GetString());
    SetChecked(m_showUpdate, s.showUpdateInfo);
    UpdateEnabledStates();
}

void CSettingDlg::SaveToSettings() {
    SettingsRecord& s = g_settings.current;
    const int preset = m_preset ? m_preset->GetCurSel() : -1;
    if (preset >= 0 && preset < 6) s.theme.colorArgb = kColorPresets[preset].argb;
    s.theme.useCustomColor = IsChecked(m_customColor);
    s.theme.colorFollowBg = IsChecked(m_followBg);
    if (m_font && m_font->GetCurSel() >= 0) m_font->GetText(s.theme.font);
    s.theme.useSystemAnimation = IsChecked(m_systemShadow);
    s.serverInfo.enable = IsChecked(m_motd);
    s.serverInfo.address = EditText(m_motdAddress);
    s.serverInfo.coloredString = IsChecked(m_motdColored);

    GameWindowSetting& window = s.gameWindow;
    const int size = m_size ? m_size->GetCurSel() : -1;
    if (size >= 0 && size <= kFullScreenItem) {
        // "全屏" keeps the standard size stored: -1 would fail the next load
        // and must never reach the game's command line.
        const WindowSize& chosen = kWindowSizes[size == kFullScreenItem ? 0 : size];
        window.w = static_cast<uint32_t>(chosen.width);
        window.h = static_cast<uint32_t>(chosen.height);
        window.fullScreen = size == kFullScreenItem;
    }
    window.custom = IsChecked(m_customSize);
    ReadCustomWindowSize(EditText(m_customW).GetString(), EditText(m_customH).GetString(), &window.customW,
                         &window.customH);

    s.customVersion = EditText(m_versionText);
    s.closeAfterLaunch = IsChecked(m_closeAfterLaunch);
    s.dontCheckAssets = IsChecked(m_dontCheckAssets);
    s.manualJava.enable = IsChecked(m_manualJava);
    s.manualJava.path = EditText(m_javaPath);
    s.manualJava.arch = m_javaArch;
    s.bmclapi = m_source && m_source->GetCurSel() == 1;
    s.mcVersionSeparate = IsChecked(m_versionSeparate);
    s.useJavaexe = IsChecked(m_useJavaExe);
    s.outputGameLog = IsChecked(m_outputLog);
    s.extraArgs.enable = IsChecked(m_extraArgs);
    WString* args[4] = {&s.extraArgs.javaHead, &s.extraArgs.javaTail, &s.extraArgs.gameHead, &s.extraArgs.gameTail};
    for (int i = 0; i < 4; ++i) *args[i] = EditText(m_argEdits[i]);
    s.showUpdateInfo = IsChecked(m_showUpdate);
}

int CSettingDlg::GetColorMode() const {
    if (IsChecked(m_followBg)) return 2;
    return IsChecked(m_customColor) ? 1 : 0;
}

void CSettingDlg::UpdateColorControls() {
    const int mode = GetColorMode();
    EnableControl(m_preset, mode == 0);
    EnableControl(m_customColor, mode != 2);
    EnableControl(m_palette, mode == 1);
}

void CSettingDlg::ApplyColorMode() {
    switch (GetColorMode()) {
        case 0: {
            const int preset = m_preset ? m_preset->GetCurSel() : -1;
            if (preset >= 0 && preset < 6) ApplyThemeArgb(kColorPresets[preset].argb);
            break;
        }
        case 1: {
            const HslColor& custom = g_settings.current.theme.customColor;
            const float hsl[3] = {custom.h, custom.s, custom.l};
            ApplyThemeHsl(hsl);
            break;
        }
        default:
            // The main window reads the flag when it recolours from its picture.
            g_settings.current.theme.colorFollowBg = true;
            if (g_hooks.followBackground) g_hooks.followBackground();
            break;
    }
}

void CSettingDlg::UpdateEnabledStates() {
    UpdateColorControls();
    const bool motd = IsChecked(m_motd);
    EnableControl(m_motdAddress, motd);
    EnableControl(m_motdColored, motd);
    const bool custom = IsChecked(m_customSize);
    EnableControl(m_customW, custom);
    EnableControl(m_customH, custom);
    EnableControl(m_size, !custom);
    const bool manual = IsChecked(m_manualJava);
    wendaldui::CUIControl* java[4] = {m_javaPathLabel, m_javaPath, m_javaBrowse, m_javaDelete};
    for (wendaldui::CUIControl* control : java) EnableControl(control, manual);
    const bool extra = IsChecked(m_extraArgs);
    for (int i = 0; i < 4; ++i) {
        EnableControl(m_argLabels[i], extra);
        EnableControl(m_argEdits[i], extra);
    }
}

void CSettingDlg::OnPresetChanged(wendaldui::EventData& event) {
    if (event.p1 < 6) ApplyThemeArgb(kColorPresets[event.p1].argb);
}

void CSettingDlg::OnColorBoxClick(wendaldui::EventData&) {
    UpdateColorControls();
    ApplyColorMode();
}

void CSettingDlg::OnBtnPaletteClick(wendaldui::EventData&) {
    const HslColor& custom = g_settings.current.theme.customColor;
    PaletteFollower follower;
    wendaldui::CDlgColorPicker::Param param = {};
    param.h = custom.h;
    param.s = custom.s;
    param.l = custom.l;
    param.onChange = &follower;
    param.title = L"调色板";
    param.flags = wendaldui::CDlgColorPicker::kHslGiven;
    wendaldui::CDlgColorPicker::ShowModal(&param, m_hWnd);
}

void CSettingDlg::OnFontChanged(wendaldui::EventData&) {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    if (!m_font || !skin) return;
    WString face;
    m_font->GetText(face);
    if (!face.IsEmpty()) skin->SetFontFace(face.GetString());
}

void CSettingDlg::OnMotdBoxClick(wendaldui::EventData&) { UpdateEnabledStates(); }

void CSettingDlg::OnColoredBoxClick(wendaldui::EventData&) {
    g_settings.current.serverInfo.coloredString = IsChecked(m_motdColored);
    if (g_hooks.applyServerStatus) g_hooks.applyServerStatus();
}

void CSettingDlg::OnLinkClick(wendaldui::EventData& event) {
    const wchar_t* href = reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(event.p1));
    if (!href) return;
    WString text;
    text.Assign(href, static_cast<int>(event.p2));
    OpenLink(text.GetString());
}

void CSettingDlg::OpenLink(const wchar_t* href) {
    const WString link(href);
    if (link == L"open_bgimg_dir") {
        OpenFolder(g_settings.current.backgroundImgFolder.GetString());
    } else if (link == L"open_dl_cache_dir") {
        OpenFolder(download::GetDownloadCacheDir().GetString());
    } else if (link == L"cleanup_dl_cache_dir") {
        WString folder;
        if (ClearDownloadCache(&folder)) {
            wendaldui::CDlgMessageBox::Show(m_hWnd, L"提示", L"已清空下载缓存", wendaldui::kBoxOk,
                                            wendaldui::kIconInformation);
        } else {
            WString text;
            text.Format(L"清空下载缓存失败：%s", wendaldui::EscapeMarkup(folder).GetString());
            wendaldui::CDlgMessageBox::Show(m_hWnd, L"错误", text.GetString(), wendaldui::kBoxOk,
                                            wendaldui::kIconError);
        }
    }
}

void CSettingDlg::OpenFolder(const wchar_t* path) {
    WString text;
    if (!CreateDirectoryTree(path)) {
        text.Format(L"创建文件夹 %s 失败", wendaldui::EscapeMarkup(path).GetString());
    } else if (reinterpret_cast<INT_PTR>(wendaldui::ShellOpen(path)) <= 32) {
        text.Format(L"打开文件夹 %s 失败", wendaldui::EscapeMarkup(path).GetString());
    } else {
        return;
    }
    wendaldui::CDlgMessageBox::Show(m_hWnd, L"错误", text.GetString(), wendaldui::kBoxOk, 0);
}

void CSettingDlg::OnCustomSizeClick(wendaldui::EventData&) { UpdateEnabledStates(); }

void CSettingDlg::OnManualJavaClick(wendaldui::EventData&) { UpdateEnabledStates(); }

void CSettingDlg::OnExtraArgsClick(wendaldui::EventData&) { UpdateEnabledStates(); }

void CSettingDlg::OnBtnDeleteJavaPath(wendaldui::EventData&) { SetEditText(m_javaPath, L""); }

void CSettingDlg::OnBtnBrowseJavaPath(wendaldui::EventData&) {
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                reinterpret_cast<void**>(&dialog)))) {
        return;
    }
    JavaFileEvents* events = new JavaFileEvents;
    DWORD cookie = 0;
    if (SUCCEEDED(dialog->Advise(events, &cookie))) {
        const COMDLG_FILTERSPEC types[] = {{L"EXE Files", L"*.exe"}};
        if (SUCCEEDED(dialog->SetFileTypes(1, types)) && SUCCEEDED(dialog->SetFileTypeIndex(1)) &&
            SUCCEEDED(dialog->SetOkButtonLabel(L"选择")) && SUCCEEDED(dialog->SetTitle(L"选择Java"))) {
            dialog->Show(m_hWnd);
        }
        dialog->Unadvise(cookie);
    }
    if (!events->chosenPath.IsEmpty()) {
        SetEditText(m_javaPath, events->chosenPath.GetString());
        m_javaArch = events->chosenArch;
    }
    events->Release();
    dialog->Release();
}

void CSettingDlg::OnBtnResetTips(wendaldui::EventData&) {
    if (!AskYes(m_hWnd, L"重置所有提示？")) return;
    g_settings.current.dontShowTip = TipSetting();
}

void CSettingDlg::OnBtnRestoreDefaults(wendaldui::EventData&) {
    if (!AskYes(m_hWnd, L"恢复全部默认设置？")) return;
    g_settings.current = g_settings.defaults;  // names and hidden flags live in the version map
    LoadFromSettings();
    ApplyThemeArgb(g_settings.current.theme.colorArgb);
    if (wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance()) {
        skin->SetFontFace(g_settings.current.theme.font.GetString());
    }
}

LRESULT CSettingDlg::OnCloseMessage(WPARAM, LPARAM) {
    SaveToSettings();
    wendaldui::CDuiApp::EndModalLoop(m_hWnd);
    return 0;
}

void RunSettingDialog(HWND owner) {
    CSettingDlg dialog;
    RunModalDialog(dialog, L"SettingDlg", WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX, 680, 428, owner);
}

}  // namespace ui
}  // namespace trelm
