// One side of a dialog's drop shadow: a layered, click-through, never
// activated window owned by the dialog, moved and resized with it.
#pragma once

#include <windows.h>

#include "WendalDui/Core/OffscreenDC.h"
#include "WendalDui/Core/WindowBase.h"
#include "WendalDui/Utils/UIRect.h"

namespace wendaldui {
namespace internal {

class CShadowWindow : public CWindowBase {
public:
    // 0 top, 1 right, 2 bottom, 3 left.
    explicit CShadowWindow(int side) : m_side(side) {}
    ~CShadowWindow() override;

    bool Create(HWND owner);
    // Follows the owner's window rect: only moved when the strip keeps its
    // size, redrawn when the size changed.
    void SyncToOwner(const RECT& ownerRect);

    // Where the strip of that side goes for the owner's rect, as
    // (x, y, width, height), with h half the shadow radius.
    static UIRect Geometry(int side, const RECT& ownerRect, int h);

    int GetSide() const { return m_side; }
    const COffscreenDC& GetSurface() const { return m_surface; }

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnCreateMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseMessage(WPARAM wParam, LPARAM lParam);

private:
    COffscreenDC m_surface;
    int m_shadowIndex = 1;  // the skin's large shadow record
    int m_side;
};

}  // namespace internal
}  // namespace wendaldui
