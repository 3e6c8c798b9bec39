// Mark-up text with clickable links: a link is chosen with the mouse, or with
// Tab (one link at a time) and Space, and then opened with the shell or
// reported to the owner as event 0.
#pragma once

#include <windows.h>

#include <cstdint>

#include "WendalDui/Control/UIControl.h"
#include "WendalDui/Core/FormattedText.h"
#include "core/WString.h"

namespace wendaldui {

class CTextGlow;

enum LinkStyle : uint32_t {
    kLinkOpenWithShell = 0x10000,  // else event 0 (p1 = href, p2 = its length)
    kLinkBold = 0x20000,
    kLinkItalic = 0x40000,
    kLinkGlow = 0x80000,
};

// Every "open this link" of the UI goes through here, so tests can put a
// recorder in place and never start a browser or an explorer window.
typedef HINSTANCE (*ShellOpenFunction)(const wchar_t* target);
// Returns the function used before; null restores ShellExecuteW "open".
ShellOpenFunction SetShellOpenFunction(ShellOpenFunction function);
HINSTANCE ShellOpen(const wchar_t* target);

class CUILinkCtrl : public CUIControl {
public:
    CUILinkCtrl() = default;
    ~CUILinkCtrl() override;

    // A negative length takes the text up to its terminator. The same text
    // again changes nothing (the keyboard's link stays chosen).
    void SetText(const wchar_t* text, int length);
    // The size the text needs when wrapped at that width.
    SIZE MeasureText(int width);

    CFormattedText& GetFormattedText() { return m_formatted; }
    int GetHotLink() const { return m_hotLink; }

    CUIControl* GetNextTabStop(bool backward) override;
    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    void OnPaint(PaintContext& context) override;
    void OnKillFocus() override;
    void OnSetFocus(int reason) override;
    bool OnSetCursor() override;
    void OnSkinChanged(uint32_t bits) override;

private:
    // Hands the text to the mark-up engine with the bold and italic styles
    // of `flags` opening it.
    void ApplyText(uint32_t flags);
    void ApplySkinFace();
    // The links exist only once the text is laid out; keyboard handling may
    // come before the first paint.
    void EnsureLayout();
    int LinkCount() const;
    void ActivateLink(const wchar_t* href, int length);
    void MarkGlowStale();

    WString m_text;
    CFormattedText m_formatted;
    CTextGlow* m_glow = nullptr;
    int m_pressedLink = -1;
    int m_hotLink = -1;
};

}  // namespace wendaldui
