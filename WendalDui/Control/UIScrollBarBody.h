// The track of a scroll bar with its thumb: the thumb's length shows the
// visible share of the range, pressing the track pages towards the mouse
// until the thumb reaches it, and dragging the thumb tracks the position.
#pragma once

#include "WendalDui/Control/UIControl.h"
#include "WendalDui/Utils/Tween.h"

namespace wendaldui {

// The body lies along a horizontal bar.
constexpr uint32_t kScrollBodyHorizontal = 0x10000;

namespace internal {

class CUIScrollBarBody : public CUIControl {
public:
    // What a point of the track is on.
    enum Part { kPartBefore = 0, kPartAfter = 1, kPartThumb = 2, kPartNone = 3 };

    // Where the thumb lies along a track of `length` pixels, [start, end);
    // false when there is nothing to scroll. A thumb shorter than minThumb is
    // drawn minThumb long; a track no longer than that is all thumb.
    static bool CalcThumb(int length, int min, int max, int page, int pos, int minThumb, int& start, int& end);
    // The position after the thumb was dragged `distance` pixels from where
    // it was at startPos: snapped to multiples of snap from min and kept in
    // [min, max - page]. A track that is all thumb does not drag.
    static int CalcDragPos(int length, int min, int max, int page, int startPos, int distance, int snap,
                           int minThumb);
    // 20 pixels times the DPI factor.
    static int MinThumbLength();

    // True (and repainted) when something changed; pos is kept in range.
    bool SetScrollRange(int min, int max, int page);
    bool SetScrollPos(int pos);
    void SetSnap(int snap) { m_snap = snap < 1 ? 1 : snap; }
    int GetScrollPos() const { return m_pos; }
    int GetMin() const { return m_min; }
    int GetMax() const { return m_max; }
    int GetPage() const { return m_page; }
    bool IsHorizontal() const { return (m_flags & kScrollBodyHorizontal) != 0; }
    // The part at (x, y) in the body's own coordinates.
    int HitPart(int x, int y) const;
    int GetVisualState() const { return m_visualState; }

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnTimer(UINT localId) override;
    void OnEnable(bool enabled) override;
    void OnPaint(PaintContext& context) override;

private:
    int TrackLength() const { return IsHorizontal() ? m_rect.width : m_rect.height; }
    // The part at a coordinate along the track.
    int PartAt(int along) const;
    bool Thumb(int& start, int& end) const;
    // Puts pos (in range) and repaints what the thumb left and took; a move
    // smaller than a pixel of track repaints nothing.
    void MoveThumb(int pos);
    void SendPage();
    void StopRepeat();
    void SetVisualState(int state);

    int m_pos = 0;
    int m_min = 0;
    int m_max = 10;
    int m_page = 2;
    int m_dragOrigin = 0;
    int m_dragStartPos = 0;
    int m_snap = 1;
    int m_repeatCounter = 0;
    int m_pressedPart = kPartNone;
    int m_visualState = 0;
    CTween<ARGB> m_thumbTween;
    CTween<ARGB> m_trackTween;
};

}  // namespace internal
}  // namespace wendaldui
