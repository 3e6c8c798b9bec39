// The main window's background picture: drawn 1:1 from the top-left corner,
// with a blurred copy of one part shown under the sliding launch panel, and a
// cross-fade from the previous picture when it changes.
#pragma once

#include "WendalDui/Control/UIControl.h"
#include "WendalDui/Utils/Tween.h"

namespace Gdiplus {
class Bitmap;
class Graphics;
}  // namespace Gdiplus

namespace trelm {
namespace ui {

class CUIBluredBackgroundImage : public wendaldui::CUIControl {
public:
    ~CUIBluredBackgroundImage() override;

    // Takes the picture (the caller's pointer is cleared); its crop part is
    // blurred, and the picture fades in from startAlpha over `frames` frames
    // (a start of 255 shows it at once). A picture still fading out is
    // dropped at once: two pairs at the most.
    void SetImage(Gdiplus::Bitmap*& picture, const wendaldui::UIRect& crop, int frames, int startAlpha);
    // The same with the crop part blurred already (BlurCrop, which any thread
    // may run), taken as well.
    void SetImage(Gdiplus::Bitmap*& picture, Gdiplus::Bitmap*& blurred, const wendaldui::UIRect& crop, int frames,
                  int startAlpha);
    // A blurred copy of the crop part of the picture; null when there is none.
    static Gdiplus::Bitmap* BlurCrop(Gdiplus::Bitmap* picture, const wendaldui::UIRect& crop);
    // The colour under a picture that fades in over none (opaque black at first).
    void SetTint(wendaldui::ARGB tint);
    wendaldui::ARGB GetTint() const { return m_backgroundColor; }

    // Where the blurred copy shows, in control coordinates; (0, 0, -1, -1)
    // shows none. The owner moves it with its panel.
    void SetBlurArea(const wendaldui::UIRect& area);
    const wendaldui::UIRect& GetBlurArea() const { return m_blurArea; }

    Gdiplus::Bitmap* GetPicture() const { return m_picture; }
    Gdiplus::Bitmap* GetBlurred() const { return m_blurred; }
    bool IsFading() const { return m_previous != nullptr || m_alpha.IsRunning(); }

    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnPaint(wendaldui::PaintContext& context) override;
    void OnTimer(UINT localId) override;

private:
    struct Pair {
        Gdiplus::Bitmap* picture;
        Gdiplus::Bitmap* blurred;
        wendaldui::UIRect crop;
    };
    void DrawPair(Gdiplus::Graphics* graphics, const Pair& pair, const wendaldui::PaintContext& context, int alpha);
    void DeletePrevious();

    wendaldui::UIRect m_blurArea;
    wendaldui::UIRect m_crop;
    Gdiplus::Bitmap* m_picture = nullptr;
    Gdiplus::Bitmap* m_blurred = nullptr;
    wendaldui::UIRect m_previousCrop;
    Gdiplus::Bitmap* m_previous = nullptr;
    Gdiplus::Bitmap* m_previousBlurred = nullptr;
    wendaldui::CTween<int> m_alpha;
    wendaldui::ARGB m_backgroundColor = 0xFF000000;
};

}  // namespace ui
}  // namespace trelm
