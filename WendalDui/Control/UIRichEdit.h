// The framework's text-entry control: a windowless RichEdit (Msftedit.dll)
// in a scroll container. Single-line fields, password fields and read-only
// logs are all this control with different host property bits. It adds the
// theme's font and colours, a cue text, a caret of its own, single-line
// vertical centring, a context menu, and focus and change events.
//
// Never put one in a layered window: the text services draw their glyphs
// with alpha 0, which a layered window shows as holes. In such a window the
// edit refuses to start its text services and stays an empty frame.
#pragma once

#include <windows.h>
#include <imm.h>
#include <richedit.h>

#include <cstdint>

#include "WendalDui/Control/UIScrollContainer.h"
#include "WendalDui/Core/Menu.h"
#include "core/WString.h"

struct ITextDocument;
struct ITextServices;

namespace wendaldui {

namespace internal {
class CUIRichEditView;
}

// The text object model's document interface; mingw's uuid library lacks it.
extern const IID kIID_ITextDocument;

// Styles (creation flags) besides those of the scroll container.
enum RichEditStyle : uint32_t {
    kRichEditCentreLine = 0x100000,  // centre a single line vertically
    kRichEditNoIme = 0x400000,       // the IME is switched off while the edit has the focus
};

// Host property bits: the create argument of the edit, added to kRichEditNoDrag.
enum RichEditBits : uint32_t {
    kRichEditReadOnly = 0x001,
    kRichEditPassword = 0x002,
    kRichEditHideSelection = 0x004,  // when unfocused
    kRichEditMultiLine = 0x008,
    kRichEditWordWrap = 0x010,
    kRichEditRichText = 0x020,
    kRichEditSaveSelection = 0x040,
    kRichEditAutoWordSelect = 0x080,
    kRichEditNoDrag = 0x100,
    kRichEditAllowBeep = 0x200,
    kRichEditTransparent = 0x400,  // the view paints no background
};

// Events besides focus (-256 / -255); p1 points at the notification's record.
constexpr int32_t kEventRichEditChanged = 0;  // EN_CHANGE, never for SetText
constexpr int32_t kEventRichEditLink = 1;     // EN_LINK: p1 = the ENLINK
// 2 EN_SELCHANGE (p1 = the SELCHANGE), 3 Enter (p1 = a BYTE* the handler sets to 1 to
// swallow the key), 4 EN_HSCROLL / EN_VSCROLL (p1 = the code): see EventData.h.

// Context-menu command ids.
enum RichEditCommand {
    kRichEditUndo = 1,
    kRichEditRedo = 2,
    kRichEditCut = 3,
    kRichEditCopy = 4,
    kRichEditPaste = 5,
    kRichEditDelete = 6,
    kRichEditSelectAll = 7,
};

class CUIRichEdit : public CUIScrollContainer {
public:
    // The caption InsertLinkText inserts: seven characters.
    static const wchar_t kLinkCaption[];

    CUIRichEdit() = default;
    ~CUIRichEdit() override;

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    // arg: host property bits (uintptr_t), added to kRichEditNoDrag.
    void OnCreate(void* arg) override;
    void OnMouseWheel(WPARAM keys, int delta, int x, int y) override;
    void OnKeyUp(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    void OnTimer(UINT localId) override;
    void OnKillFocus() override;
    void OnSetFocus(int reason) override;
    void OnEnable(bool enabled) override;
    void OnSkinChanged(uint32_t bits) override;
    void OnPostedCall(UINT code, WPARAM argument1, LPARAM argument2) override;
    CUIControl* CreateView(const ViewCreateInfo& info) override;
    void OnScrollBarEvent(EventData& e) override;

    // The whole text (paragraphs end in "\r"); empty when the services fail.
    WString GetText() const;
    // EM_SETTEXTEX with ST_UNICODE added (ST_SELECTION replaces the
    // selection only); raises no change event.
    LRESULT SetText(const wchar_t* text, DWORD flags = ST_DEFAULT);
    int GetTextLength() const;
    // The characters [start, end) into text; returns their count.
    int GetTextRange(LONG start, LONG end, WString& text) const;
    void SetSel(LONG start, LONG end);
    void GetSel(LONG& start, LONG& end) const;
    // The scroll position in pixels, which EM_SETSCROLLPOS takes back.
    // (EM_GETSCROLLPOS answers in 16 bits: a taller text's comes scaled down.)
    POINT GetScrollPos() const;
    // At most that many characters (EM_EXLIMITTEXT).
    void SetLimitText(LONG limit);
    // Appends at the end in that colour (COLORREF), read-only or not, without
    // a change event; the selection stays where it was. A plain-text edit has
    // one colour for all its text.
    void AppendText(const wchar_t* text, COLORREF color);
    // Replaces the selection with kLinkCaption formatted as a link; typing
    // after it continues in the format the selection had.
    void InsertLinkText();
    // The text object model's document, or null; the caller releases it.
    ITextDocument* GetTextDocument() const;
    // Any message to the text services (TxSendMessage); 0 without them.
    LRESULT SendEditMessage(UINT message, WPARAM wParam, LPARAM lParam) const;

    // Host property bits: SetPropertyBits is how a read-only log is made
    // writable for a moment.
    uint32_t GetPropertyBits() const;
    void SetPropertyBits(uint32_t bits);
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return (GetPropertyBits() & kRichEditReadOnly) != 0; }
    void SetPassword(bool password);
    bool IsPassword() const { return (GetPropertyBits() & kRichEditPassword) != 0; }
    void SetCueText(const wchar_t* text);

    // Opens the context menu at a screen point (the view takes the focus first).
    void ShowContextMenu(int x, int y);
    CMenu& GetContextMenu() { return m_menu; }
    internal::CUIRichEditView* GetEditView() const;

    // The host's TxNotify: the notifications become the edit's events.
    void OnTxNotify(DWORD code, void* data);
    // Sets the top and bottom insets that centre one line of the default
    // font (style kRichEditCentreLine).
    void CentreVertically();

private:
    ITextServices* Services() const;
    bool IsRichText() const { return (GetPropertyBits() & kRichEditRichText) != 0; }
    // The theme's face, size and text colour as the default character format.
    void SetDefaultCharFormat();
    // The selection colours from the palette when the skin asks for them.
    void ApplySelectionColors();
    // A one-line edit that is not being typed in shows its text from the
    // start, not wherever the caret last scrolled it.
    void ShowStartUnlessTyping();
    void DetachIme();
    void RestoreIme();

    HIMC m_savedIme = NULL;
    CMenu m_menu;
    // Off only while SetText or AppendText runs.
    bool m_changeEvents = true;
};

}  // namespace wendaldui
