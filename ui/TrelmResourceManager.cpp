#include "ui/TrelmResourceManager.h"

#include <gdiplus.h>

#include <memory>

#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "core/DirectoryScan.h"
#include "core/WString.h"
#include "resources/resource.h"

namespace trelm {
namespace ui {

namespace {

CTrelmResourceManager* g_resources = nullptr;
constexpr int kPictureSize = 48;

HINSTANCE Module() {
    return wendaldui::CDuiApp::GetModuleInstance();
}

bool EndsWith(const WString& text, const wchar_t* tail) {
    const int n = static_cast<int>(wcslen(tail));
    return text.GetLength() >= n && wcscmp(text.GetString() + text.GetLength() - n, tail) == 0;
}

HICON IconFromPicture(const wchar_t* path) {
    std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromFile(path));
    HICON icon = NULL;
    if (bitmap && bitmap->GetLastStatus() == Gdiplus::Ok && bitmap->GetHICON(&icon) != Gdiplus::Ok) icon = NULL;
    return icon;
}

}  // namespace

CTrelmResourceManager::CTrelmResourceManager() { g_resources = this; }

CTrelmResourceManager::~CTrelmResourceManager() {
    if (m_chosenIcon) DestroyIcon(m_chosenIcon);
    if (m_defaultIcon) DestroyIcon(m_defaultIcon);
    if (g_resources == this) g_resources = nullptr;
}

CTrelmResourceManager* CTrelmResourceManager::GetInstance() { return g_resources; }

void CTrelmResourceManager::LoadWindowIcon(const wchar_t* iconFolder) {
    if (!m_defaultIcon) {
        m_defaultIcon = static_cast<HICON>(
            LoadImageW(Module(), MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    }
    static const wchar_t* const kPatterns[] = {L"*.BMP", L"*.GIF", L"*.JPEG", L"*.JPG", L"*.PNG", L"*.ICO"};
    WString path;
    if (!PickRandomFile(iconFolder ? iconFolder : L"quorvel_launcher\\icon\\", &path,
                        static_cast<int>(sizeof kPatterns / sizeof kPatterns[0]), kPatterns, nullptr)) {
        return;
    }
    // Only a lower-case ".ico" is read as an icon file; anything else, an
    // upper-case ".ICO" included, goes through GDI+.
    HICON icon = EndsWith(path, L".ico")
                     ? static_cast<HICON>(LoadImageW(NULL, path.GetString(), IMAGE_ICON, 0, 0,
                                                     LR_LOADFROMFILE | LR_DEFAULTSIZE))
                     : IconFromPicture(path.GetString());
    if (!icon) return;
    if (m_chosenIcon) DestroyIcon(m_chosenIcon);
    m_chosenIcon = icon;
}

void CTrelmResourceManager::ApplyWindowIcon(HWND window) {
    HICON icon = g_resources ? g_resources->GetWindowIcon() : NULL;
    if (!icon) return;
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

Gdiplus::Bitmap* CTrelmResourceManager::GetResourcePicture(int kind) {
    if (kind == kPictureServerIcon) return wendaldui::LoadResourceImage(L"PNG", IDR_PNG_SERVER_DEFAULT);
    if (kind != kPictureUpdate && kind != kPictureGame) return nullptr;
    std::unique_ptr<Gdiplus::Bitmap> stored(
        wendaldui::LoadResourceImage(L"PNG", kind == kPictureUpdate ? IDR_PNG_UPDATE : IDR_PNG_GAME));
    if (!stored) return nullptr;
    const int size = static_cast<int>(kPictureSize * wendaldui::g_dpiFactor);
    return wendaldui::ScaleBitmap(stored.get(), PixelFormat32bppPARGB, Gdiplus::InterpolationModeHighQualityBicubic,
                                  size, size);
}

}  // namespace ui
}  // namespace trelm
