#include "ui/UIBannerTextButton.h"

#include <gdiplus.h>

#include <cmath>

#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"
#include "WendalDui/Core/TextGlow.h"

namespace trelm {
namespace ui {

using wendaldui::ARGB;

namespace {

constexpr float kFontSize = 20.0f;
// Fill and frame by visual state: normal, hover, pressed, disabled.
constexpr ARGB kBackgrounds[4] = {0x00FFFFFF, 0x0DFFFFFF, 0x0D646464, 0x0DFFFFFF};
constexpr ARGB kBorders[4] = {0x00FFFFFF, 0x80FFFFFF, 0x99FFFFFF, 0x80FFFFFF};

}  // namespace

CUIBannerTextButton::~CUIBannerTextButton() {
    delete m_glow;
    delete m_font;
    delete m_format;
}

void CUIBannerTextButton::BuildFont() {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    delete m_font;
    const wchar_t* face = skin ? skin->GetFontFace().GetString() : L"微软雅黑";
    m_font = new Gdiplus::Font(face, kFontSize * wendaldui::g_dpiFactor, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    if (m_glow) m_glow->MarkStale();
}

void CUIBannerTextButton::SetText(const wchar_t* text) {
    m_text = text ? text : L"";
    // GDI+ breaks lines at "\n" and draws a lone "\r" as a box.
    m_drawText = m_text;
    m_drawText.Remove(L'\r');
    if (m_glow) m_glow->MarkStale();
    Invalidate();
    UpdateAutoSize();
}

void CUIBannerTextButton::OnCreate(void*) {
    BuildFont();
    delete m_format;
    m_format = new Gdiplus::StringFormat(Gdiplus::StringFormatFlagsNoWrap);
    m_format->SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
    if (!m_glow) m_glow = new wendaldui::CTextGlow(0x4D000000, static_cast<int>(wendaldui::g_dpiFactor));
    m_visualState = IsEffectivelyEnabled() ? wendaldui::kVisualNormal : wendaldui::kVisualDisabled;
    wendaldui::internal::RestTween(m_background, kBackgrounds[m_visualState]);
    wendaldui::internal::RestTween(m_border, kBorders[m_visualState]);
}

void CUIBannerTextButton::OnStateChanged(int state) {
    // From the colour shown now: the frame never jumps.
    const int frames = state == wendaldui::kVisualPressed ? 2 : 3;
    m_background.Start(m_background.GetValue(), kBackgrounds[state], frames);
    m_border.Start(m_border.GetValue(), kBorders[state], frames);
    StartFade();
}

void CUIBannerTextButton::OnTimer(UINT localId) {
    if (localId == kFadeTimer) StepFade({&m_background, &m_border});
}

bool CUIBannerTextButton::OnSetCursor() {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    if (!skin) return false;
    SetCursor(skin->GetHandCursor());
    return true;
}

void CUIBannerTextButton::OnSkinChanged(uint32_t bits) {
    if (!(bits & wendaldui::kSkinChangedFont)) return;
    BuildFont();
    UpdateAutoSize();
}

void CUIBannerTextButton::OnPaint(wendaldui::PaintContext& context) {
    const wendaldui::UIRect& r = context.rect;
    Gdiplus::SolidBrush fill{Gdiplus::Color(m_background.GetValue())};
    context.graphics->FillRectangle(&fill, r.x, r.y, r.width, r.height);
    Gdiplus::Pen frame(Gdiplus::Color(m_border.GetValue()), 1.0f);
    context.graphics->DrawRectangle(&frame, r.x, r.y, r.width - 1, r.height - 1);
    if (!m_font || !m_format) return;
    if (m_glow) m_glow->Draw(context.graphics, m_drawText.GetString(), m_font, m_format, r);
    wendaldui::DrawTextInRect(context.graphics, m_drawText.GetString(), m_drawText.GetLength(), m_font,
                              Gdiplus::RectF(static_cast<float>(r.x), static_cast<float>(r.y),
                                             static_cast<float>(r.width), static_cast<float>(r.height)),
                              0xFFFFFFFF, m_format);
}

bool CUIBannerTextButton::GetDesiredSize(int& width, int& height) {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    if (!skin || !m_font || !skin->GetMeasureGraphics()) return false;
    Gdiplus::RectF box;
    skin->GetMeasureGraphics()->MeasureString(m_drawText.GetString(), m_drawText.GetLength(), m_font,
                                              Gdiplus::PointF(0, 0), m_format, &box);
    width = static_cast<int>(std::ceil(box.Width));
    height = static_cast<int>(std::ceil(box.Height));
    return true;
}

}  // namespace ui
}  // namespace trelm
