#include "WendalDui/Control/UIRichEdit.h"

#include <ole2.h>
#include <richole.h>
#include <textserv.h>
#include <tom.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "WendalDui/Control/TextHost.h"
#include "WendalDui/Control/UIRichEditView.h"
#include "WendalDui/Control/UIScrollBar.h"
#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {

// {8CC497C0-A1DF-11CE-8098-00AA0047BE5D}
const IID kIID_ITextDocument = {0x8CC497C0, 0xA1DF, 0x11CE, {0x80, 0x98, 0x00, 0xAA, 0x00, 0x47, 0xBE, 0x5D}};

const wchar_t CUIRichEdit::kLinkCaption[] = L"访问论坛发布帖";

namespace {

constexpr int kTextEntry = 0;
constexpr int kDisabledTextEntry = 3;
constexpr int kSelectionEntry = 116;
constexpr int kSelectedTextEntry = 117;
// Skin style bit: the selection takes the theme's colours.
constexpr uint32_t kSkinStyleThemeSelection = 0x2;
constexpr DWORD kEventMask = ENM_CHANGE | ENM_SCROLL | ENM_SELCHANGE | ENM_LINK;
constexpr int kLinkLength = 7;
constexpr COLORREF kLinkColor = 0xCC6600;
constexpr int kMenuOffset = 32;  // the Applications key opens the menu here (logical pixels)
constexpr int kRightMargin = 2;  // pixels between the text and the edit's right edge

COLORREF PaletteColor(int entry) {
    const CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    return skin ? ArgbToColorRef(skin->GetColor(entry)) : 0;
}

// Screen pixels to HIMETRIC (hundredths of a millimetre).
LONG PixelsToHimetric(int pixels) {
    return static_cast<LONG>(pixels / static_cast<double>(g_screenDpi) / 0.3937008 * 1000.0);
}

uint32_t PointerArg(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// Holds a flag at a value for one call and puts the old value back.
class FlagScope {
public:
    FlagScope(bool& flag, bool value) : m_flag(flag), m_old(flag) { m_flag = value; }
    ~FlagScope() { m_flag = m_old; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
    bool m_old;
};

}  // namespace

CUIRichEdit::~CUIRichEdit() { RestoreIme(); }

internal::CUIRichEditView* CUIRichEdit::GetEditView() const {
    return static_cast<internal::CUIRichEditView*>(GetView());
}

ITextServices* CUIRichEdit::Services() const {
    internal::CUIRichEditView* view = GetEditView();
    return view ? view->GetServices() : nullptr;
}

LRESULT CUIRichEdit::SendEditMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    internal::CUIRichEditView* view = GetEditView();
    return view ? view->Send(message, wParam, lParam) : 0;
}

void CUIRichEdit::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIScrollContainer::OnFlagChange(newFlags, bit, value, accepted);
    if (bit != kRichEditNoIme) return;
    accepted = true;
    if (value && HasFocus()) DetachIme();
}

CUIControl* CUIRichEdit::CreateView(const ViewCreateInfo& info) {
    // Text pixels come out of the services with alpha 0: holes in a layered window.
    const HWND hwnd = m_window ? m_window->GetHWND() : NULL;
    if (hwnd && (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED)) return nullptr;
    internal::CUIRichEditView* view = new internal::CUIRichEditView;
    if (!view->Create(info.parent, info.flags | kControlFocusable | kControlDoubleClicks, info.rect, info.id,
                      info.arg)) {
        delete view;
        return nullptr;
    }
    return view;
}

void CUIRichEdit::OnCreate(void* arg) {
    static const struct {
        const wchar_t* text;
        int command;
    } kItems[] = {{L"撤销(&U)", kRichEditUndo}, {L"重做", kRichEditRedo},    {nullptr, -1},
                  {L"剪切(&T)", kRichEditCut},  {L"复制(&C)", kRichEditCopy}, {L"粘贴(&P)", kRichEditPaste},
                  {L"删除(&D)", kRichEditDelete}, {nullptr, -1},             {L"全选(&A)", kRichEditSelectAll}};
    for (const auto& item : kItems) {
        m_menu.InsertItem(-1, item.text, item.command, item.text ? 0u : uint32_t{kMenuItemSeparator});
    }
    CUIScrollContainer::OnCreate(arg);
    internal::CUIRichEditView* view = GetEditView();
    ITextServices* services = Services();
    if (!services) return;
    SetDefaultCharFormat();
    const CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    const int indent = skin ? skin->GetTextIndent() : 4;
    // Two pixels on the right keep the end of a long line off whatever sits
    // beside the edit (a combo box's arrow, the frame) without taking room
    // from the narrow number fields.
    const int left = static_cast<int>(static_cast<float>(indent) * g_dpiFactor) + 2;
    view->GetHost()->SetViewInset(RECT{PixelsToHimetric(left), 0, PixelsToHimetric(kRightMargin), 0});
    if (m_flags & kRichEditCentreLine) CentreVertically();
    // A flat selection like the rest of the theme (Wine ignores the message).
    SendEditMessage(EM_SETEDITSTYLEEX, SES_EX_NOACETATESELECTION, SES_EX_NOACETATESELECTION);
    ApplySelectionColors();
    SendEditMessage(EM_SETEVENTMASK, 0, kEventMask);
}

void CUIRichEdit::SetDefaultCharFormat() {
    const CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!skin) return;
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    // A password edit keeps the services' face: its bullet glyph comes from there.
    format.dwMask = CFM_SIZE | CFM_COLOR | CFM_WEIGHT | (IsPassword() ? 0 : CFM_FACE | CFM_CHARSET);
    lstrcpynW(format.szFaceName, skin->GetFontFace().GetString(), LF_FACESIZE);
    format.bCharSet = DEFAULT_CHARSET;
    format.yHeight = static_cast<LONG>(skin->GetFontSize() * g_dpiFactor * 1440.0f / static_cast<float>(g_screenDpi));
    format.wWeight = FW_NORMAL;
    const bool greyed = !IsEffectivelyEnabled() && !IsRichText();
    format.crTextColor = PaletteColor(greyed ? kDisabledTextEntry : kTextEntry);
    SendEditMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

void CUIRichEdit::ApplySelectionColors() {
    const CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    internal::CUIRichEditView* view = GetEditView();
    if (!skin || !view || !view->GetHost() || !(skin->GetStyleFlags() & kSkinStyleThemeSelection)) return;
    view->GetHost()->SetSelectionColors(PaletteColor(kSelectionEntry), PaletteColor(kSelectedTextEntry));
    SendEditMessage(WM_SYSCOLORCHANGE, 0, 0);
}

void CUIRichEdit::CentreVertically() {
    internal::CUIRichEditView* view = GetEditView();
    ITextServices* services = Services();
    if (!services) return;
    const uint32_t bits = GetPropertyBits();
    if ((bits & kRichEditRichText) && !(bits & (kRichEditHideSelection | kRichEditNoDrag))) return;
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    SendEditMessage(EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    LOGFONTW logFont = {};
    logFont.lfHeight = static_cast<LONG>(format.yHeight / -1440.0 * g_screenDpi);
    logFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(logFont.lfFaceName, format.szFaceName, LF_FACESIZE);
    TEXTMETRICW metrics = {};
    HDC dc = CreateCompatibleDC(NULL);
    HFONT font = CreateFontIndirectW(&logFont);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    // A view lower than the font keeps its text at the top rather than
    // getting negative insets.
    const int spare = std::max(0, view->GetRect().height - static_cast<int>(metrics.tmHeight));
    const int top = static_cast<int>(spare * 0.5);
    RECT inset = view->GetHost()->GetViewInset();
    inset.top = PixelsToHimetric(top);
    inset.bottom = PixelsToHimetric(spare - top);
    view->GetHost()->SetViewInset(inset);
}

void CUIRichEdit::OnMouseWheel(WPARAM keys, int delta, int x, int y) {
    if (CUIControl* view = GetView()) view->OnMouseWheel(keys, delta, x - view->GetRect().x, y - view->GetRect().y);
}

void CUIRichEdit::OnKeyUp(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    if (vk == VK_APPS && m_window && m_window->GetHWND()) {
        const UIRect rect = GetWindowRect();
        const int offset = static_cast<int>(kMenuOffset * g_dpiFactor);
        POINT pt = {rect.x + offset, rect.y + offset};
        ClientToScreen(m_window->GetHWND(), &pt);
        ShowContextMenu(pt.x, pt.y);
    }
    CUIScrollContainer::OnKeyUp(vk, repeat, keyFlags);
}

void CUIRichEdit::OnTimer(UINT localId) {
    if (localId != internal::CUIRichEditView::kCaretTimer) {
        CUIScrollContainer::OnTimer(localId);
    } else if (internal::CUIRichEditView* view = GetEditView()) {
        view->OnCaretTimer();
    }
}

void CUIRichEdit::OnSetFocus(int reason) {
    CUIScrollContainer::OnSetFocus(reason);
    if (m_flags & kRichEditNoIme) DetachIme();
    FireEvent(kEventSetFocus);
}

void CUIRichEdit::ShowStartUnlessTyping() {
    internal::CUIRichEditView* view = GetEditView();
    if (!view || (GetPropertyBits() & kRichEditMultiLine) || view->HoldsKeyboard()) return;
    // Only when it moved: scrolling makes the services paint the window at once.
    POINT pos = GetScrollPos();
    if (pos.x == 0 && pos.y == 0) return;
    pos = {0, 0};
    SendEditMessage(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&pos));
}

void CUIRichEdit::OnKillFocus() {
    CUIScrollContainer::OnKillFocus();
    ShowStartUnlessTyping();
    // Whatever the style says now: a context taken away must come back.
    RestoreIme();
    FireEvent(kEventKillFocus);
}

void CUIRichEdit::DetachIme() {
    const HWND hwnd = m_window ? m_window->GetHWND() : NULL;
    if (hwnd && !m_savedIme) m_savedIme = ImmAssociateContext(hwnd, NULL);
}

void CUIRichEdit::RestoreIme() {
    const HWND hwnd = m_window ? m_window->GetHWND() : NULL;
    if (m_savedIme && hwnd && IsWindow(hwnd)) ImmAssociateContext(hwnd, m_savedIme);
    m_savedIme = NULL;
}

void CUIRichEdit::OnEnable(bool enabled) {
    CUIScrollContainer::OnEnable(enabled);
    if (IsRichText()) return;
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = PaletteColor(enabled ? kTextEntry : kDisabledTextEntry);
    SendEditMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    if (CUIControl* view = GetView()) view->Invalidate();
}

void CUIRichEdit::OnSkinChanged(uint32_t bits) {
    CUIScrollContainer::OnSkinChanged(bits);
    if (bits & kSkinChangedColors) ApplySelectionColors();
    if ((bits & kSkinChangedFont) && !IsRichText()) {
        SetDefaultCharFormat();
        if (m_flags & kRichEditCentreLine) CentreVertically();
    }
}

void CUIRichEdit::OnTxNotify(DWORD code, void* data) {
    switch (code) {
        case EN_CHANGE:
            if (m_changeEvents) FireEvent(kEventRichEditChanged, PointerArg(data));
            break;
        case EN_SELCHANGE:
            FireEvent(kEventRichEditSelectionChanged, PointerArg(data));
            break;
        case EN_LINK:
            FireEvent(kEventRichEditLink, PointerArg(data));
            break;
        case EN_HSCROLL:
        case EN_VSCROLL:
            FireEvent(kEventRichEditScrolled, code);
            break;
        default:
            break;
    }
}

void CUIRichEdit::OnScrollBarEvent(EventData& e) {
    internal::CUIRichEditView* view = GetEditView();
    if (!view) return;
    if (!view->HasFocus()) view->SetFocus(kFocusByProgram);
    const int code = LOWORD(e.p1);
    const bool vertical = e.id == kEventVScroll;
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
        // The bar keeps pixels (see the host's TxSetScrollRange); its
        // position is read from it, as the request's 16 bits cannot hold a
        // long text's.
        CUIScrollBar* bar = vertical ? GetVerticalBar() : GetHorizontalBar();
        if (!bar) return;
        POINT pos = GetScrollPos();
        (vertical ? pos.y : pos.x) = static_cast<LONG>(bar->GetScrollPos());
        SendEditMessage(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&pos));
    } else {
        SendEditMessage(vertical ? WM_VSCROLL : WM_HSCROLL, code, 0);
    }
}

void CUIRichEdit::ShowContextMenu(int x, int y) {
    internal::CUIRichEditView* view = GetEditView();
    if (!view || !m_window) return;
    view->SetFocus(kFocusByProgram);
    LONG start = 0, end = 0;
    GetSel(start, end);
    const bool selected = start < end;
    const bool readOnly = IsReadOnly();
    m_menu.EnableItem(kRichEditUndo, SendEditMessage(EM_CANUNDO, 0, 0) != 0);
    m_menu.EnableItem(kRichEditRedo, SendEditMessage(EM_CANREDO, 0, 0) != 0);
    m_menu.EnableItem(kRichEditCut, !readOnly && selected);
    m_menu.EnableItem(kRichEditCopy, selected);
    m_menu.EnableItem(kRichEditPaste, SendEditMessage(EM_CANPASTE, 0, 0) != 0);
    m_menu.EnableItem(kRichEditDelete, !readOnly && selected);
    m_menu.EnableItem(kRichEditSelectAll, GetTextLength() != 0);
    if (m_menu.GetMenuWindow()) return;
    m_menu.SetTargetControl(this);
    m_menu.Popup(m_window, x, y);
}

void CUIRichEdit::OnPostedCall(UINT code, WPARAM argument1, LPARAM argument2) {
    if (code != kMenuCommandCall || argument1 != reinterpret_cast<WPARAM>(&m_menu)) {
        CUIScrollContainer::OnPostedCall(code, argument1, argument2);
        return;
    }
    switch (argument2) {
        case kRichEditUndo:
            SendEditMessage(EM_UNDO, 0, 0);
            break;
        case kRichEditRedo:
            SendEditMessage(EM_REDO, 0, 0);
            break;
        case kRichEditCut:
            SendEditMessage(WM_CUT, 0, 0);
            break;
        case kRichEditCopy:
            SendEditMessage(WM_COPY, 0, 0);
            break;
        case kRichEditPaste:
            SendEditMessage(WM_PASTE, 0, 0);
            break;
        case kRichEditDelete:
            SetText(L"", ST_SELECTION);
            break;
        case kRichEditSelectAll:
            SetSel(0, -1);
            break;
        default:
            break;
    }
}

WString CUIRichEdit::GetText() const {
    WString text;
    ITextServices* services = Services();
    BSTR value = nullptr;
    if (services && SUCCEEDED(services->TxGetText(&value)) && value) {
        text.Assign(value, static_cast<int>(SysStringLen(value)));
    }
    if (value) SysFreeString(value);
    return text;
}

LRESULT CUIRichEdit::SetText(const wchar_t* text, DWORD flags) {
    SETTEXTEX set = {flags | ST_UNICODE, 1200};
    // The services may notify during the call or not at all: only this call's
    // notifications are ignored.
    FlagScope quiet(m_changeEvents, false);
    const LRESULT result =
        SendEditMessage(EM_SETTEXTEX, reinterpret_cast<WPARAM>(&set), reinterpret_cast<LPARAM>(text ? text : L""));
    ShowStartUnlessTyping();
    return result;
}

int CUIRichEdit::GetTextLength() const { return static_cast<int>(SendEditMessage(WM_GETTEXTLENGTH, 0, 0)); }

int CUIRichEdit::GetTextRange(LONG start, LONG end, WString& text) const {
    text = L"";
    if (start >= end) return 0;
    std::vector<wchar_t> buffer(static_cast<size_t>(end - start) + 1, L'\0');
    TEXTRANGEW range = {{start, end}, buffer.data()};
    int length = static_cast<int>(SendEditMessage(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
    if (length < 0) length = static_cast<int>(wcsnlen(buffer.data(), buffer.size()));
    length = std::min(length, static_cast<int>(buffer.size()) - 1);
    text.Assign(buffer.data(), length);
    return length;
}

void CUIRichEdit::SetSel(LONG start, LONG end) {
    CHARRANGE range = {start, end};
    SendEditMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    ShowStartUnlessTyping();
}

void CUIRichEdit::GetSel(LONG& start, LONG& end) const {
    CHARRANGE range = {0, 0};
    SendEditMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    start = range.cpMin;
    end = range.cpMax;
}

POINT CUIRichEdit::GetScrollPos() const {
    LONG x = 0, y = 0;
    if (ITextServices* services = Services()) {
        services->TxGetHScroll(nullptr, nullptr, &x, nullptr, nullptr);
        services->TxGetVScroll(nullptr, nullptr, &y, nullptr, nullptr);
    }
    return {x, y};
}

void CUIRichEdit::SetLimitText(LONG limit) { SendEditMessage(EM_EXLIMITTEXT, 0, limit); }

ITextDocument* CUIRichEdit::GetTextDocument() const {
    IRichEditOle* ole = nullptr;
    SendEditMessage(EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole));
    if (!ole) return nullptr;
    void* document = nullptr;
    if (FAILED(ole->QueryInterface(kIID_ITextDocument, &document))) document = nullptr;
    ole->Release();
    return static_cast<ITextDocument*>(document);
}

void CUIRichEdit::AppendText(const wchar_t* text, COLORREF color) {
    if (!text || !Services()) return;
    FlagScope quiet(m_changeEvents, false);
    // Wine lacks Freeze (E_NOTIMPL): the text then shows piece by piece, no more.
    ITextDocument* document = GetTextDocument();
    long frozen = 0;
    const bool froze = document && SUCCEEDED(document->Freeze(&frozen));
    // Messages rather than a text-object-model range: Wine inserts a range's
    // text at the selection, and read-only text refuses range edits.
    LONG start = 0, end = 0;
    GetSel(start, end);
    POINT scroll = GetScrollPos();
    SetSel(-1, -1);
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = color;
    SendEditMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendEditMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    // The reader stays where he was; following the end is the owner's choice.
    SetSel(start, end);
    SendEditMessage(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    if (froze) document->Unfreeze(&frozen);
    if (document) document->Release();
}

void CUIRichEdit::InsertLinkText() {
    CHARFORMAT2W saved = {};
    saved.cbSize = sizeof saved;
    SendEditMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&saved));
    LONG start = 0, end = 0;
    GetSel(start, end);
    SendEditMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(kLinkCaption));
    SetSel(start, start + kLinkLength);
    CHARFORMAT2W link = {};
    link.cbSize = sizeof link;
    link.dwMask = CFM_LINK | CFM_UNDERLINE | CFM_UNDERLINETYPE | CFM_COLOR;
    link.dwEffects = CFE_LINK | CFE_UNDERLINE;
    link.bUnderlineType = CFU_UNDERLINE;
    link.crTextColor = kLinkColor;
    SendEditMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&link));
    SetSel(-1, -1);
    // Typing after the link continues in the format the selection had.
    SendEditMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&saved));
}

uint32_t CUIRichEdit::GetPropertyBits() const {
    internal::CUIRichEditView* view = GetEditView();
    return view && view->GetHost() ? view->GetHost()->GetPropertyBits() : 0;
}

void CUIRichEdit::SetPropertyBits(uint32_t bits) {
    internal::CUIRichEditView* view = GetEditView();
    if (view && view->GetHost()) view->GetHost()->SetPropertyBits(bits);
}

void CUIRichEdit::SetReadOnly(bool readOnly) {
    const uint32_t bits = GetPropertyBits();
    SetPropertyBits(readOnly ? (bits | kRichEditReadOnly) : (bits & ~kRichEditReadOnly));
}

void CUIRichEdit::SetPassword(bool password) {
    const uint32_t bits = GetPropertyBits();
    SetPropertyBits(password ? (bits | kRichEditPassword) : (bits & ~kRichEditPassword));
}

void CUIRichEdit::SetCueText(const wchar_t* text) {
    if (internal::CUIRichEditView* view = GetEditView()) view->SetCueText(text);
}

}  // namespace wendaldui
