#include "WendalDui/Control/UIScrollBarBody.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstdint>

#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Control/UIScrollBar.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {
namespace internal {

namespace {

constexpr UINT kColorTimer = 1;
constexpr UINT kRepeatTimer = 10;
constexpr UINT kRepeatMs = 50;
// Ticks that only count before the page repeat begins (200 ms after the press).
constexpr int kRepeatDelayTicks = 3;
constexpr int kTrackEntry = 28;
constexpr int kThumbEntry = 32;

}  // namespace

int CUIScrollBarBody::MinThumbLength() { return static_cast<int>(20 * g_dpiFactor); }

bool CUIScrollBarBody::CalcThumb(int length, int min, int max, int page, int pos, int minThumb, int& start,
                                 int& end) {
    start = end = 0;
    const int64_t range = static_cast<int64_t>(max) - min;
    if (length <= 0 || range <= 0 || page >= range) return false;
    if (length <= minThumb) {
        // No room to move a thumb of the minimum length.
        end = length;
        return true;
    }
    // Products in 64 bits: a long track over a large range overflows 32.
    const int64_t offset = ClampScroll(static_cast<int64_t>(pos) - min, 0, range - page);
    int64_t first = length * offset / range;
    int64_t last = length * (offset + page) / range;
    if (last - first < minThumb) {
        // The thumb is drawn at the minimum and travels the rest of the track.
        first = (length - minThumb) * offset / (range - page);
        last = first + minThumb;
    }
    start = static_cast<int>(first);
    end = static_cast<int>(last);
    return true;
}

int CUIScrollBarBody::CalcDragPos(int length, int min, int max, int page, int startPos, int distance, int snap,
                                  int minThumb) {
    const int64_t range = static_cast<int64_t>(max) - min;
    if (length <= minThumb || range <= 0 || page >= range) return startPos;
    const int64_t offset = static_cast<int64_t>(startPos) - min;
    const int64_t natural = length * (offset + page) / range - length * offset / range;
    // A thumb at its natural length moves with the range; a lengthened one
    // maps the track left beside it onto the scrollable part.
    const int64_t delta = natural >= minThumb ? range * distance / length
                                              : (range - page) * distance / (length - minThumb);
    const int64_t step = snap < 1 ? 1 : snap;
    const int64_t snapped = (step / 2 - min + delta + startPos) / step * step + min;
    return static_cast<int>(ClampScroll(snapped, min, static_cast<int64_t>(max) - page));
}

bool CUIScrollBarBody::Thumb(int& start, int& end) const {
    return CalcThumb(TrackLength(), m_min, m_max, m_page, m_pos, MinThumbLength(), start, end);
}

void CUIScrollBarBody::MoveThumb(int pos) {
    int oldStart = 0, oldEnd = 0, start = 0, end = 0;
    const bool had = Thumb(oldStart, oldEnd);
    m_pos = pos;
    const bool has = Thumb(start, end);
    if (had == has && oldStart == start && oldEnd == end) return;
    if (!had || !has) {
        Invalidate();
        return;
    }
    // The thumb moves in every frame of a smooth scroll: the track beside it
    // is painted again only where the thumb was.
    const int from = std::min(oldStart, start), to = std::max(oldEnd, end);
    InvalidateRect(IsHorizontal() ? UIRect(from, 0, to - from, m_rect.height)
                                  : UIRect(0, from, m_rect.width, to - from));
}

int CUIScrollBarBody::PartAt(int along) const {
    int start = 0, end = 0;
    if (!Thumb(start, end) || along < 0 || along >= TrackLength()) return kPartNone;
    if (along < start) return kPartBefore;
    return along < end ? kPartThumb : kPartAfter;
}

int CUIScrollBarBody::HitPart(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_rect.width || y >= m_rect.height) return kPartNone;
    return PartAt(IsHorizontal() ? x : y);
}

bool CUIScrollBarBody::SetScrollRange(int min, int max, int page) {
    const int oldPos = m_pos;
    const bool changed = min != m_min || max != m_max || page != m_page;
    m_min = min;
    m_max = max;
    m_page = page;
    m_pos = static_cast<int>(ClampScroll(m_pos, m_min, static_cast<int64_t>(m_max) - m_page));
    if (!changed && m_pos == oldPos) return false;
    Invalidate();
    return true;
}

bool CUIScrollBarBody::SetScrollPos(int pos) {
    const int clamped = static_cast<int>(ClampScroll(pos, m_min, static_cast<int64_t>(m_max) - m_page));
    if (clamped == m_pos) return false;
    MoveThumb(clamped);
    return true;
}

void CUIScrollBarBody::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIControl::OnFlagChange(newFlags, bit, value, accepted);
    if (bit == kScrollBodyHorizontal) {
        accepted = true;
        Invalidate();
    }
}

void CUIScrollBarBody::OnCreate(void*) {
    m_visualState = IsEffectivelyEnabled() ? kVisualNormal : kVisualDisabled;
    RestTween(m_thumbTween, PaletteColor(kThumbEntry + m_visualState));
    RestTween(m_trackTween, PaletteColor(kTrackEntry + m_visualState));
}

void CUIScrollBarBody::SetVisualState(int state) {
    const int target = IsEffectivelyEnabled() ? state : kVisualDisabled;
    if (target == m_visualState) return;
    m_visualState = target;
    const int frames = target == kVisualPressed ? 3 : 4;
    RetargetTween(m_thumbTween, PaletteColor(kThumbEntry + target), frames);
    RetargetTween(m_trackTween, PaletteColor(kTrackEntry + target), frames);
    if (m_window) m_window->SetControlTimer(this, kColorTimer, 20);
}

void CUIScrollBarBody::SendPage() {
    if (CUIScrollBar* bar = static_cast<CUIScrollBar*>(m_parent)) {
        bar->SendRequest(m_pressedPart == kPartBefore ? SB_PAGEUP : SB_PAGEDOWN);
    }
}

void CUIScrollBarBody::StopRepeat() {
    if (m_window) m_window->KillControlTimer(this, kRepeatTimer);
}

void CUIScrollBarBody::OnLButtonDown(WPARAM, int x, int y) {
    m_dragOrigin = IsHorizontal() ? x : y;
    m_dragStartPos = m_pos;
    m_pressedPart = HitPart(x, y);
    if (m_pressedPart == kPartBefore || m_pressedPart == kPartAfter) {
        SendPage();
        m_repeatCounter = 0;
        if (m_window) m_window->SetControlTimer(this, kRepeatTimer, kRepeatMs);
    }
    SetVisualState(kVisualPressed);
}

void CUIScrollBarBody::OnMouseMove(WPARAM keys, int x, int y) {
    if (!(keys & MK_LBUTTON) || m_pressedPart == kPartNone) return;
    const int along = IsHorizontal() ? x : y;
    if (m_pressedPart != kPartThumb) {
        m_dragOrigin = along;  // the page repeat heads for the mouse
        return;
    }
    const int pos = CalcDragPos(TrackLength(), m_min, m_max, m_page, m_dragStartPos, along - m_dragOrigin, m_snap,
                                MinThumbLength());
    if (pos == m_pos) return;
    MoveThumb(pos);
    if (CUIScrollBar* bar = static_cast<CUIScrollBar*>(m_parent)) bar->SendRequest(SB_THUMBTRACK, m_pos);
}

void CUIScrollBarBody::OnLButtonUp(WPARAM, int, int) {
    const bool dragged = m_pressedPart == kPartThumb;
    m_pressedPart = kPartNone;
    StopRepeat();
    SetVisualState(kVisualHover);
    if (dragged) {
        if (CUIScrollBar* bar = static_cast<CUIScrollBar*>(m_parent)) bar->SendRequest(SB_THUMBPOSITION, m_pos);
    }
}

void CUIScrollBarBody::OnMouseEnter() { SetVisualState(kVisualHover); }

void CUIScrollBarBody::OnMouseLeave() { SetVisualState(kVisualNormal); }

void CUIScrollBarBody::OnEnable(bool enabled) {
    if (!enabled) {
        StopRepeat();
        m_pressedPart = kPartNone;
    }
    SetVisualState(enabled ? kVisualNormal : kVisualDisabled);
}

void CUIScrollBarBody::OnTimer(UINT localId) {
    if (localId == kRepeatTimer) {
        if (m_repeatCounter < kRepeatDelayTicks) {
            ++m_repeatCounter;
            return;
        }
        // Stop once the thumb has reached the mouse; a page that carried it
        // past must not turn into paging on to the end.
        if (PartAt(m_dragOrigin) != m_pressedPart) {
            StopRepeat();
            return;
        }
        SendPage();
        return;
    }
    if (localId != kColorTimer) return;
    const bool thumb = m_thumbTween.Step();
    const bool track = m_trackTween.Step();
    Invalidate();
    if (!thumb && !track && m_window) m_window->KillControlTimer(this, kColorTimer);
}

void CUIScrollBarBody::OnPaint(PaintContext& context) {
    const UIRect& r = context.rect;
    Gdiplus::SolidBrush track{Gdiplus::Color(m_trackTween.GetValue())};
    int start = 0, end = 0;
    if (!Thumb(start, end)) {
        context.graphics->FillRectangle(&track, r.x, r.y, r.width, r.height);
        return;
    }
    // Three spans along the track, each across the bar's full width.
    auto span = [&](Gdiplus::Brush* brush, int from, int to) {
        if (to <= from) return;
        if (IsHorizontal()) {
            context.graphics->FillRectangle(brush, r.x + from, r.y, to - from, r.height);
        } else {
            context.graphics->FillRectangle(brush, r.x, r.y + from, r.width, to - from);
        }
    };
    Gdiplus::SolidBrush thumb{Gdiplus::Color(m_thumbTween.GetValue())};
    span(&track, 0, start);
    span(&thumb, start, end);
    span(&track, end, TrackLength());
}

}  // namespace internal
}  // namespace wendaldui
