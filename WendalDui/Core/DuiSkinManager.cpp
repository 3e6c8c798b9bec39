#include "WendalDui/Core/DuiSkinManager.h"

#include <cmath>
#include <memory>

#include "WendalDui/Control/UIContainer.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "resources/resource.h"

namespace wendaldui {

namespace {

CDuiSkinManager* g_skin = nullptr;

constexpr float kSmallShadowRadius = 12.0f, kSmallShadowOpacity = 0.3f;
constexpr float kLargeShadowRadius = 30.0f, kLargeShadowOpacity = 0.4f;
constexpr int kMessageBoxIconSize = 40;

Gdiplus::StringFormat* MakeFormat(Gdiplus::StringAlignment line, Gdiplus::StringAlignment alignment, bool noWrap,
                                  bool ellipsis, bool hotkeys) {
    Gdiplus::StringFormat* format = new Gdiplus::StringFormat();
    format->SetLineAlignment(line);
    format->SetAlignment(alignment);
    if (noWrap) format->SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
    if (ellipsis) format->SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
    if (hotkeys) format->SetHotkeyPrefix(Gdiplus::HotkeyPrefixShow);
    return format;
}

}  // namespace

CDuiSkinManager::CDuiSkinManager(const wchar_t* fontFace, double hue, double saturation, double lightness,
                                 uint32_t styleFlags)
    : m_styleFlags(styleFlags) {
    // Red everywhere shows at once if something paints before a theme is set.
    std::fill(m_palette, m_palette + kPaletteSize, 0xFFFF0000u);
    g_skin = this;
    m_fontFace = fontFace;
    const double hsl[3] = {hue, saturation, lightness};
    SetThemeColor(hsl, false);

    m_measureSurface.Resize(1, 1);
    m_measureGraphics = new Gdiplus::Graphics(m_measureSurface.GetDC());
    {
        // GDI+ builds its text machinery on first use; pay for it here.
        Gdiplus::Font font(m_fontFace, 10.0f, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
        Gdiplus::SolidBrush black(Gdiplus::Color(0xFF000000));
        m_measureGraphics->DrawString(L"abc", 3, &font, Gdiplus::PointF(0, 0), &black);
    }
    BuildFonts();
    BuildStringFormats();

    m_cursors[0] = LoadCursorW(CDuiApp::GetModuleInstance(), MAKEINTRESOURCEW(IDC_SKIN_RESIZE));
    m_cursors[1] = LoadCursorW(NULL, IDC_HAND);
    LoadCheckMark();
    BuildArrowPaths();
    BuildShadow(kShadowSmall, kSmallShadowRadius * g_dpiFactor, kSmallShadowOpacity);
    BuildShadow(kShadowLarge, kLargeShadowRadius * g_dpiFactor, kLargeShadowOpacity);
}

CDuiSkinManager::~CDuiSkinManager() {
    if (g_skin == this) g_skin = nullptr;
    FreeFonts();
    delete m_measureGraphics;
    m_measureGraphics = nullptr;
    m_windows.clear();
    for (Gdiplus::StringFormat*& format : m_formats) {
        delete format;
        format = nullptr;
    }
    delete m_checkMark;
    for (Gdiplus::Bitmap*& icon : m_icons) {
        delete icon;
        icon = nullptr;
    }
    for (Gdiplus::GraphicsPath*& arrow : m_arrows) {
        delete arrow;
        arrow = nullptr;
    }
    for (ShadowRecord& shadow : m_shadows) {
        delete shadow.bitmap;
        shadow.bitmap = nullptr;
    }
}

CDuiSkinManager* CDuiSkinManager::GetInstance() { return g_skin; }

void CDuiSkinManager::SetThemeColor(const double hsl[3], bool repaint) {
    m_theme = MakeThemeColor(hsl);
    BuildPalette(m_theme, m_palette);
    if (repaint) NotifyWindows(kSkinChangedColors);
}

void CDuiSkinManager::SetFontFace(const wchar_t* face) {
    m_fontFace = face;
    FreeFonts();
    BuildFonts();
    NotifyWindows(kSkinChangedFont);
}

bool CDuiSkinManager::RegisterWindow(CDuiWindow* window) { return m_windows.insert(window).second; }

bool CDuiSkinManager::UnregisterWindow(CDuiWindow* window) { return m_windows.erase(window) != 0; }

void CDuiSkinManager::NotifyWindows(uint32_t bits) {
    // A handler may open or close a window; walk a copy.
    const std::set<CDuiWindow*> windows = m_windows;
    for (CDuiWindow* window : windows) {
        if (!m_windows.count(window)) continue;
        if (CUIContainer* root = window->GetRoot()) root->OnSkinChanged(bits);
        window->OnSkinChanged(bits);
        if (!m_windows.count(window)) continue;
        if (window->GetHWND()) InvalidateRect(window->GetHWND(), NULL, FALSE);
    }
}

Gdiplus::Bitmap* CDuiSkinManager::GetMessageBoxIcon(int index) {
    if (index < 0 || index >= kMessageBoxIcons) return nullptr;
    if (!m_icons[index]) {
        std::unique_ptr<Gdiplus::Bitmap> loaded(LoadResourceImage(L"PNG", IDR_PNG_MSGBOX_ERROR + index));
        const int size = static_cast<int>(kMessageBoxIconSize * g_dpiFactor);
        if (loaded) {
            m_icons[index] = ScaleBitmap(loaded.get(), PixelFormat32bppPARGB,
                                         Gdiplus::InterpolationModeHighQualityBicubic, size, size);
        }
    }
    return m_icons[index];
}

void CDuiSkinManager::BuildFonts() {
    m_fonts[0] = new Gdiplus::Font(m_fontFace, 10.0f, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    m_fonts[1] = new Gdiplus::Font(m_fontFace, m_fontSize * g_dpiFactor, Gdiplus::FontStyleRegular,
                                   Gdiplus::UnitPixel);
    LOGFONTW logFont = {};
    logFont.lfHeight = -static_cast<LONG>(m_fontSize * g_dpiFactor);
    logFont.lfWeight = FW_NORMAL;
    lstrcpynW(logFont.lfFaceName, m_fontFace, LF_FACESIZE);
    m_gdiFont = CreateFontIndirectW(&logFont);
}

void CDuiSkinManager::FreeFonts() {
    for (Gdiplus::Font*& font : m_fonts) {
        delete font;
        font = nullptr;
    }
    if (m_gdiFont) DeleteObject(m_gdiFont);
    m_gdiFont = NULL;
}

void CDuiSkinManager::BuildStringFormats() {
    using Gdiplus::StringAlignmentCenter;
    using Gdiplus::StringAlignmentNear;
    m_formats[0] = MakeFormat(StringAlignmentNear, StringAlignmentNear, false, false, false);
    m_formats[1] = MakeFormat(StringAlignmentCenter, StringAlignmentCenter, false, false, false);
    m_formats[2] = MakeFormat(StringAlignmentCenter, StringAlignmentNear, true, false, false);
    m_formats[3] = MakeFormat(StringAlignmentCenter, StringAlignmentNear, true, true, false);
    m_formats[4] = MakeFormat(StringAlignmentCenter, StringAlignmentNear, true, true, true);
    m_formats[5] = MakeFormat(StringAlignmentCenter, StringAlignmentNear, false, false, false);
    m_formats[6] = MakeFormat(StringAlignmentCenter, StringAlignmentNear, true, true, false);
}

void CDuiSkinManager::BuildArrowPaths() {
    // An upward chevron in an 11 x 11 cell, centred on the origin.
    static const Gdiplus::PointF kChevron[] = {{5.5f, 2.5f}, {10.5f, 7.5f}, {8.5f, 7.5f},
                                               {5.5f, 4.5f}, {2.5f, 7.5f},  {0.5f, 7.5f}};
    static const float kAngles[] = {0.0f, 180.0f, -90.0f, 90.0f};
    for (int i = 0; i < 4; ++i) {
        m_arrows[i] = new Gdiplus::GraphicsPath();
        m_arrows[i]->AddPolygon(kChevron, 6);
        Gdiplus::Matrix matrix;
        matrix.Translate(-5.5f, -5.5f, Gdiplus::MatrixOrderAppend);
        matrix.Rotate(kAngles[i], Gdiplus::MatrixOrderAppend);
        matrix.Scale(g_dpiFactor, g_dpiFactor, Gdiplus::MatrixOrderAppend);
        m_arrows[i]->Transform(&matrix);
    }
}

void CDuiSkinManager::BuildShadow(int index, float radius, float opacity) {
    int r = static_cast<int>(std::ceil(radius));
    r += r % 2;
    ShadowRecord& record = m_shadows[index];
    record.bitmap = new Gdiplus::Bitmap(3 * r + 2, 3 * r + 2, PixelFormat32bppPARGB);
    record.x = r / 2;
    record.y = r / 2;
    record.width = 2 * r + 2;
    record.height = 2 * r + 2;
    record.radius = r;
    ShadowStyle style;
    style.opacity = opacity;
    style.blurSize = r;
    style.color = 0xFF000000;
    RenderShadow(record.bitmap, UIRect(record.x, record.y, record.width, record.height), style);
}

void CDuiSkinManager::LoadCheckMark() {
    static const int kIds[4] = {IDR_PNG_CHECK_96, IDR_PNG_CHECK_120, IDR_PNG_CHECK_144, IDR_PNG_CHECK_192};
    std::unique_ptr<Gdiplus::Bitmap> loaded(LoadDpiResourceImage(kIds, SIZE{13, 13}));
    if (!loaded) return;
    m_checkMark = loaded->Clone(0, 0, static_cast<INT>(loaded->GetWidth()), static_cast<INT>(loaded->GetHeight()),
                                PixelFormat32bppPARGB);
}

}  // namespace wendaldui
