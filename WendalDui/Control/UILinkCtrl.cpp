#include "WendalDui/Control/UILinkCtrl.h"

#include <gdiplus.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/SkinPaint.h"
#include "WendalDui/Core/TextGlow.h"

namespace wendaldui {

namespace {

constexpr uint32_t kGlowColor = 0x4D000000;
constexpr wchar_t kFallbackFace[] = L"微软雅黑";

HINSTANCE ShellExecuteOpen(const wchar_t* target) {
    return ShellExecuteW(NULL, L"open", target, NULL, NULL, SW_SHOWNORMAL);
}

ShellOpenFunction g_shellOpen = ShellExecuteOpen;

// A device context to measure with: the skin's, or a memory one without a skin.
class MeasureDC : private wendal_::noncopyable {
public:
    MeasureDC() {
        CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
        m_graphics = skin ? skin->GetMeasureGraphics() : nullptr;
        m_dc = m_graphics ? m_graphics->GetHDC() : CreateCompatibleDC(NULL);
    }
    ~MeasureDC() {
        if (m_graphics) {
            m_graphics->ReleaseHDC(m_dc);
        } else if (m_dc) {
            DeleteDC(m_dc);
        }
    }
    HDC Get() const { return m_dc; }

private:
    Gdiplus::Graphics* m_graphics;
    HDC m_dc;
};

}  // namespace

ShellOpenFunction SetShellOpenFunction(ShellOpenFunction function) {
    const ShellOpenFunction previous = g_shellOpen;
    g_shellOpen = function ? function : ShellExecuteOpen;
    return previous;
}

HINSTANCE ShellOpen(const wchar_t* target) { return g_shellOpen(target); }

CUILinkCtrl::~CUILinkCtrl() { delete m_glow; }

void CUILinkCtrl::SetText(const wchar_t* text, int length) {
    if (!text) {
        text = L"";
        length = 0;
    }
    if (length < 0) length = static_cast<int>(wcslen(text));
    if (length == m_text.GetLength() && wmemcmp(text, m_text.GetString(), static_cast<size_t>(length)) == 0) return;
    m_text.Assign(text, length);
    ApplyText(m_flags);
    m_pressedLink = -1;
    m_hotLink = -1;
    MarkGlowStale();
    Invalidate();
}

SIZE CUILinkCtrl::MeasureText(int width) {
    MeasureDC dc;
    return m_formatted.Measure(dc.Get(), width);
}

void CUILinkCtrl::ApplyText(uint32_t flags) {
    // An unclosed tag lasts to the end, and a closing tag removes the latest
    // one of its kind: the caller's own <b>...</b> leaves these in force.
    std::wstring text;
    if (flags & kLinkBold) text += L"<b>";
    if (flags & kLinkItalic) text += L"<i>";
    text.append(m_text.GetString(), static_cast<size_t>(m_text.GetLength()));
    m_formatted.SetText(text.c_str(), static_cast<int>(text.size()));
}

void CUILinkCtrl::ApplySkinFace() {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    const wchar_t* face = skin ? skin->GetFontFace().GetString() : nullptr;
    m_formatted.SetFontFace(face && wcslen(face) < 32 ? face : kFallbackFace);
}

void CUILinkCtrl::MarkGlowStale() {
    if (m_glow) m_glow->MarkStale();
}

void CUILinkCtrl::EnsureLayout() {
    if (m_rect.width <= 0) return;
    // Drawing into an empty rect lays the text out (when needed) and inks nothing.
    MeasureDC dc;
    const RECT nowhere = {0, 0, m_rect.width, 0};
    m_formatted.Draw(dc.Get(), nowhere);
}

int CUILinkCtrl::LinkCount() const {
    int count = 0;
    while (m_formatted.GetLink(count)) ++count;
    return count;
}

void CUILinkCtrl::ActivateLink(const wchar_t* href, int length) {
    if (!(m_flags & kLinkOpenWithShell)) {
        FireEvent(kEventClick, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(href)), static_cast<uint32_t>(length));
        return;
    }
    if (!href || length <= 0) return;
    const std::wstring target(href, static_cast<size_t>(length));
    ShellOpen(target.c_str());
}

void CUILinkCtrl::OnCreate(void*) {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    const float fontSize = skin ? skin->GetFontSize() : 12.0f;
    m_formatted.SetFontSize(std::max(1, static_cast<int>(fontSize * g_dpiFactor)));
    ApplySkinFace();
    m_formatted.SetDefaultColor(ArgbToColorRef(skin ? skin->GetColor(0) : 0xFF000000));
    ApplyText(m_flags);
    if (m_flags & kLinkGlow) {
        delete m_glow;
        m_glow = new CTextGlow(kGlowColor, static_cast<int>(g_dpiFactor));
    }
}

void CUILinkCtrl::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIControl::OnFlagChange(newFlags, bit, value, accepted);
    if (accepted) return;
    if (bit == kLinkOpenWithShell) {
        accepted = true;
    } else if (bit == kLinkBold || bit == kLinkItalic) {
        accepted = true;
        ApplyText((m_flags & ~bit) | value);
        MarkGlowStale();
        Invalidate();
    }
}

void CUILinkCtrl::OnSkinChanged(uint32_t bits) {
    if (!(bits & kSkinChangedFont)) return;
    ApplySkinFace();
    MarkGlowStale();
}

void CUILinkCtrl::OnPaint(PaintContext& context) {
    const UIRect& r = context.rect;
    if (m_glow) m_glow->DrawFormatted(context.graphics, m_formatted, r, context.dirty);
    HDC dc = context.graphics->GetHDC();
    if (dc) {
        const RECT area = {r.x, r.y, r.x + r.width, r.y + r.height};
        m_formatted.Draw(dc, area);
        context.graphics->ReleaseHDC(dc);
    }
    int reason = 0;
    const CFormattedText::Link* hot = m_formatted.GetLink(m_hotLink);
    if (hot && HasFocus(&reason) && reason == kFocusByTab) {
        for (const UIRect& rect : hot->rects) DrawFocusRect(context.graphics, rect.Offset(r.x, r.y));
    }
}

void CUILinkCtrl::OnLButtonDown(WPARAM, int x, int y) {
    const POINT pt = {x, y};
    m_pressedLink = m_formatted.HitTestLink(pt, nullptr, nullptr);
    if (m_pressedLink != m_hotLink) {
        m_hotLink = m_pressedLink;
        Invalidate();
    }
}

void CUILinkCtrl::OnLButtonUp(WPARAM, int x, int y) {
    const POINT pt = {x, y};
    const wchar_t* href = nullptr;
    int length = 0;
    const int link = m_formatted.HitTestLink(pt, &href, &length);
    if (link >= 0 && link == m_pressedLink) ActivateLink(href, length);
}

void CUILinkCtrl::OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    if (vk == VK_TAB) {
        CUIControl::OnKeyDown(vk, repeat, keyFlags);
        return;
    }
    int reason = 0;
    // A held key repeats its key-down; the press opens the link once.
    if (vk != VK_SPACE || (keyFlags & kKeyWasDown) || !HasFocus(&reason) || reason != kFocusByTab) return;
    if (const CFormattedText::Link* hot = m_formatted.GetLink(m_hotLink)) ActivateLink(hot->target, hot->targetLength);
}

CUIControl* CUILinkCtrl::GetNextTabStop(bool backward) {
    // Only the control holding the focus walks its links; asked on behalf of
    // another control, it must not claim to be the next stop.
    if (!HasFocus()) return CUIControl::GetNextTabStop(backward);
    EnsureLayout();
    const int count = LinkCount();
    if (count == 0) return CUIControl::GetNextTabStop(backward);
    m_hotLink += backward ? -1 : 1;
    Invalidate();
    if (m_hotLink >= 0 && m_hotLink < count) return this;
    m_hotLink = -1;
    return CUIControl::GetNextTabStop(backward);
}

void CUILinkCtrl::OnSetFocus(int) {
    EnsureLayout();
    m_hotLink = LinkCount() > 0 ? 0 : -1;
    Invalidate();
}

void CUILinkCtrl::OnKillFocus() {
    m_hotLink = -1;
    Invalidate();
}

bool CUILinkCtrl::OnSetCursor() {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    POINT pt;
    GetCursorPos(pt);
    if (!skin || m_formatted.HitTestLink(pt, nullptr, nullptr) < 0) return false;
    SetCursor(skin->GetHandCursor());
    return true;
}

}  // namespace wendaldui
