#include "ui/MotdInfoDialog.h"

#include <tom.h>

#include <cstdlib>

#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "core/JsonFile.h"
#include "services/FormattingCodes.h"
#include "ui/BoundedText.h"
#include "ui/UIMcMotdCtrl.h"

namespace trelm {
namespace ui {
namespace internal {

namespace {

constexpr int kEditId = 1;
constexpr uint32_t kEditFlags = 0x10056;  // visible, focusable, double clicks, pixels, vertical bar
constexpr uintptr_t kEditBits = wendaldui::kRichEditMultiLine | wendaldui::kRichEditWordWrap;
constexpr DWORD kDialogStyle = 0x00CD0000;  // caption, system menu, sizing frame, both boxes
constexpr int kWidth = 640, kHeight = 400;
// What a server says is shown in sections (description, version, players,
// mods) of at most the protocol's longest string each, the JSON at most
// twice that for its indentation: about 200 ms and 20 MB at worst.
constexpr int kMaxSectionChars = 32768;
constexpr int kMaxJsonChars = 2 * kMaxSectionChars;

// Without formatting codes, each line break followed by a tab.
void Indented(const WString& text, WString& out) {
    WString plain;
    mcmotd::StripFormattingCodes(text.GetString(), plain);
    out = BoundedText(plain, kMaxSectionChars);
    out.Replace(L"\r\n", L"\n");
    out.Replace(L"\n", L"\r\n\t");
}

void AppendField(WString& text, const wchar_t* label, const WString& value) {
    text.Append(label);
    text.Append(L"\r\n\t");
    text.Append(value);
    text.Append(L"\r\n");
}

}  // namespace

void CResizeContainer::OnCreate(void*) {
    wendaldui::CUIRichEdit* edit = new wendaldui::CUIRichEdit;
    if (!edit->Create(this, kEditFlags, wendaldui::UIRect(0, 0, m_rect.width, m_rect.height), kEditId,
                      reinterpret_cast<void*>(kEditBits))) {
        delete edit;
    }
}

void CResizeContainer::OnSize(int width, int height) {
    if (CUIControl* edit = GetChild(kEditId)) edit->SetPos(wendaldui::UIRect(0, 0, width, height));
}

wendaldui::CUIRichEdit* CResizeContainer::GetEdit() const {
    return static_cast<wendaldui::CUIRichEdit*>(GetChild(kEditId));
}

CMotdInfoDialog::CMotdInfoDialog(CUIMcMotdCtrl* owner) : CDuiDialog(new CResizeContainer), m_owner(owner) {}

wendaldui::CUIRichEdit* CMotdInfoDialog::GetEdit() const {
    CResizeContainer* client = static_cast<CResizeContainer*>(GetClientContainer());
    return client ? client->GetEdit() : nullptr;
}

bool CMotdInfoDialog::Open(HWND ownerWindow) {
    HWND hwnd = CreateWindowExW(0, wendaldui::kDuiWindowClassName, L"服务器信息", kDialogStyle, 0, 0,
                                wendaldui::DpiScale(kWidth), wendaldui::DpiScale(kHeight), ownerWindow, NULL,
                                wendaldui::CDuiApp::GetModuleInstance(), this);
    if (!hwnd) return false;
    ShowWindow(hwnd, SW_SHOW);
    return true;
}

void CMotdInfoDialog::OnCreate() {
    CDuiDialog::OnCreate();
    if (wendaldui::CUIRichEdit* edit = GetEdit()) {
        CHARFORMAT2W format = {};
        format.cbSize = sizeof format;
        format.dwMask = CFM_FACE | CFM_CHARSET | CFM_SIZE;
        wcscpy(format.szFaceName, L"Consolas");
        format.bCharSet = 0;
        // 12 logical pixels in twips: 1440 per inch of the screen's pixels.
        format.yHeight = static_cast<LONG>(1440.0 / wendaldui::g_screenDpi * 12 * wendaldui::g_dpiFactor);
        edit->SendEditMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    }
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
    BuildText();
}

void CMotdInfoDialog::BuildText() {
    wendaldui::CUIRichEdit* edit = GetEdit();
    if (!edit || !m_owner) return;
    const WString address = m_owner->GetServerAddress();
    const CUIMcMotdCtrl::Result result = m_owner->GetResult();
    WString title;
    title.Format(L"服务器信息 - %s", address.GetString());
    SetWindowTextW(m_hWnd, title.GetString());

    wchar_t time[64] = {}, date[64] = {};
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &result.time, NULL, time, 64);
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &result.time, NULL, date, 64);
    WString text, value;
    value.Format(L"%s %s", time, date);
    AppendField(text, L"时间：", value);
    AppendField(text, L"地址：", address);
    if (result.status == mcmotd::kPingOk) {
        const mcmotd::ServerStatus& status = m_owner->GetParsedStatus();
        Indented(status.description, value);
        AppendField(text, L"描述：", value);
        Indented(status.versionName, value);
        AppendField(text, L"版本：", value);
        value.Format(L"%d ms%s", std::abs(result.latencyMs), result.latencyMs < 0 ? L" *" : L"");
        AppendField(text, L"延迟：", value);
        value.Format(L"%d/%d", status.playersOnline, status.playersMax);
        AppendField(text, L"在线人数：", value);
        text.Append(L"玩家列表：\r\n");
        if (status.sample.empty()) text.Append(L"\r\n");
        WString list;
        for (const mcmotd::ServerStatusPlayer& player : status.sample) {
            WString name;
            mcmotd::StripFormattingCodes(player.name.GetString(), name);
            value.Format(L"\t%-32s%s\r\n", name.GetString(), player.id.GetString());
            list.Append(value);
            if (list.GetLength() > kMaxSectionChars) break;
        }
        text.Append(BoundedText(list, kMaxSectionChars));
        text.Append(L"mod列表：\r\n");
        if (status.mods.empty()) text.Append(L"\r\n");
        list.Empty();
        for (const mcmotd::ServerStatusMod& mod : status.mods) {
            value.Format(L"\t%-32s%s\r\n", mod.modid.GetString(), mod.version.GetString());
            list.Append(value);
            if (list.GetLength() > kMaxSectionChars) break;
        }
        text.Append(BoundedText(list, kMaxSectionChars));
    } else {
        AppendField(text, L"错误：", mcmotd::ServerStatusText(result.status));
    }
    text.Append(L"Json:\r\n");
    JsonDocument document;
    WString json;
    if (!ParseJsonText(result.json.GetString(), &document) || !document.IsObject() || !JsonToText(document, &json)) {
        json = result.json;
    }
    json.Replace(L"\r\n", L"\n");
    json.Replace(L"\n", L"\r\n");
    AppendBoundedText(text, json.GetString(), json.GetLength(), kMaxJsonChars);

    // Wine lacks Freeze; the text is shown all the same.
    ITextDocument* model = edit->GetTextDocument();
    long frozen = 0;
    if (model) model->Freeze(&frozen);
    // The text is replaced whole at every answer: the reader keeps his place
    // (the services would leave the view at the end, at the icon's base64),
    // and a first text opens at its top.
    POINT scroll = {0, 0};
    LONG start = 0, end = 0;
    if (m_built) {
        edit->SendEditMessage(EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
        edit->GetSel(start, end);
    }
    edit->SetReadOnly(false);
    edit->SetText(text.GetString());
    edit->SetReadOnly(true);
    edit->SetSel(start, end);
    edit->SendEditMessage(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    m_built = true;
    if (model) {
        model->Unfreeze(&frozen);
        model->Release();
    }
}

void CMotdInfoDialog::OnFinalMessage() {
    if (m_owner) m_owner->ForgetInfoDialog();
    delete this;
}

}  // namespace internal
}  // namespace ui
}  // namespace trelm
