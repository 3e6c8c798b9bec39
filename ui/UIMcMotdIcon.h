// The server's icon in the status control: its favicon (or the built-in
// server picture), slightly brighter under the mouse; a click asks again.
#pragma once

#include "WendalDui/Control/UIButtonBase.h"

namespace Gdiplus {
class Bitmap;
}

namespace trelm {
namespace ui {
namespace internal {

class CUIMcMotdIcon : public wendaldui::internal::CUIButtonBase {
public:
    ~CUIMcMotdIcon() override;

    // Takes the favicon; null shows the built-in server picture.
    void SetFavicon(Gdiplus::Bitmap* favicon);
    Gdiplus::Bitmap* GetFavicon() const { return m_favicon; }

    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnPaint(wendaldui::PaintContext& context) override;
    bool OnSetCursor() override;
    void OnStateChanged(int state) override { Invalidate(); }

private:
    Gdiplus::Bitmap* m_favicon = nullptr;
    Gdiplus::Bitmap* m_default = nullptr;
};

}  // namespace internal
}  // namespace ui
}  // namespace trelm
