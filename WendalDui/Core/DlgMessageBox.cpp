#include "WendalDui/Core/DlgMessageBox.h"

#include <gdiplus.h>

#include <algorithm>
#include <string>

#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UICheckBox.h"
#include "WendalDui/Control/UIImage.h"
#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Control/UITitleBar.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/UIDialogContainer.h"

namespace wendaldui {

namespace {

constexpr uint32_t kItemFlags = kControlVisible | kControlTabStop | kControlRectInPixels;
constexpr int kIconId = 0, kTextId = 1, kCheckBoxId = 2, kFirstButtonId = 3;
constexpr wchar_t kDoNotShowText[] = L"不再显示这个消息";

// Never with crossing bounds: the upper limit wins, as the text must fit the screen.
int Between(int value, int lo, int hi) { return std::min(std::max(value, lo), hi); }

// Centred on an owner near the screen's edge, a box wider than its owner
// would hang off the screen: it goes back into the work area, its caption
// first when it is larger still.
void MoveIntoWorkArea(HWND hwnd) {
    RECT box;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetWindowRect(hwnd, &box) ||
        !GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return;
    }
    const RECT& work = monitor.rcWork;
    const int x = std::max(std::min<int>(box.left, work.right - (box.right - box.left)), static_cast<int>(work.left));
    const int y = std::max(std::min<int>(box.top, work.bottom - (box.bottom - box.top)), static_cast<int>(work.top));
    if (x != box.left || y != box.top) SetWindowPos(hwnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int IconIndex(uint32_t code) {
    switch (code) {
        case kIconError: return 0;
        case kIconInformation: return 1;
        case kIconQuestion: return 2;
        case kIconWarning: return 3;
        default: return -1;
    }
}

}  // namespace

void CDlgMessageBox::Param::SetButtons(int style) {
    buttonCount = 0;
    auto add = [this](const wchar_t* text, int id) {
        if (buttonCount >= kMaxButtons) return;
        buttonTexts[buttonCount] = text;
        resultIds[buttonCount] = id;
        ++buttonCount;
    };
    switch (style) {
        case kBoxYesNo:
            add(L"是", kResultYes);
            add(L"否", kResultNo);
            break;
        case kBoxYesNoCancel:
            add(L"是", kResultYes);
            add(L"否", kResultNo);
            add(L"取消", kResultCancel);
            break;
        case kBoxOkCancel:
            add(L"确定", kResultOk);
            add(L"取消", kResultCancel);
            break;
        default:
            add(L"确定", kResultOk);
            break;
    }
}

DUI_BEGIN_MESSAGE_MAP(CDlgMessageBox, CDuiDialog)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnCloseMessage)
DUI_END_MESSAGE_MAP()

int CDlgMessageBox::Show(HWND owner, const wchar_t* caption, const wchar_t* text, int style, int icon) {
    Param param = {};
    param.caption = caption;
    param.text = text;
    param.SetButtons(style);
    param.icon = static_cast<uint32_t>(icon);
    return DoModal(owner, &param);
}

int CDlgMessageBox::DoModal(HWND owner, Param* param) {
    CDlgMessageBox box(param);
    return RunModal(box, owner);
}

int CDlgMessageBox::RunModal(CDlgMessageBox& box, HWND owner) {
    // A box opened as its owner starts (the start-up notices) comes before
    // the owner's shadow, whose strips would then lie over the box's edges.
    CDuiDialog::MakePendingShadows(owner);
    HWND hwnd = CreateWindowExW(0, kDuiWindowClassName, L"MessageBox", WS_CAPTION, 0, 0, 100, 100, owner, NULL,
                                CDuiApp::GetModuleInstance(), &box);
    if (!hwnd) return kResultCancel;
    ShowWindow(hwnd, SW_SHOW);
    if (CDuiApp* app = CDuiApp::GetApp()) app->RunModalLoop(hwnd);
    return box.GetModalResult();
}

void CDlgMessageBox::OnCreate() {
    CDuiDialog::OnCreate();
    CUIContainer* client = GetClientContainer();
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!client || !skin || !m_param) return;
    const int m = DpiScale(4), gap = DpiScale(12);

    int iconWidth = 0;
    if (Gdiplus::Bitmap* icon = skin->GetMessageBoxIcon(IconIndex(m_param->icon))) {
        iconWidth = static_cast<int>(icon->GetWidth());
        CUIImage* image = new CUIImage;
        UIImageArg arg = {icon, 0, UIImageArg::kBitmap};
        if (!image->Create(client, kControlVisible | kControlRectInPixels,
                           UIRect(m, m, iconWidth, static_cast<int>(icon->GetHeight())), kIconId, &arg)) {
            delete image;
        }
    }

    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int maxWidth = (desktop.right - desktop.left) / 2, minWidth = DpiScale(220);
    const int maxHeight = (desktop.bottom - desktop.top) * 2 / 3, minHeight = DpiScale(40);

    const int textX = m + iconWidth + DpiScale(8), textY = m + DpiScale(4);
    CUILinkCtrl* text = new CUILinkCtrl;
    if (!text->Create(client, kItemFlags, UIRect(textX, textY, maxWidth, minHeight), kTextId)) {
        delete text;
        return;
    }
    text->BindEvent(kEventClick, this, &CDlgMessageBox::OnLinkEvent);
    InitMessageText(text);
    const SIZE measured = text->MeasureText(maxWidth);

    const uint32_t count = std::min<uint32_t>(m_param->buttonCount, kMaxButtons);
    int widths[kMaxButtons] = {};
    int rowWidth = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const wchar_t* caption = m_param->buttonTexts[i] ? m_param->buttonTexts[i] : L"";
        widths[i] = Between(CalcButtonWidth(caption), DpiScale(75), DpiScale(200));
        rowWidth += widths[i] + (i ? gap : 0);
    }

    CUICheckBox* check = nullptr;
    int checkWidth = 0;
    if (m_param->doNotShow) {
        check = new CUICheckBox;
        if (check->Create(client, kItemFlags, UIRect(textX, 0, 1, DpiScale(16)), kCheckBoxId)) {
            check->SetText(kDoNotShowText);
            int height = 0;
            check->GetDesiredSize(checkWidth, height);
            check->BindEvent(kEventClick, this, &CDlgMessageBox::OnCheckBoxClick);
        } else {
            delete check;
            check = nullptr;
        }
        m_param->doNotShow = 0;
    }

    const int textWidth = Between(std::max({static_cast<int>(measured.cx), rowWidth, checkWidth}), minWidth, maxWidth);
    const int textHeight = Between(static_cast<int>(measured.cy), minHeight, maxHeight);
    text->SetPos(UIRect(textX, textY, textWidth, textHeight));
    int bottom = textY + textHeight;
    if (check) {
        check->SetPos(UIRect(textX, bottom + gap, checkWidth, DpiScale(16)));
        bottom += gap + DpiScale(16);
    }

    const int buttonTop = bottom + gap, buttonHeight = DpiScale(25);
    int x = textX + textWidth - rowWidth;
    for (uint32_t i = 0; i < count; ++i) {
        CUIButton* button = new CUIButton;
        if (!button->Create(client, kItemFlags, UIRect(x, buttonTop, widths[i], buttonHeight),
                            kFirstButtonId + static_cast<int>(i))) {
            delete button;
            continue;
        }
        button->SetText(m_param->buttonTexts[i] ? m_param->buttonTexts[i] : L"");
        button->BindEvent(kEventClick, this, &CDlgMessageBox::OnButtonClick);
        x += widths[i] + gap;
        m_resultIds[i] = m_param->resultIds[i];
    }
    if (count > 0) {
        // Only a button may end the box: the close box is greyed.
        EnableMenuItem(GetSystemMenu(m_hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
        if (CUITitleBar* bar = GetTitleBar()) bar->SetFlags(bar->GetFlags() | kTitleBarCloseDisabled);
    }

    SetWindowTextW(m_hWnd, m_param->caption ? m_param->caption : L"");
    const int width = textX + textWidth + gap;
    const int height = buttonTop + buttonHeight + gap + DpiScale(kDialogTitleHeight);
    SetWindowPos(m_hWnd, NULL, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
    MoveIntoWorkArea(m_hWnd);
}

void CDlgMessageBox::InitMessageText(CUILinkCtrl* text) {
    const wchar_t* message = m_param && m_param->text ? m_param->text : L"";
    text->SetText(message, static_cast<int>(wcslen(message)));
}

void CDlgMessageBox::OnButton(CUIControl*, int resultId) {
    SetModalResult(resultId);
    CDuiApp::EndModalLoop(m_hWnd);
}

void CDlgMessageBox::OnCancel() { OnButton(nullptr, kResultCancel); }

void CDlgMessageBox::OnLinkClick(const wchar_t* url, int length) {
    if (!url || length <= 0) return;
    const std::wstring target(url, static_cast<size_t>(length));
    ShellOpen(target.c_str());
}

void CDlgMessageBox::OnButtonClick(EventData& event) {
    const int index = event.sender ? event.sender->GetId() - kFirstButtonId : -1;
    if (index >= 0 && index < kMaxButtons) OnButton(event.sender, m_resultIds[index]);
}

void CDlgMessageBox::OnLinkEvent(EventData& event) {
    OnLinkClick(reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(event.p1)), static_cast<int>(event.p2));
}

void CDlgMessageBox::OnCheckBoxClick(EventData& event) {
    if (m_param) m_param->doNotShow = event.p1 ? 1 : 0;
}

LRESULT CDlgMessageBox::OnCloseMessage(WPARAM, LPARAM) {
    OnCancel();
    return 0;
}

}  // namespace wendaldui
