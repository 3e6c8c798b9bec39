#include "WendalDui/Control/UILineSplitter.h"

#include <gdiplus.h>

#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/ImageProcessing.h"

namespace wendaldui {

namespace {

constexpr uint32_t kLineColor = 0xE6C8C8C8;
constexpr int kCaptionFormat = 5;  // vertically centred, near
constexpr float kLeftLength = 40.0f;

}  // namespace

void CUILineSplitter::OnCreate(void* arg) {
    m_caption = arg ? static_cast<const wchar_t*>(arg) : L"";
    m_leftLength = static_cast<int>(kLeftLength * g_dpiFactor);
    m_captionWidth = -1;
}

void CUILineSplitter::OnSkinChanged(uint32_t bits) {
    if (bits & kSkinChangedFont) m_captionWidth = -1;
}

int CUILineSplitter::MeasureCaption() {
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (!skin || !skin->GetMeasureGraphics()) return 0;
    Gdiplus::RectF box;
    skin->GetMeasureGraphics()->MeasureString(m_caption.GetString(), m_caption.GetLength(), skin->GetFont(1),
                                              Gdiplus::PointF(0, 0), skin->GetStringFormat(kCaptionFormat), &box);
    return static_cast<int>(box.Width + 1.0f);
}

void CUILineSplitter::OnPaint(PaintContext& context) {
    const UIRect& r = context.rect;
    const int middle = r.y + r.height / 2;
    Gdiplus::Pen pen(Gdiplus::Color(kLineColor), 1.0f);
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    if (m_caption.GetLength() == 0 || !skin) {
        context.graphics->DrawLine(&pen, r.x, middle, r.x + r.width, middle);
        return;
    }
    if (m_captionWidth < 0) m_captionWidth = MeasureCaption();
    const int gap = static_cast<int>(static_cast<float>(skin->GetTextIndent()) * g_dpiFactor);
    const int captionX = r.x + m_leftLength + gap;
    context.graphics->DrawLine(&pen, r.x, middle, r.x + m_leftLength, middle);
    DrawTextInRect(context.graphics, m_caption.GetString(), m_caption.GetLength(), skin->GetFont(1),
                   Gdiplus::RectF(static_cast<float>(captionX), static_cast<float>(r.y),
                                  static_cast<float>(m_captionWidth), static_cast<float>(r.height)),
                   skin->GetColor(0), skin->GetStringFormat(kCaptionFormat));
    context.graphics->DrawLine(&pen, r.x + m_leftLength + m_captionWidth + gap, middle, r.x + r.width, middle);
}

}  // namespace wendaldui
