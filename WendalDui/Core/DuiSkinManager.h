// The process's one theme object: every control reads its colours, fonts,
// string formats, arrow shapes, shadow images and cursors from it, and every
// window registers with it so that a change of theme colour or font face
// reaches all windows at once.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <set>

#include "WendalDui/Core/OffscreenDC.h"
#include "WendalDui/Core/SkinPalette.h"
#include "core/WString.h"
#include "core/noncopyable.h"

namespace wendaldui {

class CDuiWindow;

// Bits of OnSkinChanged: 1 the colours, 2 the font face.
constexpr uint32_t kSkinChangedColors = 0x1;
constexpr uint32_t kSkinChangedFont = 0x2;
// Style flag: dialogs use the DWM frame instead of shadow windows.
constexpr uint32_t kSkinStyleDwmFrame = 0x1;

enum ArrowDirection { kArrowUp = 0, kArrowDown = 1, kArrowLeft = 2, kArrowRight = 3 };
enum ShadowSize { kShadowSmall = 0, kShadowLarge = 1 };

// A blurred rounded shape and where it sits in the bitmap: the strips of a
// drop shadow are cut from it.
struct ShadowRecord {
    Gdiplus::Bitmap* bitmap = nullptr;
    int x = 0, y = 0, width = 0, height = 0;
    int radius = 0;
};

class CDuiSkinManager : private wendal_::noncopyable {
public:
    static constexpr int kStringFormats = 7;
    static constexpr int kMessageBoxIcons = 4;

    CDuiSkinManager(const wchar_t* fontFace, double hue, double saturation, double lightness, uint32_t styleFlags);
    ~CDuiSkinManager();

    // Null until the skin is built and after it is gone.
    static CDuiSkinManager* GetInstance();

    void SetThemeColor(const double hsl[3], bool repaint);
    void SetFontFace(const wchar_t* face);

    bool RegisterWindow(CDuiWindow* window);
    bool UnregisterWindow(CDuiWindow* window);
    bool IsRegistered(CDuiWindow* window) const { return m_windows.count(window) != 0; }

    // Index 0 error, 1 information, 2 question, 3 warning; made on first use,
    // null for another index or a missing resource.
    Gdiplus::Bitmap* GetMessageBoxIcon(int index);

    uint32_t GetColor(int index) const { return index >= 0 && index < kPaletteSize ? m_palette[index] : 0; }
    const uint32_t* GetPalette() const { return m_palette; }
    Gdiplus::StringFormat* GetStringFormat(int index) const {
        return index >= 0 && index < kStringFormats ? m_formats[index] : nullptr;
    }
    // 0: the face at 10 pixels; 1: the UI font (font size x DPI factor).
    Gdiplus::Font* GetFont(int index) const { return index == 0 || index == 1 ? m_fonts[index] : nullptr; }
    HFONT GetGdiFont() const { return m_gdiFont; }
    Gdiplus::Bitmap* GetCheckMark() const { return m_checkMark; }
    Gdiplus::GraphicsPath* GetArrowPath(int direction) const {
        return direction >= 0 && direction < 4 ? m_arrows[direction] : nullptr;
    }
    const ShadowRecord& GetShadow(int index) const { return m_shadows[index == kShadowLarge ? 1 : 0]; }
    HCURSOR GetResizeCursor() const { return m_cursors[0]; }
    HCURSOR GetHandCursor() const { return m_cursors[1]; }
    Gdiplus::Graphics* GetMeasureGraphics() const { return m_measureGraphics; }
    const ThemeColor& GetTheme() const { return m_theme; }
    const WString& GetFontFace() const { return m_fontFace; }
    float GetFontSize() const { return m_fontSize; }
    int GetTextIndent() const { return m_textIndent; }
    uint32_t GetStyleFlags() const { return m_styleFlags; }

private:
    void BuildFonts();
    void FreeFonts();
    void BuildStringFormats();
    void BuildArrowPaths();
    void BuildShadow(int index, float radius, float opacity);
    void LoadCheckMark();
    void NotifyWindows(uint32_t bits);

    HFONT m_gdiFont = NULL;
    Gdiplus::StringFormat* m_formats[kStringFormats] = {};
    Gdiplus::Font* m_fonts[2] = {};
    Gdiplus::Bitmap* m_checkMark = nullptr;
    Gdiplus::Bitmap* m_icons[kMessageBoxIcons] = {};
    Gdiplus::GraphicsPath* m_arrows[4] = {};
    ShadowRecord m_shadows[2];
    HCURSOR m_cursors[2] = {};
    uint32_t m_palette[kPaletteSize];
    ThemeColor m_theme = {};
    WString m_fontFace;
    std::set<CDuiWindow*> m_windows;
    COffscreenDC m_measureSurface;
    Gdiplus::Graphics* m_measureGraphics = nullptr;
    float m_fontSize = 12.0f;
    int m_textIndent = 4;
    uint32_t m_styleFlags = 0;
};

}  // namespace wendaldui
