#include "ui/UIMcMotdIcon.h"

#include <gdiplus.h>

#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/SkinPaint.h"
#include "ui/TrelmResourceManager.h"

namespace trelm {
namespace ui {
namespace internal {

CUIMcMotdIcon::~CUIMcMotdIcon() {
    delete m_favicon;
    delete m_default;
}

void CUIMcMotdIcon::SetFavicon(Gdiplus::Bitmap* favicon) {
    if (favicon != m_favicon) delete m_favicon;
    m_favicon = favicon;
    Invalidate();
}

void CUIMcMotdIcon::OnCreate(void*) {
    m_visualState = IsEffectivelyEnabled() ? wendaldui::kVisualNormal : wendaldui::kVisualDisabled;
}

void CUIMcMotdIcon::OnDestroy() {
    delete m_favicon;
    m_favicon = nullptr;
}

bool CUIMcMotdIcon::OnSetCursor() {
    wendaldui::CDuiSkinManager* skin = wendaldui::CDuiSkinManager::GetInstance();
    if (!skin) return false;
    SetCursor(skin->GetHandCursor());
    return true;
}

void CUIMcMotdIcon::OnPaint(wendaldui::PaintContext& context) {
    Gdiplus::Bitmap* picture = m_favicon;
    if (!picture) {
        // Decoded once, on first use.
        if (!m_default) m_default = CTrelmResourceManager::GetResourcePicture(kPictureServerIcon);
        picture = m_default;
    }
    if (!picture) return;
    const float opacity = m_visualState == wendaldui::kVisualHover ? 0.95f : 0.85f;
    wendaldui::DrawImageAlpha(context.graphics, picture, context.rect, static_cast<uint8_t>(opacity * 255));
}

}  // namespace internal
}  // namespace ui
}  // namespace trelm
