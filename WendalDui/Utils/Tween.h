// One animated value. The owner (a control on a timer) starts it, calls Step
// on each tick and reads GetValue when it repaints.
#pragma once

#include <cstdint>

#include "WendalDui/Utils/Easing.h"
#include "WendalDui/Utils/UIRect.h"

namespace wendaldui {

// 32-bit colour, alpha in the high byte, then red, green, blue.
typedef uint32_t ARGB;

enum TweenMode {
    kTweenOnce = 1,
    kTweenThereAndBack = 2,
    kTweenLoop = 3,
    kTweenLoopThereAndBack = 4,
};

namespace tween_internal {

// The eased share (0..1) of the way from `from` to `to` at this frame of a
// tween that has not ended.
float EasedProgress(EasingFunction easing, int mode, int frame, int frames);

// from + (to - from) * e in single precision; the integer kinds truncate
// toward zero, a colour goes channel by channel.
int Interpolate(int from, int to, float e);
float Interpolate(float from, float to, float e);
UIRect Interpolate(const UIRect& from, const UIRect& to, float e);
ARGB Interpolate(ARGB from, ARGB to, float e);

template <typename T>
T InitialValue() {
    return T();
}
// The controls' colour tweens start at opaque red until their first target.
template <>
inline ARGB InitialValue<ARGB>() {
    return 0xFFFF0000u;
}

}  // namespace tween_internal

// For T = int, float, UIRect and ARGB.
template <typename T>
class CTween {
public:
    CTween() : m_from(tween_internal::InitialValue<T>()), m_to(m_from) {}

    // Restarts from frame 0, keeping the easing and the mode.
    void Start(const T& from, const T& to, int frames) {
        m_from = from;
        m_to = to;
        SetFrames(frames);
        m_frame = 0;
    }

    // Unknown ids ease linearly but are kept as given.
    void SetEasing(int id) {
        m_easingId = id;
        m_easing = GetEasingFunction(id);
    }
    int GetEasingId() const { return m_easingId; }

    void SetMode(int mode) { m_mode = mode; }
    int GetMode() const { return m_mode; }

    void SetFrames(int frames) { m_frames = frames < 1 ? 1 : frames; }
    int GetFrames() const { return m_frames; }
    void SetFrame(int frame) { m_frame = frame < 0 ? 0 : frame; }
    int GetFrame() const { return m_frame; }

    void SetFrom(const T& from) { m_from = from; }
    const T& GetFrom() const { return m_from; }
    void SetTo(const T& to) { m_to = to; }
    const T& GetTo() const { return m_to; }

    // Loops never end by themselves; the owner stops them.
    bool IsRunning() const { return IsLoop() || m_frame < m_frames - 1; }

    // One timer tick; true while the tween is still running.
    bool Step() {
        if (IsLoop()) {
            if (++m_frame > m_frames - 1) m_frame = 0;
        } else if (m_frame < m_frames - 1) {
            // Held at the last frame, so an owner that keeps ticking for its
            // other tweens cannot run the counter up.
            ++m_frame;
        }
        return IsRunning();
    }

    T GetValue() const {
        if (!IsLoop() && m_frame >= m_frames - 1) {
            // A there-and-back tween ends where it began.
            return m_mode == kTweenThereAndBack ? m_from : m_to;
        }
        // A one-frame loop has no span to divide by: it sits at its end value.
        if (m_frames <= 1) return m_to;
        return tween_internal::Interpolate(
            m_from, m_to, tween_internal::EasedProgress(m_easing, m_mode, m_frame, m_frames));
    }

private:
    bool IsLoop() const { return m_mode == kTweenLoop || m_mode == kTweenLoopThereAndBack; }

    EasingFunction m_easing = GetEasingFunction(kEaseLinear);
    int m_mode = kTweenOnce;
    int m_easingId = kEaseLinear;
    int m_frames = 1;
    int m_frame = 0;
    T m_from;
    T m_to;
};

}  // namespace wendaldui
