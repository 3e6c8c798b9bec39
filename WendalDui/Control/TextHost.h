// The host of a windowless RichEdit: the text services of Msftedit.dll ask it
// about the client area, colours, scroll bars, caret and timers, and it
// answers from the rich edit's view and state. Reference counted; the view
// holds one reference, and the host holds the text services.
#pragma once

#include <windows.h>
#include <richedit.h>
#include <textserv.h>

#include <cstdint>

namespace wendaldui {
namespace internal {

class CUIRichEditView;

class CTextHost : public ITextHost {
public:
    // Property bits 0x100 (no drag), the highlight colours of the system,
    // password character U+25CF, no inset; one reference, the caller's.
    explicit CTextHost(CUIRichEditView* owner);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ITextHost, in the interface's order.
    HDC TxGetDC() override;
    INT TxReleaseDC(HDC dc) override;
    BOOL TxShowScrollBar(INT bar, BOOL show) override;
    BOOL TxEnableScrollBar(INT flags, INT arrows) override;
    BOOL TxSetScrollRange(INT bar, LONG min, INT max, BOOL redraw) override;
    BOOL TxSetScrollPos(INT bar, INT pos, BOOL redraw) override;
    void TxInvalidateRect(LPCRECT rect, BOOL mode) override;
    void TxViewChange(BOOL update) override;
    BOOL TxCreateCaret(HBITMAP bitmap, INT width, INT height) override;
    BOOL TxShowCaret(BOOL show) override;
    BOOL TxSetCaretPos(INT x, INT y) override;
    BOOL TxSetTimer(UINT id, UINT timeout) override;
    void TxKillTimer(UINT id) override;
    void TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN update, LPRECT updateRect,
                          UINT flags) override;
    void TxSetCapture(BOOL capture) override;
    void TxSetFocus() override;
    void TxSetCursor(HCURSOR cursor, BOOL text) override;
    BOOL TxScreenToClient(LPPOINT pt) override;
    BOOL TxClientToScreen(LPPOINT pt) override;
    HRESULT TxActivate(LONG* oldState) override;
    HRESULT TxDeactivate(LONG newState) override;
    HRESULT TxGetClientRect(LPRECT rect) override;
    HRESULT TxGetViewInset(LPRECT rect) override;
    HRESULT TxGetCharFormat(const CHARFORMATW** format) override;
    HRESULT TxGetParaFormat(const PARAFORMAT** format) override;
    COLORREF TxGetSysColor(int index) override;
    HRESULT TxGetBackStyle(TXTBACKSTYLE* style) override;
    HRESULT TxGetMaxLength(DWORD* length) override;
    HRESULT TxGetScrollBars(DWORD* scrollBars) override;
    HRESULT TxGetPasswordChar(TCHAR* ch) override;
    HRESULT TxGetAcceleratorPos(LONG* cp) override;
    HRESULT TxGetExtent(LPSIZEL extent) override;
    HRESULT OnTxCharFormatChange(const CHARFORMATW* format) override;
    HRESULT OnTxParaFormatChange(const PARAFORMAT* format) override;
    HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) override;
    HRESULT TxNotify(DWORD code, void* data) override;
    HIMC TxImmGetContext() override;
    void TxImmReleaseContext(HIMC context) override;
    HRESULT TxGetSelectionBarWidth(LONG* width) override;

    // The text-services bits that host property bits stand for.
    static DWORD MapPropertyBits(uint32_t hostBits);

    // Null until InitTextHostTextServices succeeded.
    ITextServices* GetServices() const { return m_services; }
    uint32_t GetPropertyBits() const { return m_propertyBits; }
    // Stores the bits and tells the services which of theirs changed.
    void SetPropertyBits(uint32_t bits);
    void SetSelectionColors(COLORREF selection, COLORREF selectedText);
    // The inset in HIMETRIC; the services are told when they exist.
    void SetViewInset(const RECT& inset);
    const RECT& GetViewInset() const { return m_viewInset; }
    // Where the text lies in a view of that size: the view narrowed by the
    // inset, in pixels. It is the client rectangle the services are given.
    RECT GetFormatRect(int width, int height) const;
    // The view is going away: later calls of the services find no owner.
    void Detach() { m_owner = nullptr; }

    // Hosts alive in the process (a leak shows here).
    static LONG GetLiveCount();

protected:
    // Called by Release at zero; releases the text services.
    virtual ~CTextHost();

private:
    friend void InitTextHostTextServices(CTextHost* host, uint32_t bits);

    HWND GetHwnd() const;

    LONG m_refCount = 1;
    const IID* m_iidTextHost = nullptr;
    ITextServices* m_services = nullptr;
    CUIRichEditView* m_owner;
    uint32_t m_propertyBits = 0x100;
    COLORREF m_selectionColor;
    COLORREF m_selectedTextColor;
    wchar_t m_passwordChar = 0x25CF;
    RECT m_viewInset = {0, 0, 0, 0};
};

// ORs bits into the host's property bits and creates its text services from
// the RichEdit module the application loaded; a missing export or a failed
// query throws dui_exception.
void InitTextHostTextServices(CTextHost* host, uint32_t bits);

}  // namespace internal
}  // namespace wendaldui
