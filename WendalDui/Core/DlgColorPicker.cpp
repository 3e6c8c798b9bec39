#include "WendalDui/Core/DlgColorPicker.h"

#include <gdiplus.h>

#include <cwchar>

#include "WendalDui/Control/UIHSLPicker.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Control/UITitleBar.h"
#include "WendalDui/Control/UITitleBarButton.h"
#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/ColorFields.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"

namespace wendaldui {

namespace {

constexpr int kWidth = 270;
constexpr int kExpandedHeight = 180;
constexpr int kCollapsedHeight = 143;
constexpr uint32_t kAreaFlags = kControlVisible | kControlFocusable | kControlDoubleClicks;
constexpr uint32_t kLabelFlags = kControlVisible | kControlMouseTransparent | kLabelVCenter;
constexpr uint32_t kFieldFlags =
    kControlVisible | kControlFocusable | kControlTabStop | kControlDoubleClicks | kScrollFrame | kRichEditCentreLine;
constexpr uintptr_t kFieldBits = kRichEditHideSelection | kRichEditNoDrag;
constexpr int kRowTop = 6;
constexpr int kRowHeight = 25;


// Up while the value row is shown, down while it is folded away.
void PaintExpandGlyph(CUITitleBarButton* button, Gdiplus::Graphics* graphics, const UIRect& rect, ARGB argb) {
    const CDlgColorPicker* dialog = dynamic_cast<const CDlgColorPicker*>(button->GetWindow());
    const bool up = !dialog || dialog->IsExpanded();
    const float left = static_cast<float>(rect.x) + static_cast<float>(rect.width) * 0.35f;
    const float right = static_cast<float>(rect.x + rect.width) - static_cast<float>(rect.width) * 0.35f;
    const float top = static_cast<float>(rect.y) + static_cast<float>(rect.height) * 0.45f;
    const float bottom = static_cast<float>(rect.y + rect.height) - static_cast<float>(rect.height) * 0.45f;
    const float middle = (left + right) / 2;
    const Gdiplus::PointF points[3] = {
        {left, up ? bottom : top}, {right, up ? bottom : top}, {middle, up ? top : bottom}};
    const Gdiplus::SmoothingMode oldMode = graphics->GetSmoothingMode();
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
    graphics->FillPolygon(&brush, points, 3);
    graphics->SetSmoothingMode(oldMode);
}

uint32_t HslToRgbBytes(const float hsl[3]) {
    uint8_t bytes[3];
    HslToFieldBytes(hsl, bytes);
    return (static_cast<uint32_t>(bytes[0]) << 16) | (static_cast<uint32_t>(bytes[1]) << 8) | bytes[2];
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CDlgColorPicker, CDuiDialog)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnCloseMessage)
DUI_END_MESSAGE_MAP()

void CDlgColorPicker::ShowModal(Param* param, HWND owner) {
    CDuiApp* app = CDuiApp::GetApp();
    if (!param || !app) return;
    CDlgColorPicker dialog(param);
    HWND hwnd = CreateWindowExW(0, kDuiWindowClassName, L"ColorPicker", WS_CAPTION, 0, 0, DpiScale(kWidth),
                                DpiScale(kExpandedHeight), owner, NULL, app->GetInstance(), &dialog);
    if (!hwnd) return;
    ShowWindow(hwnd, SW_SHOW);
    app->RunModalLoop(hwnd);  // destroys the window
}

CUIHSLPicker* CDlgColorPicker::GetPicker() const {
    CUIContainer* client = GetClientContainer();
    return client ? dynamic_cast<CUIHSLPicker*>(client->GetChild(kPickerId)) : nullptr;
}

CUIRichEdit* CDlgColorPicker::GetValueField(int id) const {
    CUIContainer* client = GetClientContainer();
    CUIContainer* row = client ? dynamic_cast<CUIContainer*>(client->GetChild(kValueRowId)) : nullptr;
    return row ? dynamic_cast<CUIRichEdit*>(row->GetChild(id)) : nullptr;
}

uint32_t CDlgColorPicker::GetCurrentRgb() const {
    float hsl[3] = {};
    if (CUIHSLPicker* picker = GetPicker()) picker->GetHSL(hsl);
    return HslToRgbBytes(hsl);
}

void CDlgColorPicker::OnCreate() {
    CDuiDialog::OnCreate();
    CUIContainer* client = GetClientContainer();
    if (!client || !m_param) return;

    if (CUITitleBar* bar = GetTitleBar()) {
        m_expandButton = new CUITitleBarButton(&PaintExpandGlyph);
        if (bar->AddControl(m_expandButton, kControlVisible | kControlRectInPixels, kExpandButtonId,
                            bar->GetRect().height)) {
            m_expandButton->BindEvent(kEventClick, this, &CDlgColorPicker::OnExpandClick);
        } else {
            delete m_expandButton;
            m_expandButton = nullptr;
        }
    }

    CUIHSLPicker* picker = new CUIHSLPicker;
    if (!picker->Create(client, kAreaFlags, UIRect(0, 0, kWidth, 115), kPickerId)) {
        delete picker;
        return;
    }
    picker->BindEvent(kEventClick, this, &CDlgColorPicker::OnPickerChanged);
    CreateValueRow(client);

    float hsl[3] = {m_param->h, m_param->s, m_param->l};
    if (!(m_param->flags & kHslGiven)) ArgbToHsl(m_param->argb, hsl);
    picker->SetHSL(hsl[0], hsl[1], hsl[2]);
    SetExpanded((m_param->flags & kStartExpanded) != 0);
    FillFields(GetCurrentRgb(), nullptr);
    SetWindowTextW(m_hWnd, m_param->title ? m_param->title : L"");
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
}

void CDlgColorPicker::CreateValueRow(CUIContainer* client) {
    CUIContainer* row = new CUIContainer;
    if (!row->Create(client, kAreaFlags, UIRect(0, 115, kWidth, 37), kValueRowId)) {
        delete row;
        return;
    }
    const struct {
        const wchar_t* text;
        int id, x, width;
    } labels[] = {{L"R:", 2, 8, 16}, {L"G:", 3, 60, 16}, {L"B:", 4, 112, 16}, {L"hex:", 1, 164, 28}};
    for (const auto& l : labels) {
        CUILabel* label = new CUILabel;
        label->SetText(l.text);
        if (!label->Create(row, kLabelFlags, UIRect(l.x, kRowTop, l.width, kRowHeight), l.id)) delete label;
    }
    const struct {
        int id, x, width, limit;
    } fields[] = {{kRedId, 26, 32, 3}, {kGreenId, 78, 32, 3}, {kBlueId, 130, 32, 3}, {kHexId, 194, 60, 10}};
    for (const auto& f : fields) {
        CUIRichEdit* edit = new CUIRichEdit;
        if (!edit->Create(row, kFieldFlags, UIRect(f.x, kRowTop, f.width, kRowHeight), f.id,
                          reinterpret_cast<void*>(kFieldBits))) {
            delete edit;
            continue;
        }
        edit->SetLimitText(f.limit);
        edit->BindEvent(kEventRichEditChanged, this, &CDlgColorPicker::OnFieldChanged);
    }
}

void CDlgColorPicker::SetExpanded(bool expanded) {
    if (expanded == m_expanded) return;
    m_expanded = expanded;
    if (m_expandButton) m_expandButton->Invalidate();
    if (CUIContainer* client = GetClientContainer()) {
        if (CUIControl* row = client->GetChild(kValueRowId)) {
            row->SetFlags(expanded ? (row->GetFlags() | kControlVisible) : (row->GetFlags() & ~kControlVisible));
        }
    }
    SetWindowPos(m_hWnd, NULL, 0, 0, DpiScale(kWidth), DpiScale(expanded ? kExpandedHeight : kCollapsedHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDlgColorPicker::FillFields(uint32_t rgb, const CUIControl* except) {
    wchar_t text[16];
    const struct {
        int id;
        const wchar_t* format;
        uint32_t value;
    } fields[] = {{kRedId, L"%d", (rgb >> 16) & 0xFF},
                  {kGreenId, L"%d", (rgb >> 8) & 0xFF},
                  {kBlueId, L"%d", rgb & 0xFF},
                  {kHexId, L"%06x", rgb & 0xFFFFFF}};
    for (const auto& f : fields) {
        CUIRichEdit* edit = GetValueField(f.id);
        if (!edit || edit == except) continue;
        swprintf(text, sizeof text / sizeof text[0], f.format, f.value);
        edit->SetText(text);  // raises no change event, so nothing loops back here
    }
}

void CDlgColorPicker::NotifyChange() {
    CUIHSLPicker* picker = GetPicker();
    if (picker && m_param && m_param->onChange) m_param->onChange->Invoke(*picker);
}

void CDlgColorPicker::ApplyTypedColor(uint32_t rgb, const CUIControl* source) {
    CUIHSLPicker* picker = GetPicker();
    if (!picker) return;
    float hsl[3];
    ArgbToHsl(0xFF000000 | rgb, hsl);
    picker->SetHSL(hsl[0], hsl[1], hsl[2]);
    FillFields(rgb, source);
    NotifyChange();
}

void CDlgColorPicker::OnPickerChanged(EventData&) {
    FillFields(GetCurrentRgb(), nullptr);
    NotifyChange();
}

// A channel that does not read as 0 to 255 ("", "300", "-5") keeps its value,
// yet the other fields are refilled and the caller told, as for any entry.
// Hex text without a digit ("", "#") does nothing: reading it as 0 would
// flash the live theme black while the player types.
void CDlgColorPicker::OnFieldChanged(EventData& event) {
    CUIRichEdit* edit = dynamic_cast<CUIRichEdit*>(event.sender);
    if (!edit) return;
    const WString text = edit->GetText();
    const int id = edit->GetId();
    if (id == kHexId) {
        uint32_t rgb;
        if (ParseHexColor(text.GetString(), rgb)) ApplyTypedColor(rgb, edit);
        return;
    }
    const int shift = id == kRedId ? 16 : id == kGreenId ? 8 : id == kBlueId ? 0 : -1;
    if (shift < 0) return;
    uint32_t rgb = GetCurrentRgb();
    uint8_t channel;
    if (ParseDecimalChannel(text.GetString(), channel)) {
        rgb = (rgb & ~(0xFFu << shift)) | (static_cast<uint32_t>(channel) << shift);
    }
    ApplyTypedColor(rgb, edit);
}

void CDlgColorPicker::OnExpandClick(EventData&) { SetExpanded(!m_expanded); }

LRESULT CDlgColorPicker::OnCloseMessage(WPARAM, LPARAM) {
    if (m_param) {
        float hsl[3] = {};
        if (CUIHSLPicker* picker = GetPicker()) picker->GetHSL(hsl);
        m_param->argb = 0xFF000000 | HslToRgbBytes(hsl);
        m_param->h = hsl[0];
        m_param->s = hsl[1];
        m_param->l = hsl[2];
    }
    CDuiApp::EndModalLoop(m_hWnd);
    return 0;
}

}  // namespace wendaldui
