// A scroll container that scrolls smoothly over a content size: positions
// animate towards their targets, vertical steps snap to whole lines, the
// wheel and the bars scroll, and the bars appear only while needed. List
// boxes, list controls and the rich edit are built on it.
#pragma once

#include "WendalDui/Control/UIScrollContainer.h"

namespace wendaldui {

class CUIScrollContainer2 : public CUIScrollContainer {
public:
    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;
    void OnTimer(UINT localId) override;
    void OnMouseWheel(WPARAM keys, int delta, int x, int y) override;
    void OnScrollBarEvent(EventData& e) override;

    // Offered the view's size (pixels) before it is stored; the subclass may
    // take room from it (a list header, say). Nothing in this class.
    virtual void AdjustViewSize(int& width, int& height) {}
    // A position changed: bar is 277 (vertical) or 276 (horizontal). Nothing in this class.
    virtual void OnScrollPosChanged(int bar, int pos) {}

    // Positions are kept in [0, content - view].
    void ScrollToY(int pos, bool animate);
    void ScrollToX(int pos);  // always animated
    // n lines down (up when negative); a partial line counts as one, and the
    // result lands on a multiple of the line step.
    void ScrollLines(int n);
    // Shows the bars the content needs, stores the view size that leaves, sets
    // the thumbs' ranges and pulls a position beyond the end back (animated).
    void UpdateScrollBars();

    // The positions on screen, and where they are heading.
    int GetScrollY() const { return m_verticalTween.GetValue(); }
    int GetScrollX() const { return m_horizontalTween.GetValue(); }
    int GetTargetY() const { return m_verticalTween.GetTo(); }
    int GetTargetX() const { return m_horizontalTween.GetTo(); }
    // The content size; UpdateScrollBars applies a change.
    void SetContentHeight(int height) { m_contentHeight = height; }
    void SetContentWidth(int width) { m_contentWidth = width; }
    int GetContentHeight() const { return m_contentHeight; }
    int GetContentWidth() const { return m_contentWidth; }
    int GetViewHeight() const { return m_viewHeight; }
    int GetViewWidth() const { return m_viewWidth; }
    void SetLineStep(int step) { m_lineStep = step; }
    int GetLineStep() const { return m_lineStep; }
    // Lines per arrow step, per page and per wheel notch of the vertical direction.
    void SetLineCounts(int line, int page, int wheel);
    // Pixels per arrow step, per page and per wheel notch of the horizontal direction.
    void SetHorizontalSteps(int line, int page, int wheel);

private:
    // The view size with those bars shown, after AdjustViewSize.
    void ViewSizeFor(bool vertical, bool horizontal, int& width, int& height);
    int MaxY() const;
    int MaxX() const;
    // Animates the vertical (277) or horizontal (276) position to pos, first tick at once.
    void Animate(int barEvent, int pos);
    // Puts that position at rest on pos and reports it.
    void JumpTo(int barEvent, int pos);
    // One tick of that position's animation.
    void StepScroll(int barEvent);

    CTween<int> m_verticalTween;
    CTween<int> m_horizontalTween;
    int m_contentHeight = 0;
    int m_contentWidth = 0;
    int m_viewHeight = 1;
    int m_viewWidth = 1;
    int m_lineStep = 20;
    int m_lineCount = 1;
    int m_pageCount = 2;
    int m_wheelCount = 2;
    int m_horizontalLine = 10;
    int m_horizontalPage = 20;
    int m_horizontalWheel = 20;
};

}  // namespace wendaldui
