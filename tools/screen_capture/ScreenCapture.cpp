#include "tools/screen_capture/ScreenCapture.h"

#include <gdiplus.h>

#include <cwchar>
#include <vector>

namespace {

bool FindPngEncoder(CLSID* clsid) {
    UINT count = 0, bytes = 0;
    Gdiplus::GetImageEncodersSize(&count, &bytes);
    if (!bytes) return false;
    std::vector<BYTE> buffer(bytes);
    Gdiplus::ImageCodecInfo* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, bytes, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

// A copy of what the screen shows there; null when the area is empty.
HBITMAP CopyScreenArea(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return NULL;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return bitmap;
}

}  // namespace

bool SaveScreenAreaAsPng(const RECT& area, const wchar_t* path) {
    HBITMAP bitmap = CopyScreenArea(area);
    if (!bitmap) return false;
    CLSID png;
    bool saved = false;
    if (FindPngEncoder(&png)) {
        Gdiplus::Bitmap image(bitmap, NULL);
        saved = image.Save(path, &png, NULL) == Gdiplus::Ok;
    }
    DeleteObject(bitmap);
    return saved;
}

bool ReadScreenArea(const RECT& area, std::vector<uint32_t>* pixels) {
    HBITMAP bitmap = CopyScreenArea(area);
    if (!bitmap) return false;
    bool read = false;
    {
        Gdiplus::Bitmap image(bitmap, NULL);
        Gdiplus::Rect all(0, 0, static_cast<INT>(image.GetWidth()), static_cast<INT>(image.GetHeight()));
        Gdiplus::BitmapData data;
        if (image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) == Gdiplus::Ok) {
            pixels->clear();
            for (UINT y = 0; y < data.Height; ++y) {
                const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(data.Scan0) +
                                                                        static_cast<INT_PTR>(y) * data.Stride);
                for (UINT x = 0; x < data.Width; ++x) pixels->push_back(row[x] & 0xFFFFFF);
            }
            image.UnlockBits(&data);
            read = true;
        }
    }
    DeleteObject(bitmap);
    return read;
}
