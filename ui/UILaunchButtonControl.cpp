#include "ui/UILaunchButtonControl.h"

#include <gdiplus.h>

#include <algorithm>
#include <cmath>

#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "WendalDui/Core/SkinPaint.h"
#include "WendalDui/Core/TextGlow.h"

namespace trelm {
namespace ui {

using wendaldui::ARGB;

namespace {

constexpr uint32_t kFillAlpha = 0xA5000000u;
constexpr float kFontSize = 20.0f;
constexpr ARGB kGlowColor = 0x4D000000;

double Unit(double v) { return std::min(1.0, std::max(0.0, v)); }

ARGB Grey(ARGB argb) {
    const int r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    const uint32_t grey = static_cast<uint32_t>(std::lround((r + g + b) / 3.0));
    return (argb & 0xFF000000u) | (grey << 16) | (grey << 8) | grey;
}

ARGB Brighter(const wendaldui::ThemeColor& theme, double amount) {
    double hue = std::fmod(theme.hsv[0], 360.0);
    if (hue < 0) hue += 360.0;
    double r, g, b;
    wendaldui::HsvToRgb(hue, Unit(theme.hsv[1]), Unit(theme.hsv[2] + amount), r, g, b);
    return wendaldui::MakeArgb(0, r, g, b) | kFillAlpha;
}

}  // namespace

void BuildLaunchButtonColors(const wendaldui::ThemeColor& theme, ARGB background[4], ARGB text[4]) {
    background[0] = wendaldui::MakeArgb(0, theme.rgb[0], theme.rgb[1], theme.rgb[2]) | kFillAlpha;
    background[1] = Brighter(theme, 0.15);
    background[2] = Brighter(theme, 0.10);
    background[3] = Grey(background[0]);
    text[0] = 0xF2FFFFFF;
    text[1] = text[2] = 0xFFFFFFFF;
    text[3] = Grey(text[0]);
}

namespace internal {

CUILaunchButtonControl::~CUILaunchButtonControl() {
    delete m_glow;
    delete m_font;
    delete m_format;
}

void CUILaunchButtonControl::BuildColors() {
    if (wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance()) {
        BuildLaunchButtonColors(skin->GetTheme(), m_backgrounds, m_texts);
    }
}

void CUILaunchButtonControl::BuildFont() {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    delete m_font;
    const wchar_t* face = skin ? skin->GetFontFace().GetString() : L"微软雅黑";
    m_font = new Gdiplus::Font(face, kFontSize * wendaldui::g_dpiFactor, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    if (m_glow) m_glow->MarkStale();
}

void CUILaunchButtonControl::RestColors() {
    wendaldui::internal::RestTween(m_background, m_backgrounds[m_visualState]);
    wendaldui::internal::RestTween(m_textColor, m_texts[m_visualState]);
}

void CUILaunchButtonControl::OnCreate(void*) {
    m_visualState = IsEffectivelyEnabled() ? wendaldui::kVisualNormal : wendaldui::kVisualDisabled;
    delete m_format;
    m_format = new Gdiplus::StringFormat();
    m_format->SetAlignment(Gdiplus::StringAlignmentCenter);
    m_format->SetLineAlignment(Gdiplus::StringAlignmentCenter);
    BuildFont();
    if (!m_glow) m_glow = new wendaldui::CTextGlow(kGlowColor, static_cast<int>(2 * wendaldui::g_dpiFactor));
    BuildColors();
    RestColors();
    m_caption = L"启动Minecraft";
}

void CUILaunchButtonControl::OnDestroy() {
    delete m_format;
    m_format = nullptr;
}

void CUILaunchButtonControl::OnStateChanged(int state) {
    const int frames = state == wendaldui::kVisualPressed ? 3 : 5;
    wendaldui::internal::RetargetTween(m_background, m_backgrounds[state], frames);
    wendaldui::internal::RetargetTween(m_textColor, m_texts[state], frames);
    StartFade();
}

void CUILaunchButtonControl::OnTimer(UINT localId) {
    if (localId == kFadeTimer) StepFade({&m_background, &m_textColor});
}

bool CUILaunchButtonControl::OnSetCursor() {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    if (!skin) return false;
    SetCursor(skin->GetHandCursor());
    return true;
}

void CUILaunchButtonControl::OnSkinChanged(uint32_t bits) {
    // A new theme shows at once, without a fade.
    if (bits & wendaldui::kSkinChangedColors) {
        BuildColors();
        RestColors();
    }
    if (bits & wendaldui::kSkinChangedFont) BuildFont();
    Invalidate();
}

void CUILaunchButtonControl::OnPaint(wendaldui::PaintContext& context) {
    const wendaldui::UIRect& r = context.rect;
    Gdiplus::SolidBrush fill{Gdiplus::Color(m_background.GetValue())};
    context.graphics->FillRectangle(&fill, r.x, r.y, r.width, r.height);
    if (m_font && m_format) {
        if (m_glow) m_glow->Draw(context.graphics, m_caption.GetString(), m_font, m_format, r);
        wendaldui::DrawTextInRect(context.graphics, m_caption.GetString(), m_caption.GetLength(), m_font,
                                  Gdiplus::RectF(static_cast<float>(r.x), static_cast<float>(r.y),
                                                 static_cast<float>(r.width), static_cast<float>(r.height)),
                                  m_textColor.GetValue(), m_format);
    }
    if (HasTabFocus()) wendaldui::DrawFocusRect(context.graphics, r.Inflate(-2));
}

}  // namespace internal
}  // namespace ui
}  // namespace trelm
