#include "WendalDui/Control/TextHost.h"

#include <imm.h>

#include <algorithm>

#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Control/UIRichEditView.h"
#include "WendalDui/Control/UIScrollBar.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"
#include "WendalDui/Core/dui_exception.h"

namespace wendaldui {
namespace internal {

namespace {

LONG g_liveHosts = 0;

// Host bit -> text-services bit; the transparent bit has no counterpart.
const struct {
    uint32_t host;
    DWORD services;
} kBitMap[] = {
    {kRichEditReadOnly, TXTBIT_READONLY},         {kRichEditPassword, TXTBIT_USEPASSWORD},
    {kRichEditHideSelection, TXTBIT_HIDESELECTION}, {kRichEditMultiLine, TXTBIT_MULTILINE},
    {kRichEditWordWrap, TXTBIT_WORDWRAP},         {kRichEditRichText, TXTBIT_RICHTEXT},
    {kRichEditSaveSelection, TXTBIT_SAVESELECTION}, {kRichEditAutoWordSelect, TXTBIT_AUTOWORDSEL},
    {kRichEditNoDrag, TXTBIT_DISABLEDRAG},        {kRichEditAllowBeep, TXTBIT_ALLOWBEEP},
};

}  // namespace

CTextHost::CTextHost(CUIRichEditView* owner)
    : m_owner(owner),
      m_selectionColor(GetSysColor(COLOR_HIGHLIGHT)),
      m_selectedTextColor(GetSysColor(COLOR_HIGHLIGHTTEXT)) {
    InterlockedIncrement(&g_liveHosts);
}

CTextHost::~CTextHost() {
    if (m_services) m_services->Release();
    InterlockedDecrement(&g_liveHosts);
}

LONG CTextHost::GetLiveCount() { return g_liveHosts; }

HRESULT CTextHost::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || (m_iidTextHost && IsEqualIID(iid, *m_iidTextHost))) {
        *object = static_cast<ITextHost*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CTextHost::AddRef() { return InterlockedIncrement(&m_refCount); }

ULONG CTextHost::Release() {
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0) delete this;
    return count;
}

DWORD CTextHost::MapPropertyBits(uint32_t hostBits) {
    DWORD bits = 0;
    for (const auto& entry : kBitMap) {
        if (hostBits & entry.host) bits |= entry.services;
    }
    return bits;
}

void CTextHost::SetPropertyBits(uint32_t bits) {
    const uint32_t changed = m_propertyBits ^ bits;
    m_propertyBits = bits;
    if (m_services && MapPropertyBits(changed)) {
        m_services->OnTxPropertyBitsChange(MapPropertyBits(changed), MapPropertyBits(bits));
    }
    if ((changed & kRichEditTransparent) && m_owner) m_owner->Invalidate();
}

void CTextHost::SetViewInset(const RECT& inset) {
    m_viewInset = inset;
    // The inset narrows the client rectangle (see TxGetViewInset), which the
    // services read again only on TXTBIT_CLIENTRECTCHANGE.
    const DWORD bits = TXTBIT_VIEWINSETCHANGE | TXTBIT_CLIENTRECTCHANGE;
    if (m_services) m_services->OnTxPropertyBitsChange(bits, bits);
    if (m_owner) m_owner->Invalidate();
}

RECT CTextHost::GetFormatRect(int width, int height) const {
    // HIMETRIC to pixels, rounded: the inverse of the edit's conversion.
    auto pixels = [](LONG himetric) { return MulDiv(himetric, g_screenDpi, 2540); };
    RECT rect = {pixels(m_viewInset.left), pixels(m_viewInset.top), width - pixels(m_viewInset.right),
                 height - pixels(m_viewInset.bottom)};
    // A view narrower than its insets keeps an empty rectangle, never an inverted one.
    rect.right = std::max(rect.left, rect.right);
    rect.bottom = std::max(rect.top, rect.bottom);
    return rect;
}

void CTextHost::SetSelectionColors(COLORREF selection, COLORREF selectedText) {
    m_selectionColor = selection;
    m_selectedTextColor = selectedText;
}

HWND CTextHost::GetHwnd() const {
    return m_owner && m_owner->GetWindow() ? m_owner->GetWindow()->GetHWND() : NULL;
}

HDC CTextHost::TxGetDC() { return GetDC(GetHwnd()); }

INT CTextHost::TxReleaseDC(HDC dc) { return ReleaseDC(GetHwnd(), dc); }

BOOL CTextHost::TxShowScrollBar(INT bar, BOOL show) {
    CUIRichEdit* edit = m_owner ? m_owner->GetEdit() : nullptr;
    if (!edit) return FALSE;
    const bool vertical = bar == SB_VERT || bar == SB_BOTH ? show != FALSE : edit->IsVerticalBarShown();
    const bool horizontal = bar == SB_HORZ || bar == SB_BOTH ? show != FALSE : edit->IsHorizontalBarShown();
    if (vertical != edit->IsVerticalBarShown() || horizontal != edit->IsHorizontalBarShown()) {
        edit->ShowScrollBars(vertical, horizontal);
    }
    return TRUE;
}

BOOL CTextHost::TxEnableScrollBar(INT, INT) { return TRUE; }

namespace {

CUIScrollBar* BarOf(CUIRichEditView* owner, INT bar) {
    CUIRichEdit* edit = owner ? owner->GetEdit() : nullptr;
    if (!edit) return nullptr;
    return bar == SB_VERT ? edit->GetVerticalBar() : bar == SB_HORZ ? edit->GetHorizontalBar() : nullptr;
}

// The services hand the bars a range cut to 16 bits (a text taller than
// 65,535 pixels comes scaled down), while the thumb's position goes back to
// them through EM_SETSCROLLPOS in pixels. The bars therefore take the
// services' own pixel figures, whatever numbers came with the call.
bool PixelScrollInfo(ITextServices* services, INT bar, LONG& min, LONG& max, LONG& pos, LONG& page) {
    if (!services) return false;
    const HRESULT hr = bar == SB_VERT ? services->TxGetVScroll(&min, &max, &pos, &page, nullptr)
                                      : services->TxGetHScroll(&min, &max, &pos, &page, nullptr);
    return SUCCEEDED(hr);
}

}  // namespace

BOOL CTextHost::TxSetScrollRange(INT bar, LONG min, INT max, BOOL) {
    CUIScrollBar* scrollBar = BarOf(m_owner, bar);
    if (!scrollBar) return FALSE;
    LONG pixelMin = min, pixelMax = max, pos = 0, page = 0;
    PixelScrollInfo(m_services, bar, pixelMin, pixelMax, pos, page);
    // The bar repaints itself only when something changed.
    scrollBar->SetScrollRange(pixelMin, pixelMax, page);
    return TRUE;
}

BOOL CTextHost::TxSetScrollPos(INT bar, INT pos, BOOL) {
    CUIScrollBar* scrollBar = BarOf(m_owner, bar);
    if (!scrollBar) return FALSE;
    LONG min = 0, max = 0, pixelPos = pos, page = 0;
    PixelScrollInfo(m_services, bar, min, max, pixelPos, page);
    // Text shorter than a page gives max - page < min: the position is min.
    // The bar repaints itself when the position changed.
    scrollBar->SetScrollPos(static_cast<int>(ClampScroll(pixelPos, min, static_cast<int64_t>(max) - page)));
    return TRUE;
}

void CTextHost::TxInvalidateRect(LPCRECT rect, BOOL) {
    if (!m_owner) return;
    if (rect) {
        m_owner->InvalidateRect(UIRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top));
    } else {
        m_owner->Invalidate();
    }
}

void CTextHost::TxViewChange(BOOL update) {
    if (update && GetHwnd()) UpdateWindow(GetHwnd());
}

BOOL CTextHost::TxCreateCaret(HBITMAP, INT width, INT height) {
    if (m_owner) m_owner->CreateCaret(width, height);
    return TRUE;
}

BOOL CTextHost::TxShowCaret(BOOL show) {
    if (m_owner) m_owner->ShowCaret(show != FALSE);
    return TRUE;
}

BOOL CTextHost::TxSetCaretPos(INT x, INT y) {
    if (m_owner) m_owner->SetCaretPos(x, y);
    return TRUE;
}

BOOL CTextHost::TxSetTimer(UINT id, UINT timeout) {
    if (!m_owner || !m_owner->GetWindow()) return FALSE;
    return m_owner->GetWindow()->SetControlTimer(m_owner, id, timeout) ? TRUE : FALSE;
}

void CTextHost::TxKillTimer(UINT id) {
    if (m_owner && m_owner->GetWindow()) m_owner->GetWindow()->KillControlTimer(m_owner, id);
}

void CTextHost::TxScrollWindowEx(INT, INT, LPCRECT scroll, LPCRECT clip, HRGN, LPRECT, UINT) {
    // The view is drawn afresh rather than shifted: what the services
    // scrolled must be painted again. (Wine's services scroll this way for
    // every step shorter than the view: the wheel, the arrows, the keys.)
    TxInvalidateRect(clip ? clip : scroll, TRUE);
}

void CTextHost::TxSetCapture(BOOL) {}

void CTextHost::TxSetFocus() {
    if (m_owner) m_owner->SetFocus(kFocusByProgram);
}

void CTextHost::TxSetCursor(HCURSOR cursor, BOOL) { SetCursor(cursor); }

BOOL CTextHost::TxScreenToClient(LPPOINT pt) {
    if (!pt || !GetHwnd() || !ScreenToClient(GetHwnd(), pt)) return FALSE;
    const UIRect rect = m_owner->GetWindowRect();
    pt->x -= rect.x;
    pt->y -= rect.y;
    return TRUE;
}

BOOL CTextHost::TxClientToScreen(LPPOINT pt) {
    if (!pt || !GetHwnd()) return FALSE;
    const UIRect rect = m_owner->GetWindowRect();
    pt->x += rect.x;
    pt->y += rect.y;
    return ClientToScreen(GetHwnd(), pt);
}

HRESULT CTextHost::TxActivate(LONG* oldState) {
    if (oldState) *oldState = 0;
    return S_OK;
}

HRESULT CTextHost::TxDeactivate(LONG) { return S_OK; }

HRESULT CTextHost::TxGetClientRect(LPRECT rect) {
    if (!rect) return E_INVALIDARG;
    const UIRect size = m_owner ? m_owner->GetRect() : UIRect();
    *rect = GetFormatRect(size.width, size.height);
    return S_OK;
}

HRESULT CTextHost::TxGetViewInset(LPRECT rect) {
    if (!rect) return E_INVALIDARG;
    // Wine's services never ask for the inset, so the host narrows the
    // client rectangle by it instead (TxGetClientRect, and the bounds of
    // TxDraw); Windows lays the text out the same way in that rectangle.
    SetRectEmpty(rect);
    return S_OK;
}

HRESULT CTextHost::TxGetCharFormat(const CHARFORMATW**) { return E_NOTIMPL; }

HRESULT CTextHost::TxGetParaFormat(const PARAFORMAT**) { return E_NOTIMPL; }

COLORREF CTextHost::TxGetSysColor(int index) {
    if (index == COLOR_HIGHLIGHT) return m_selectionColor;
    if (index == COLOR_HIGHLIGHTTEXT) return m_selectedTextColor;
    return GetSysColor(index);
}

HRESULT CTextHost::TxGetBackStyle(TXTBACKSTYLE* style) {
    if (!style) return E_INVALIDARG;
    *style = TXTBACK_TRANSPARENT;  // the view fills the background itself
    return S_OK;
}

HRESULT CTextHost::TxGetMaxLength(DWORD*) { return E_NOTIMPL; }

HRESULT CTextHost::TxGetScrollBars(DWORD* scrollBars) {
    if (!scrollBars) return E_INVALIDARG;
    const CUIRichEdit* edit = m_owner ? m_owner->GetEdit() : nullptr;
    const uint32_t style = edit ? edit->GetFlags() : 0;
    *scrollBars = ES_AUTOVSCROLL | ES_AUTOHSCROLL | ((style & kScrollHasVertical) ? WS_VSCROLL : 0) |
                  ((style & kScrollHasHorizontal) ? WS_HSCROLL : 0);
    return S_OK;
}

HRESULT CTextHost::TxGetPasswordChar(TCHAR* ch) {
    if (!(m_propertyBits & kRichEditPassword)) return S_FALSE;
    if (ch) *ch = m_passwordChar;
    return S_OK;
}

HRESULT CTextHost::TxGetAcceleratorPos(LONG* cp) {
    if (cp) *cp = -1;
    return S_OK;
}

HRESULT CTextHost::TxGetExtent(LPSIZEL) { return E_NOTIMPL; }

HRESULT CTextHost::OnTxCharFormatChange(const CHARFORMATW*) { return S_OK; }

HRESULT CTextHost::OnTxParaFormatChange(const PARAFORMAT*) { return S_OK; }

HRESULT CTextHost::TxGetPropertyBits(DWORD mask, DWORD* bits) {
    if (!bits) return E_INVALIDARG;
    *bits = MapPropertyBits(m_propertyBits) & mask;
    return S_OK;
}

HRESULT CTextHost::TxNotify(DWORD code, void* data) {
    if (m_owner) {
        if (CUIRichEdit* edit = m_owner->GetEdit()) edit->OnTxNotify(code, data);
    }
    return S_OK;
}

HIMC CTextHost::TxImmGetContext() { return ImmGetContext(GetHwnd()); }

void CTextHost::TxImmReleaseContext(HIMC context) { ImmReleaseContext(GetHwnd(), context); }

HRESULT CTextHost::TxGetSelectionBarWidth(LONG* width) {
    if (width) *width = 0;
    return S_OK;
}

void InitTextHostTextServices(CTextHost* host, uint32_t bits) {
    host->m_propertyBits |= bits;
    host->m_selectionColor = GetSysColor(COLOR_HIGHLIGHT);
    host->m_selectedTextColor = GetSysColor(COLOR_HIGHLIGHTTEXT);
    // The application object loaded the module at start-up.
    HMODULE module = GetModuleHandleW(L"Msftedit.dll");
    const IID* iidTextHost = module ? reinterpret_cast<const IID*>(GetProcAddress(module, "IID_ITextHost")) : nullptr;
    if (!iidTextHost) DUI_THROW("GetProcAddress(\"IID_ITextHost\")", 0);
    host->m_iidTextHost = iidTextHost;
    PCreateTextServices create = reinterpret_cast<PCreateTextServices>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "CreateTextServices")));
    if (!create) DUI_THROW("GetProcAddress(\"CreateTextServices\")", 0);
    const IID* iidTextServices = reinterpret_cast<const IID*>(GetProcAddress(module, "IID_ITextServices"));
    if (!iidTextServices) DUI_THROW("GetProcAddress(\"IID_ITextServices\")", 0);
    IUnknown* unknown = nullptr;
    HRESULT hr = create(nullptr, host, &unknown);
    if (FAILED(hr) || !unknown) DUI_THROW("CreateTextServices", static_cast<uint32_t>(hr));
    void* services = nullptr;
    hr = unknown->QueryInterface(*iidTextServices, &services);
    unknown->Release();
    if (FAILED(hr) || !services) DUI_THROW("QueryInterface(piidTextServ)", static_cast<uint32_t>(hr));
    host->m_services = static_cast<ITextServices*>(services);
}

}  // namespace internal
}  // namespace wendaldui
