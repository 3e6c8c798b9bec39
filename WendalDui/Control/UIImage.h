// A picture: a GDI+ bitmap drawn at its natural size or stretched over the
// control. The control owns the bitmap or merely shows the caller's.
#pragma once

#include <cstdint>

#include "WendalDui/Control/UIControl.h"

namespace Gdiplus {
class Bitmap;
}  // namespace Gdiplus

namespace wendaldui {

// Set while the control owns its bitmap (deletes it when replaced or destroyed).
constexpr uint32_t kImageOwned = 0x10000;

enum ImageDrawMode : uint32_t {
    kImageNaturalSize = 0,  // top-left corner at the control's; also any mode above 3
    kImageStretch = 3,      // modes 1 and 2 draw nothing
};

// The create argument.
struct UIImageArg {
    enum Kind : uint32_t { kFile = 0, kBitmap = 1 };
    const void* pointer;  // a path (kFile) or a Gdiplus::Bitmap* (kBitmap)
    uint8_t own;          // kBitmap only
    uint32_t kind;        // any other kind makes an empty image
};

class CUIImage : public CUIControl {
public:
    CUIImage() = default;
    ~CUIImage() override;

    // The picture is copied into a bitmap of the control's own, so the file
    // is free again (replaceable, deletable) as soon as this returns. A file
    // that cannot be read leaves no image.
    void LoadFromFile(const wchar_t* path);
    void SetImage(Gdiplus::Bitmap* bitmap, bool own);
    Gdiplus::Bitmap* GetImage() const { return m_image; }
    void SetDrawMode(uint32_t mode);
    uint32_t GetDrawMode() const { return m_drawMode; }

    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnPaint(PaintContext& context) override;

private:
    // Drops the bitmap: deleted when owned, else only forgotten.
    void Release();
    void Replace(Gdiplus::Bitmap* bitmap, bool own);

    Gdiplus::Bitmap* m_image = nullptr;
    uint32_t m_drawMode = kImageNaturalSize;
};

}  // namespace wendaldui
