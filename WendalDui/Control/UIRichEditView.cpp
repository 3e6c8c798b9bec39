#include "WendalDui/Control/UIRichEditView.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstdint>

#include "WendalDui/Control/TextHost.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr int kBackgroundEntry = 8;
constexpr int kDisabledBackgroundEntry = 11;
constexpr COLORREF kCueTextColor = 0x5F5F5F;
constexpr Gdiplus::ARGB kCaretColor = 0xE6000000;

bool KeyDown(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

bool IsImeMessage(UINT message) {
    switch (message) {
        case WM_IME_STARTCOMPOSITION:
        case WM_IME_ENDCOMPOSITION:
        case WM_IME_COMPOSITION:
        case WM_IME_SETCONTEXT:
        case WM_IME_NOTIFY:
        case WM_IME_CONTROL:
        case WM_IME_COMPOSITIONFULL:
        case WM_IME_SELECT:
        case WM_IME_CHAR:
        case WM_IME_REQUEST:
        case WM_IME_KEYDOWN:
        case WM_IME_KEYUP:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool CUIRichEditView::HoldsKeyboard() const {
    // The whole focus path leads here, not only the parent's choice.
    for (const CUIControl* c = this; c->GetParent(); c = c->GetParent()) {
        if (c->GetParent()->GetFocusedChild() != c) return false;
    }
    return m_window && m_window->HasFocus();
}

CUIRichEditView::~CUIRichEditView() {
    // A view deleted without Destroy (its window went first) still lets go.
    OnDestroy();
}

void CUIRichEditView::OnCreate(void* arg) {
    m_host = new CTextHost(this);
    InitTextHostTextServices(m_host, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(arg)));
    if (m_window) m_filterAdded = m_window->AddMessageFilter(this);
    m_host->GetServices()->OnTxInPlaceActivate(nullptr);
}

void CUIRichEditView::OnDestroy() {
    if (m_filterAdded && m_window) m_window->RemoveMessageFilter(this);
    m_filterAdded = false;
    if (m_host) {
        CTextHost* host = m_host;
        m_host = nullptr;
        host->Detach();
        host->Release();
    }
}

ITextServices* CUIRichEditView::GetServices() const { return m_host ? m_host->GetServices() : nullptr; }

CUIRichEdit* CUIRichEditView::GetEdit() const { return static_cast<CUIRichEdit*>(GetParent()); }

LRESULT CUIRichEditView::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    ITextServices* services = GetServices();
    LRESULT result = 0;
    if (services) services->TxSendMessage(message, wParam, lParam, &result);
    return result;
}

LRESULT CUIRichEditView::SendMouse(UINT message, WPARAM keys, int x, int y) const {
    return Send(message, keys, MAKELPARAM(x, y));
}

void CUIRichEditView::OnLButtonDown(WPARAM keys, int x, int y) { SendMouse(WM_LBUTTONDOWN, keys, x, y); }

void CUIRichEditView::OnLButtonDblClk(WPARAM keys, int x, int y) { SendMouse(WM_LBUTTONDBLCLK, keys, x, y); }

void CUIRichEditView::OnLButtonUp(WPARAM keys, int x, int y) { SendMouse(WM_LBUTTONUP, keys, x, y); }

void CUIRichEditView::OnMouseMove(WPARAM keys, int x, int y) { SendMouse(WM_MOUSEMOVE, keys, x, y); }

void CUIRichEditView::OnRButtonUp(WPARAM, int x, int y) {
    if (x < 0 || y < 0 || x >= m_rect.width || y >= m_rect.height) return;
    const DWORD pos = GetMessagePos();
    CUIRichEdit* edit = GetEdit();
    if (edit) edit->ShowContextMenu(static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos)));
}

void CUIRichEditView::OnMouseWheel(WPARAM keys, int delta, int x, int y) {
    // The wheel's point is in screen coordinates.
    const UIRect rect = GetWindowRect();
    POINT pt = {rect.x + x, rect.y + y};
    if (m_window && m_window->GetHWND()) ClientToScreen(m_window->GetHWND(), &pt);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(keys, delta), MAKELPARAM(pt.x, pt.y));
}

void CUIRichEditView::OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    m_swallowEnterChar = false;
    if (vk == VK_TAB && !KeyDown(VK_CONTROL)) {
        // From the edit: a walk back from the view would land on its own edit.
        if (CUIRichEdit* edit = GetEdit()) {
            edit->MoveFocus(KeyDown(VK_SHIFT));
        } else {
            MoveFocus(KeyDown(VK_SHIFT));
        }
        return;
    }
    if (vk == VK_RETURN) {
        if (CUIRichEdit* edit = GetEdit()) {
            BYTE swallow = 0;
            CUIControlWatch watch(this);
            edit->FireEvent(kEventRichEditEnter, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&swallow)));
            // A handler that closed the window, or destroyed the edit, took this view with it.
            if (!watch.Alive()) return;
            if (swallow) {
                m_swallowEnterChar = true;
                return;
            }
        }
    }
    if (vk == VK_TAB) {
        InsertCtrlTab(keyFlags);
        return;
    }
    if (ScrollReadOnly(vk)) return;
    Send(WM_KEYDOWN, vk, keyFlags);
}

bool CUIRichEditView::ScrollReadOnly(WPARAM vk) {
    // Text that is only read scrolls under the keys, as a page does; moving
    // an unseen caret (left wherever the text was last set) would jump
    // there. Shift still selects.
    const uint32_t reading = kRichEditReadOnly | kRichEditMultiLine;
    if (!m_host || (m_host->GetPropertyBits() & reading) != reading || KeyDown(VK_SHIFT)) return false;
    static const struct {
        WPARAM vk;
        WPARAM code;
    } kKeys[] = {{VK_UP, SB_LINEUP},     {VK_DOWN, SB_LINEDOWN}, {VK_PRIOR, SB_PAGEUP},
                 {VK_NEXT, SB_PAGEDOWN}, {VK_HOME, SB_TOP},      {VK_END, SB_BOTTOM}};
    for (const auto& key : kKeys) {
        if (key.vk != vk) continue;
        Send(WM_VSCROLL, key.code, 0);
        return true;
    }
    return false;
}

void CUIRichEditView::InsertCtrlTab(LPARAM keyFlags) {
    const LRESULT length = Send(WM_GETTEXTLENGTH, 0, 0);
    Send(WM_KEYDOWN, VK_TAB, keyFlags);
    // Some keyboard layouts (Wine's among them) make no character of
    // Ctrl+Tab; then the view gives the services the tab itself, unless the
    // key press already changed the text.
    const HWND hwnd = m_window ? m_window->GetHWND() : NULL;
    MSG queued;
    const bool charComing = hwnd && PeekMessageW(&queued, hwnd, WM_CHAR, WM_CHAR, PM_NOREMOVE | PM_NOYIELD) &&
                            queued.wParam == L'\t';
    if (!charComing && Send(WM_GETTEXTLENGTH, 0, 0) == length) Send(WM_CHAR, L'\t', keyFlags);
}

void CUIRichEditView::OnChar(WPARAM ch, UINT repeat, LPARAM keyFlags) {
    if (ch == L'\r' && m_swallowEnterChar) {
        m_swallowEnterChar = false;
        return;
    }
    if (ch == L'\t' && !KeyDown(VK_CONTROL)) return;
    Send(WM_CHAR, ch, keyFlags);
}

void CUIRichEditView::OnKeyUp(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    if (vk == VK_TAB && !KeyDown(VK_CONTROL)) return;
    Send(WM_KEYUP, vk, keyFlags);
}

LRESULT CUIRichEditView::MessageFilter(HWND, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (!IsImeMessage(message) || !HoldsKeyboard()) return 0;
    ITextServices* services = GetServices();
    LRESULT result = 0;
    if (services && services->TxSendMessage(message, wParam, lParam, &result) == S_OK) handled = true;
    return result;
}

void CUIRichEditView::OnPaint(PaintContext& context) {
    const UIRect& rect = context.rect;
    UIRect dirty;
    if (!context.dirty.Intersect(rect, dirty)) return;
    const bool focused = HoldsKeyboard();
    const CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!(m_host && (m_host->GetPropertyBits() & kRichEditTransparent)) && skin) {
        const int entry = IsEffectivelyEnabled() ? kBackgroundEntry : kDisabledBackgroundEntry;
        Gdiplus::SolidBrush brush{Gdiplus::Color(skin->GetColor(entry))};
        context.graphics->FillRectangle(&brush, dirty.x, dirty.y, dirty.width, dirty.height);
    }
    ITextServices* services = GetServices();
    HDC dc = services ? context.graphics->GetHDC() : NULL;
    if (dc) {
        // The services keep the view's own coordinates (their mouse and caret
        // positions use them), so they draw where the view's corner is the
        // device origin: Wine clips the selection's highlight with a region,
        // which ignores a moved viewport origin and lands beside the text.
        const int dx = dirty.x - rect.x, dy = dirty.y - rect.y;
        HDC memory = CreateCompatibleDC(dc);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = dx + dirty.width;
        info.bmiHeader.biHeight = -(dy + dirty.height);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = memory ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0) : NULL;
        if (bitmap) {
            HGDIOBJ old = SelectObject(memory, bitmap);
            BitBlt(memory, dx, dy, dirty.width, dirty.height, dc, dirty.x, dirty.y, SRCCOPY);
            IntersectClipRect(memory, dx, dy, dx + dirty.width, dy + dirty.height);
            const RECT format = m_host->GetFormatRect(rect.width, rect.height);
            RECTL bounds = {format.left, format.top, format.right, format.bottom};
            RECT update = {dx, dy, dx + dirty.width, dy + dirty.height};
            // A line scrolled sideways stays within the margins (Wine draws the
            // glyphs that straddle the format rectangle's edges whole).
            const int unclipped = SaveDC(memory);
            IntersectClipRect(memory, format.left, 0, format.right, rect.height);
            services->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, memory, NULL, &bounds, nullptr, &update, nullptr,
                             0, TXTVIEW_ACTIVE);
            RestoreDC(memory, unclipped);
            if (!focused && !m_cueText.IsEmpty() && Send(WM_GETTEXTLENGTH, 0, 0) == 0) {
                PaintCueText(memory, UIRect(0, 0, rect.width, rect.height));
            }
            BitBlt(dc, dirty.x, dirty.y, dirty.width, dirty.height, memory, dx, dy, SRCCOPY);
            SelectObject(memory, old);
            DeleteObject(bitmap);
        }
        if (memory) DeleteDC(memory);
        context.graphics->ReleaseHDC(dc);
    }
    // The selection is asked for only when a caret could show: a selection hides it.
    auto selected = [this] {
        CHARRANGE selection = {0, 0};
        Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        return selection.cpMin < selection.cpMax;
    };
    if (m_caretCreated && m_caretShown && m_caretOn && focused && !selected()) {
        UIRect caret;
        if (GetCaretRect().Offset(rect.x, rect.y).Intersect(dirty, caret)) {
            Gdiplus::SolidBrush brush{Gdiplus::Color(kCaretColor)};
            context.graphics->FillRectangle(&brush, caret.x, caret.y, caret.width, caret.height);
        }
    }
}

void CUIRichEditView::PaintCueText(HDC dc, const UIRect& rect) {
    const CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!skin) return;
    const int indent = static_cast<int>(static_cast<float>(skin->GetTextIndent()) * g_dpiFactor);
    RECT area = {rect.x + indent, rect.y, rect.x + rect.width - indent, rect.y + rect.height};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kCueTextColor);
    HGDIOBJ old = SelectObject(dc, skin->GetGdiFont());
    DrawTextW(dc, m_cueText.GetString(), m_cueText.GetLength(), &area, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
}

void CUIRichEditView::OnSize(int, int) {
    if (ITextServices* services = GetServices()) {
        // Wine takes a new client rectangle only from the second bit.
        const DWORD bits = TXTBIT_EXTENTCHANGE | TXTBIT_CLIENTRECTCHANGE;
        services->OnTxPropertyBitsChange(bits, bits);
    }
    CUIRichEdit* edit = GetEdit();
    if (edit && (edit->GetFlags() & kRichEditCentreLine)) edit->CentreVertically();
}

void CUIRichEditView::OnMove(int, int, int) {
    if (ITextServices* services = GetServices()) {
        services->OnTxPropertyBitsChange(TXTBIT_CLIENTRECTCHANGE, TXTBIT_CLIENTRECTCHANGE);
    }
}

void CUIRichEditView::OnTimer(UINT localId) { Send(WM_TIMER, localId, 0); }

void CUIRichEditView::OnSetFocus(int) {
    Send(WM_SETFOCUS, 0, 0);
    if (!m_cueText.IsEmpty()) Invalidate();
}

void CUIRichEditView::OnKillFocus() {
    Send(WM_KILLFOCUS, 0, 0);
    if (m_caretShown) {
        m_caretShown = false;
        InvalidateCaret();
    }
    if (!m_cueText.IsEmpty()) Invalidate();
}

bool CUIRichEditView::OnSetCursor() {
    ITextServices* services = GetServices();
    if (!services) return false;
    POINT pt;
    GetCursorPos(pt);
    const RECT client = m_host->GetFormatRect(m_rect.width, m_rect.height);
    services->OnTxSetCursor(DVASPECT_CONTENT, -1, nullptr, nullptr, NULL, NULL, &client, pt.x, pt.y);
    return true;
}

void CUIRichEditView::SetCueText(const wchar_t* text) {
    m_cueText = text ? text : L"";
    Invalidate();
}

UIRect CUIRichEditView::GetCaretRect() const { return UIRect(m_caretX, m_caretY, m_caretWidth, m_caretHeight); }

void CUIRichEditView::InvalidateCaret() {
    UIRect area;
    if (m_caretCreated && GetCaretRect().Intersect(UIRect(0, 0, m_rect.width, m_rect.height), area)) {
        InvalidateRect(area);
    }
}

void CUIRichEditView::CreateCaret(int width, int height) {
    InvalidateCaret();
    // Width 0 asks for the system's width, as CreateCaret does.
    m_caretWidth = width > 0 ? width : 1;
    m_caretHeight = height;
    m_caretCreated = true;
}

void CUIRichEditView::ShowCaret(bool show) {
    m_caretShown = show;
    if (!show) {
        InvalidateCaret();
        return;
    }
    m_caretOn = true;
    InvalidateCaret();
    const UINT blink = GetCaretBlinkTime();
    CUIRichEdit* edit = GetEdit();
    if (edit && m_window && blink != INFINITE && blink != 0) m_window->SetControlTimer(edit, kCaretTimer, blink);
}

void CUIRichEditView::SetCaretPos(int x, int y) {
    if (!m_caretCreated) return;
    InvalidateCaret();
    m_caretX = x;
    m_caretY = y;
    m_caretOn = true;
    InvalidateCaret();
}

void CUIRichEditView::OnCaretTimer() {
    if (!m_caretShown || !HoldsKeyboard()) {
        // Nothing blinks until the services show the caret again.
        if (m_window && GetEdit()) m_window->KillControlTimer(GetEdit(), kCaretTimer);
        return;
    }
    m_caretOn = !m_caretOn;
    InvalidateCaret();
}

}  // namespace internal
}  // namespace wendaldui
