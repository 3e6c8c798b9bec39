// The modal colour dialog: the HSL picker with decimal red, green and blue
// fields and a hex field below it, which a title-bar button folds away. Every
// change reaches the caller at once (the theme follows it live); closing the
// window hands the chosen colour back, and there is no cancel.
#pragma once

#include <windows.h>

#include <cstdint>

#include "WendalDui/Core/DuiDialog.h"
#include "WendalDui/Utils/Delegate.h"

namespace wendaldui {

class CUIHSLPicker;
class CUIRichEdit;
class CUITitleBarButton;

class CDlgColorPicker : public CDuiDialog {
public:
    enum ParamFlags : uint8_t {
        kStartExpanded = 0x1,  // the value fields are shown at first
        kHslGiven = 0x2,       // h, s and l hold the start colour, else argb
    };
    // Ids in the client area, and of the fields inside the value row.
    enum ControlId { kPickerId = 1, kValueRowId = 2, kHexId = 5, kRedId = 6, kGreenId = 7, kBlueId = 8 };
    static constexpr int kExpandButtonId = 1;  // in the title bar

    // Owned by the caller; on return it holds the chosen colour in both forms.
    struct Param {
        float h;  // degrees
        float s;
        float l;
        wendal_::IDelegate<void, const CUIHSLPicker&>* onChange;  // may be null
        const wchar_t* title;
        uint32_t argb;
        uint8_t flags;  // ParamFlags
    };

    explicit CDlgColorPicker(Param* param) : m_param(param) {}

    // Blocks in a modal loop over the owner until the window is closed.
    static void ShowModal(Param* param, HWND owner);

    void OnCreate() override;

    bool IsExpanded() const { return m_expanded; }
    // Shows or hides the value row and resizes the window to match, in place.
    void SetExpanded(bool expanded);

    CUIHSLPicker* GetPicker() const;
    // One of the value fields by its ControlId.
    CUIRichEdit* GetValueField(int id) const;
    // 0x00RRGGBB of the picker's colour, as the fields show it.
    uint32_t GetCurrentRgb() const;

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnCloseMessage(WPARAM wParam, LPARAM lParam);

private:
    void CreateValueRow(CUIContainer* client);
    // Writes the colour into every field but `except` without change events.
    void FillFields(uint32_t rgb, const CUIControl* except);
    // A colour typed into `source`: the picker takes it, the other fields
    // follow and the caller hears of it.
    void ApplyTypedColor(uint32_t rgb, const CUIControl* source);
    void NotifyChange();

    void OnPickerChanged(EventData& event);
    void OnFieldChanged(EventData& event);
    void OnExpandClick(EventData& event);

    Param* m_param;
    CUITitleBarButton* m_expandButton = nullptr;
    bool m_expanded = true;
};

}  // namespace wendaldui
