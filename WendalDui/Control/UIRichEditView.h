// The view of a rich edit: the control whose rectangle the windowless
// RichEdit lives in. It forwards mouse, keyboard, timer, focus and IME
// traffic to the text services, lets them draw, and draws the cue text and
// the caret itself (a windowless RichEdit has no system caret).
#pragma once

#include <windows.h>

#include "WendalDui/Control/UIControl.h"
#include "WendalDui/Core/MessageFilter.h"
#include "core/WString.h"

struct ITextServices;

namespace wendaldui {

class CUIRichEdit;

namespace internal {

class CTextHost;

class CUIRichEditView : public CUIControl, public IMessageFilter {
public:
    // The edit's caret blink timer.
    static constexpr UINT kCaretTimer = 100;

    CUIRichEditView() = default;
    ~CUIRichEditView() override;

    // arg: the host property bits.
    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonDblClk(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnRButtonUp(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnMouseWheel(WPARAM keys, int delta, int x, int y) override;
    void OnChar(WPARAM ch, UINT repeat, LPARAM keyFlags) override;
    void OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    void OnKeyUp(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    void OnPaint(PaintContext& context) override;
    void OnSize(int width, int height) override;
    void OnMove(int reason, int x, int y) override;
    void OnTimer(UINT localId) override;
    void OnKillFocus() override;
    void OnSetFocus(int reason) override;
    bool OnSetCursor() override;
    // IME messages go to the services while the view has the focus.
    LRESULT MessageFilter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    CTextHost* GetHost() const { return m_host; }
    // The keyboard comes here: the window has the focus and so has every
    // control on the way down to the view.
    bool HoldsKeyboard() const;
    // Null without a host.
    ITextServices* GetServices() const;
    CUIRichEdit* GetEdit() const;
    // TxSendMessage; 0 without services.
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;

    // Drawn while the edit is empty and unfocused.
    void SetCueText(const wchar_t* text);
    const WString& GetCueText() const { return m_cueText; }

    // The caret as the services place it (TxCreateCaret, TxShowCaret, TxSetCaretPos).
    void CreateCaret(int width, int height);
    void ShowCaret(bool show);
    void SetCaretPos(int x, int y);
    // The caret in view coordinates.
    UIRect GetCaretRect() const;
    bool IsCaretShown() const { return m_caretCreated && m_caretShown; }
    // One tick of the blink timer.
    void OnCaretTimer();

private:
    // The keys that scroll a read-only text; true when vk was one.
    bool ScrollReadOnly(WPARAM vk);
    // Ctrl+Tab: the key goes to the services, and a tab character with it.
    void InsertCtrlTab(LPARAM keyFlags);
    void InvalidateCaret();
    void PaintCueText(HDC dc, const UIRect& rect);
    // The point in view coordinates as the services' lParam.
    LRESULT SendMouse(UINT message, WPARAM keys, int x, int y) const;

    int m_caretX = 0;
    int m_caretY = 0;
    int m_caretWidth = 1;
    int m_caretHeight = 0;
    bool m_caretCreated = false;
    bool m_caretShown = false;
    bool m_caretOn = false;
    WString m_cueText;
    CTextHost* m_host = nullptr;
    bool m_filterAdded = false;
    // An Enter whose key-down the edit's handler swallowed: its WM_CHAR goes too.
    bool m_swallowEnterChar = false;
};

}  // namespace internal
}  // namespace wendaldui
