// A container whose content sits inside four drop-shadow strips cut from
// one of the skin's shadow records.
#pragma once

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {

// The strips replace the pixels beneath them instead of blending over them.
constexpr uint32_t kShadowCopyPixels = 0x10000;

namespace internal {

class CUIShadowSide : public CUIControl {
public:
    struct Arg {
        int side;         // 0 top, 1 right, 2 bottom, 3 left
        int shadowIndex;  // the skin's small (0) or large (1) record
    };

    void OnCreate(void* arg) override;
    void OnPaint(PaintContext& context) override;
    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;

private:
    int m_side = 0;
    int m_shadowIndex = 0;
};

}  // namespace internal

class CUIContainerShadow : public CUIContainer {
public:
    static constexpr int kContentId = 4;

    explicit CUIContainerShadow(int shadowIndex = 0) : m_shadowIndex(shadowIndex) {}
    ~CUIContainerShadow() override;

    // Before Create only: a container of the caller's class for the content;
    // this object owns it from then on.
    void SetContent(CUIContainer* content) { m_content = content; }
    // Null once the content was removed from the children directly.
    CUIContainer* GetContent() const { return m_contentAttached && !HasChild(m_content) ? nullptr : m_content; }
    int GetShadowIndex() const { return m_shadowIndex; }

    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnSize(int width, int height) override;
    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;

private:
    // The five rects for a container of that size: sides 0 to 3, then content.
    void Layout(int width, int height, UIRect rects[5]) const;
    int HalfRadius() const;

    int m_shadowIndex;
    CUIContainer* m_content = nullptr;
    bool m_contentAttached = false;  // then the children's list owns it
};

}  // namespace wendaldui
