#include "WendalDui/Control/UIScrollContainer2.h"

#include <algorithm>

#include "WendalDui/Control/UIScrollBar.h"
#include "WendalDui/Core/DuiWindow.h"

namespace wendaldui {

namespace {

constexpr UINT kVerticalTimer = 1;
constexpr UINT kHorizontalTimer = 2;
constexpr UINT kScrollTickMs = 10;
constexpr int kScrollFrames = 20;

// A position in [0, end].
int ClampPos(int value, int hi) { return static_cast<int>(internal::ClampScroll(value, 0, hi)); }

}  // namespace

void CUIScrollContainer2::SetLineCounts(int line, int page, int wheel) {
    m_lineCount = line;
    m_pageCount = page;
    m_wheelCount = wheel;
}

void CUIScrollContainer2::SetHorizontalSteps(int line, int page, int wheel) {
    m_horizontalLine = line;
    m_horizontalPage = page;
    m_horizontalWheel = wheel;
}

int CUIScrollContainer2::MaxY() const { return std::max(0, m_contentHeight - m_viewHeight); }

int CUIScrollContainer2::MaxX() const { return std::max(0, m_contentWidth - m_viewWidth); }

void CUIScrollContainer2::OnCreate(void* arg) {
    CUIScrollContainer::OnCreate(arg);
    m_verticalTween.SetEasing(kEaseOutQuad);
    m_horizontalTween.SetEasing(kEaseOutQuad);
    UpdateScrollBars();
}

void CUIScrollContainer2::OnSize(int width, int height) {
    UpdateScrollBars();
    CUIScrollContainer::OnSize(width, height);
}

void CUIScrollContainer2::ViewSizeFor(bool vertical, bool horizontal, int& width, int& height) {
    UIRect view, verticalBar, horizontalBar;
    CalcLayout(m_rect.width, m_rect.height, vertical, horizontal, view, verticalBar, horizontalBar);
    width = view.width;
    height = view.height;
    AdjustViewSize(width, height);
}

void CUIScrollContainer2::UpdateScrollBars() {
    const bool hasVertical = GetVerticalBar() != nullptr;
    const bool hasHorizontal = GetHorizontalBar() != nullptr;
    // From no bars, add the ones the content needs until none is missing. A
    // bar narrows the view and may call for the other, but bars are only
    // added, so this settles; deciding from the bars shown now could flip
    // between one bar and the other and store a view size for neither.
    bool vertical = false, horizontal = false;
    int width = 0, height = 0;
    for (;;) {
        ViewSizeFor(vertical, horizontal, width, height);
        const bool needVertical = vertical || (hasVertical && height < m_contentHeight);
        const bool needHorizontal = horizontal || (hasHorizontal && width < m_contentWidth);
        if (needVertical == vertical && needHorizontal == horizontal) break;
        vertical = needVertical;
        horizontal = needHorizontal;
    }
    m_viewWidth = width;
    m_viewHeight = height;
    if (vertical != IsVerticalBarShown() || horizontal != IsHorizontalBarShown()) {
        ShowScrollBars(vertical, horizontal);
    }
    if (CUIScrollBar* bar = GetVerticalBar()) bar->SetScrollRange(0, m_contentHeight, m_viewHeight);
    if (GetTargetY() > MaxY()) ScrollToY(MaxY(), true);
    if (CUIScrollBar* bar = GetHorizontalBar()) bar->SetScrollRange(0, m_contentWidth, m_viewWidth);
    if (GetTargetX() > MaxX()) ScrollToX(MaxX());
}

void CUIScrollContainer2::Animate(int barEvent, int pos) {
    const bool vertical = barEvent == kEventVScroll;
    CTween<int>& tween = vertical ? m_verticalTween : m_horizontalTween;
    // A new target during an animation starts from the value on screen.
    tween.Start(tween.GetValue(), pos, kScrollFrames);
    if (m_window) m_window->SetControlTimer(this, vertical ? kVerticalTimer : kHorizontalTimer, kScrollTickMs);
    StepScroll(barEvent);
}

void CUIScrollContainer2::JumpTo(int barEvent, int pos) {
    const bool vertical = barEvent == kEventVScroll;
    CTween<int>& tween = vertical ? m_verticalTween : m_horizontalTween;
    if (m_window) m_window->KillControlTimer(this, vertical ? kVerticalTimer : kHorizontalTimer);
    tween.Start(pos, pos, 1);
    if (CUIScrollBar* bar = vertical ? GetVerticalBar() : GetHorizontalBar()) bar->SetScrollPos(pos);
    OnScrollPosChanged(barEvent, pos);
}

void CUIScrollContainer2::StepScroll(int barEvent) {
    const bool vertical = barEvent == kEventVScroll;
    CTween<int>& tween = vertical ? m_verticalTween : m_horizontalTween;
    const bool running = tween.Step();
    const int value = tween.GetValue();
    if (CUIScrollBar* bar = vertical ? GetVerticalBar() : GetHorizontalBar()) bar->SetScrollPos(value);
    OnScrollPosChanged(barEvent, value);
    if (!running && m_window) m_window->KillControlTimer(this, vertical ? kVerticalTimer : kHorizontalTimer);
}

void CUIScrollContainer2::OnTimer(UINT localId) {
    if (localId == kVerticalTimer) {
        StepScroll(kEventVScroll);
    } else if (localId == kHorizontalTimer) {
        StepScroll(kEventHScroll);
    } else {
        CUIScrollContainer::OnTimer(localId);
    }
}

void CUIScrollContainer2::ScrollToY(int pos, bool animate) {
    pos = ClampPos(pos, MaxY());
    if (pos == GetTargetY()) return;
    if (animate) {
        Animate(kEventVScroll, pos);
    } else {
        JumpTo(kEventVScroll, pos);
    }
}

void CUIScrollContainer2::ScrollToX(int pos) {
    pos = ClampPos(pos, MaxX());
    if (pos != GetTargetX()) Animate(kEventHScroll, pos);
}

void CUIScrollContainer2::ScrollLines(int n) {
    if (n == 0 || m_lineStep < 1 || m_viewHeight >= m_contentHeight) return;
    const int current = GetTargetY();
    const int partial = current % m_lineStep;
    // A partial line counts as one, so every step lands on a line.
    int delta = n * m_lineStep;
    if (partial != 0) delta = n < 0 ? -partial + (n + 1) * m_lineStep : n * m_lineStep - partial;
    ScrollToY(ClampPos(current + delta, MaxY()), true);
}

void CUIScrollContainer2::OnMouseWheel(WPARAM, int delta, int, int) {
    if (m_viewHeight < m_contentHeight) {
        ScrollLines(delta >= 0 ? -m_wheelCount : m_wheelCount);
    } else if (m_viewWidth < m_contentWidth) {
        ScrollToX(GetTargetX() + (delta >= 0 ? -m_horizontalWheel : m_horizontalWheel));
    }
}

void CUIScrollContainer2::OnScrollBarEvent(EventData& e) {
    const int code = static_cast<int>(e.p1 & 0xFFFF);
    if (e.id == kEventVScroll) {
        switch (code) {
        case SB_LINEUP: ScrollLines(-m_lineCount); break;
        case SB_LINEDOWN: ScrollLines(m_lineCount); break;
        case SB_PAGEUP: ScrollLines(-m_pageCount); break;
        case SB_PAGEDOWN: ScrollLines(m_pageCount); break;
        case SB_THUMBTRACK:
            if (CUIScrollBar* bar = GetVerticalBar()) JumpTo(kEventVScroll, bar->GetScrollPos());
            break;
        default: break;  // SB_THUMBPOSITION: the track already moved there
        }
    } else if (e.id == kEventHScroll) {
        const int x = GetTargetX();
        switch (code) {
        case SB_LINEUP: ScrollToX(x - m_horizontalLine); break;
        case SB_LINEDOWN: ScrollToX(x + m_horizontalLine); break;
        case SB_PAGEUP: ScrollToX(x - m_horizontalPage); break;
        case SB_PAGEDOWN: ScrollToX(x + m_horizontalPage); break;
        case SB_THUMBTRACK:
            if (CUIScrollBar* bar = GetHorizontalBar()) JumpTo(kEventHScroll, bar->GetScrollPos());
            break;
        default: break;
        }
    }
}

}  // namespace wendaldui
