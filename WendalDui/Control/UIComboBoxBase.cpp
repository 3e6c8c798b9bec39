#include "WendalDui/Control/UIComboBoxBase.h"

#include <gdiplus.h>

#include <algorithm>

#include "WendalDui/Control/ComboxDropListWindow.h"
#include "WendalDui/Control/UIButtonBase.h"
#include "WendalDui/Control/UIComboBoxButton.h"
#include "WendalDui/Control/UIListBoxBase.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"
#include "WendalDui/Core/SkinPaint.h"

namespace wendaldui {

namespace {

constexpr int kButtonWidth = 20;  // logical pixels
constexpr int kGap = 2;           // logical pixels between the box and its list
constexpr int kDefaultVisibleItems = 15;
constexpr UINT kColorTimer = 1;
constexpr UINT kColorFrameMs = 20;
constexpr int kBorderEntry = 4;
constexpr int kPlainBackgroundEntry = 36;
constexpr int kEditableBackgroundEntry = 40;
constexpr uint32_t kEditFlags =
    kControlRectInPixels | kControlDoubleClicks | kControlFocusable | kControlVisible | kRichEditCentreLine;
constexpr uintptr_t kEditBits = kRichEditTransparent | kRichEditNoDrag | kRichEditHideSelection;
constexpr uint32_t kButtonFlags = kControlRectInPixels | kControlVisible;

int ButtonWidth() { return DpiScale(static_cast<float>(kButtonWidth)); }

}  // namespace

CUIComboBoxBase::~CUIComboBoxBase() {
    // A combo box deleted without Destroy (with its container, say) must not
    // leave its filter on the window or its pop-up on the screen.
    ReleaseDropDown();
}

void CUIComboBoxBase::ReleaseDropDown() {
    if (m_window) m_window->RemoveMessageFilter(this);
    internal::CComboxDropListWindow* drop = m_drop;
    m_drop = nullptr;
    m_open = false;
    if (!drop) return;
    if (drop->GetHWND()) DestroyWindow(drop->GetHWND());
    delete drop;
}

void CUIComboBoxBase::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIContainer::OnFlagChange(newFlags, bit, value, accepted);
    // The edit is made (or not) at creation: the editable bit cannot change later.
    if (bit == kComboSelectEditText) accepted = true;
}

UIRect CUIComboBoxBase::TextArea() const { return UIRect(0, 0, m_rect.width - ButtonWidth(), m_rect.height); }

int CUIComboBoxBase::BackgroundEntry() const {
    return IsEditable() ? kEditableBackgroundEntry : kPlainBackgroundEntry;
}

void CUIComboBoxBase::OnCreate(void*) {
    if (IsEditable()) {
        m_edit = new CUIRichEdit;
        if (m_edit->Create(this, kEditFlags, TextArea(), kEditId, reinterpret_cast<void*>(kEditBits))) {
            m_edit->BindEvent(kEventRichEditChanged, this, &CUIComboBoxBase::OnEditChanged);
        } else {
            delete m_edit;
            m_edit = nullptr;
        }
    }
    internal::CUIComboBoxButton* button = new internal::CUIComboBoxButton;
    const int bw = ButtonWidth();
    if (!button->Create(this, kButtonFlags, UIRect(m_rect.width - bw, 0, bw, m_rect.height), kButtonId)) delete button;
    // The list lives in the pop-up's controls from the start; the pop-up's
    // window is made when the list first opens.
    m_drop = new internal::CComboxDropListWindow(this);
    m_drop->MakeControls();
    m_visualState = IsEffectivelyEnabled() ? kVisualNormal : kVisualDisabled;
    RestColors();
    if (m_window) m_window->AddMessageFilter(this);
}

void CUIComboBoxBase::OnDestroy() {
    ReleaseDropDown();
    CUIContainer::OnDestroy();
    m_edit = nullptr;
}

CUIRichEdit* CUIComboBoxBase::GetEdit() const { return m_edit && HasChild(m_edit) ? m_edit : nullptr; }

CUIListBoxBase* CUIComboBoxBase::GetListBox() const { return m_drop ? m_drop->GetListBox() : nullptr; }

void CUIComboBoxBase::RestColors() {
    internal::RestTween(m_border, internal::PaletteColor(kBorderEntry + m_visualState));
    internal::RestTween(m_background, internal::PaletteColor(BackgroundEntry() + m_visualState));
}

void CUIComboBoxBase::SetVisualState(int state) {
    if (!IsEffectivelyEnabled()) state = kVisualDisabled;
    if (state == m_visualState) return;
    m_visualState = state;
    const int frames = state == kVisualPressed ? 3 : 5;
    internal::RetargetTween(m_border, internal::PaletteColor(kBorderEntry + state), frames);
    internal::RetargetTween(m_background, internal::PaletteColor(BackgroundEntry() + state), frames);
    if (m_window) m_window->SetControlTimer(this, kColorTimer, kColorFrameMs);
}

void CUIComboBoxBase::OnTimer(UINT localId) {
    if (localId != kColorTimer) return;
    const bool border = m_border.Step();
    const bool background = m_background.Step();
    Invalidate();
    if (!border && !background && m_window) m_window->KillControlTimer(this, kColorTimer);
}

void CUIComboBoxBase::OnSkinChanged(uint32_t bits) {
    CUIContainer::OnSkinChanged(bits);
    if (!(bits & kSkinChangedColors)) return;
    RestColors();
    Invalidate();
}

bool CUIComboBoxBase::ItemText(int index, WString& text) const {
    CUIListBoxBase* list = GetListBox();
    CUIListBoxViewBase* view = list ? list->GetListView() : nullptr;
    CUIListBoxViewBase::LBItemBase* item = view ? view->GetItem(index) : nullptr;
    text = L"";
    if (!item) return false;
    GetItemText(item, text);
    return true;
}

void CUIComboBoxBase::ShowChosenItem(int index) {
    CUIRichEdit* edit = GetEdit();
    WString text;
    if (!edit) {
        Invalidate();
    } else if (ItemText(index, text)) {
        edit->SetText(text.GetString());
        edit->SetSel(0, -1);
    }
}

void CUIComboBoxBase::OnListSelection(int index) {
    if (index < 0) return;
    ShowChosenItem(index);
    FireEvent(kEventSelectionChanged, static_cast<uint32_t>(index));
}

void CUIComboBoxBase::OnEditChanged(EventData&) {
    if (CUIListBoxBase* list = GetListBox()) list->SetCurSel(-1);
    FireEvent(kEventClick);
}

bool CUIComboBoxBase::SetCurSel(int index) {
    CUIListBoxBase* list = GetListBox();
    if (!list || !list->SetCurSel(index)) return false;
    ShowChosenItem(index);
    return true;
}

int CUIComboBoxBase::GetCurSel() const {
    CUIListBoxBase* list = GetListBox();
    return list ? list->GetCurSel() : -1;
}

void CUIComboBoxBase::SetEditText(const wchar_t* text) {
    CUIRichEdit* edit = GetEdit();
    if (!edit) return;
    // SetText ignores the change notifications of this call only: the user's
    // next edit still raises its event.
    edit->SetText(text);
    if (CUIListBoxBase* list = GetListBox()) list->SetCurSel(FindItemByText(list, text ? text : L""));
}

void CUIComboBoxBase::GetEditText(WString& text) const {
    CUIRichEdit* edit = GetEdit();
    text = edit ? edit->GetText() : WString();
}

void CUIComboBoxBase::GetText(WString& text) const {
    if (IsEditable()) {
        GetEditText(text);
    } else {
        ItemText(GetCurSel(), text);
    }
}

void CUIComboBoxBase::ResetContent() {
    if (CUIListBoxBase* list = GetListBox()) list->RemoveItems(0, list->GetItemCount());
    if (CUIRichEdit* edit = GetEdit()) {
        edit->SetText(L"");
    } else {
        Invalidate();
    }
}

UIRect CUIComboBoxBase::PlaceDropList(const UIRect& control, const RECT& desktop, int desiredWidth, int itemHeight,
                                      int itemCount, int visibleItems, bool& above) {
    const int gap = DpiScale(static_cast<float>(kGap));
    const int desktopWidth = desktop.right - desktop.left, desktopHeight = desktop.bottom - desktop.top;
    const int width = std::max(control.width, std::min(desktopWidth / 2, desiredWidth));
    const int step = std::max(itemHeight, 1);
    int rows = std::min(visibleItems < 1 ? kDefaultVisibleItems : visibleItems, itemCount);
    int height = rows * step + 2;
    if (desktopHeight < height) {
        rows = std::min((desktopHeight - 2) / step, itemCount);
        height = rows * step + 2;
    }
    int top = control.y + control.height + gap;
    above = false;
    if (top + height > desktop.bottom) {
        top = control.y - gap - height;
        above = top >= 0;
        if (!above) top = 0;
    }
    return UIRect(control.x, top, width, height);
}

void CUIComboBoxBase::CalcDropListRect(UIRect& out, bool& above) {
    UIRect control = GetWindowRect();
    if (m_window && m_window->GetHWND()) {
        POINT origin = {control.x, control.y};
        ClientToScreen(m_window->GetHWND(), &origin);
        control.x = origin.x;
        control.y = origin.y;
    }
    RECT desktop;
    ::GetWindowRect(GetDesktopWindow(), &desktop);
    CUIListBoxBase* list = GetListBox();
    CUIListBoxViewBase* view = list ? list->GetListView() : nullptr;
    out = PlaceDropList(control, desktop, list ? list->GetDesiredWidth() : 0, view ? view->GetItemHeight() : 1,
                        list ? list->GetItemCount() : 0, m_visibleItems, above);
}

void CUIComboBoxBase::ShowDropDown(bool show) {
    if (!m_drop) return;
    if (!show) {
        m_drop->Hide();
        m_open = false;
        return;
    }
    CUIListBoxBase* list = GetListBox();
    CUIListBoxViewBase* view = list ? list->GetListView() : nullptr;
    if (!view || !m_drop->MakeWindow()) return;
    UIRect rect;
    bool above = false;
    CalcDropListRect(rect, above);
    m_drop->Place(rect);
    int index = list->GetCurSel();
    if (index < 0 && IsEditable() && (m_flags & kComboSelectEditText)) {
        WString text;
        GetEditText(text);
        index = FindItemByText(list, text.GetString());
        list->SetCurSel(index);
    }
    if (index < 0 || index >= list->GetItemCount()) {
        if (list->GetItemCount() > 0) list->ScrollToY(0, false);
        view->SetHotItem(-1);
    } else {
        list->ScrollToY(index * view->GetItemHeight(), false);
        view->SetHotItem(index);
    }
    m_drop->Show(rect, above);
    m_open = true;
}

LRESULT CUIComboBoxBase::MessageFilter(HWND, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (!m_drop || !m_drop->IsShown()) return 0;
    if (ClosesPopup(message)) {
        // The list counts as open until the click has been handled, so
        // that a click on the box itself closes it without reopening it.
        m_drop->Hide();
        if (m_window) m_window->PostControlCall(this, kClosedCall, 0, 0);
        return 0;
    }
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
        case WM_CHAR:
        case WM_IME_CHAR:
            SendMessageW(m_drop->GetHWND(), message, wParam, lParam);
            handled = message == WM_KEYDOWN &&
                      (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_PRIOR || wParam == VK_NEXT);
            return 0;
        case WM_MOUSEWHEEL:
            SendMessageW(m_drop->GetHWND(), message, wParam, lParam);
            handled = true;
            return 0;
        default:
            return 0;
    }
}

void CUIComboBoxBase::OnPostedCall(UINT code, WPARAM argument1, LPARAM argument2) {
    if (code == kClosedCall) {
        m_open = false;
    } else {
        CUIContainer::OnPostedCall(code, argument1, argument2);
    }
}

int CUIComboBoxBase::HitTest(int x, int y, CUIControl*& out) {
    if (IsEditable()) return CUIContainer::HitTest(x, y, out);
    // The whole box takes the focus; its children only paint.
    out = this;
    return kHitClient;
}

void CUIComboBoxBase::OnLButtonDown(WPARAM keys, int x, int y) {
    if (IsEditable()) {
        CUIContainer::OnLButtonDown(keys, x, y);
        return;
    }
    SetVisualState(kVisualPressed);
    if (!m_open) ShowDropDown(true);
}

void CUIComboBoxBase::OnLButtonDblClk(WPARAM keys, int x, int y) {
    if (IsEditable()) {
        CUIContainer::OnLButtonDblClk(keys, x, y);
    } else {
        OnLButtonDown(keys, x, y);
    }
}

void CUIComboBoxBase::OnLButtonUp(WPARAM keys, int x, int y) {
    if (IsEditable()) {
        CUIContainer::OnLButtonUp(keys, x, y);
    } else {
        SetVisualState(kVisualNormal);
    }
}

void CUIComboBoxBase::OnMouseMove(WPARAM keys, int x, int y) {
    if (IsEditable()) CUIContainer::OnMouseMove(keys, x, y);
}

void CUIComboBoxBase::OnMouseWheel(WPARAM, int delta, int, int) {
    if (m_drop && m_drop->IsShown()) return;
    CUIListBoxBase* list = GetListBox();
    if (list && list->GetListView()) list->GetListView()->MoveSelection(delta < 1 ? 1 : -1, false);
}

void CUIComboBoxBase::OnMouseEnter() {
    if (!IsEditable() || !HasFocus()) SetVisualState(kVisualHover);
}

void CUIComboBoxBase::OnMouseLeave() {
    CUIContainer::OnMouseLeave();
    if (!IsEditable() || !HasFocus()) SetVisualState(kVisualNormal);
}

void CUIComboBoxBase::OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) {
    if (vk == VK_TAB) {
        CUIControl::OnKeyDown(vk, repeat, keyFlags);
        return;
    }
    if (vk == VK_UP || vk == VK_DOWN) {
        CUIListBoxBase* list = GetListBox();
        CUIControlWatch watch(this);  // the choice's handler may destroy the box
        if (list && list->GetListView()) list->GetListView()->MoveSelection(vk == VK_UP ? -1 : 1, false);
        if (!watch.Alive()) return;
    }
    CUIContainer::OnKeyDown(vk, repeat, keyFlags);
}

bool CUIComboBoxBase::OnSysKeyDown(WPARAM vk, UINT, LPARAM) {
    // Only Alt+Down is the box's: Alt+F4 and the rest go on to the window.
    if (vk != VK_DOWN) return false;
    ShowDropDown(!(m_drop && m_drop->IsShown()));
    return true;
}

void CUIComboBoxBase::OnKillFocus() {
    // The edit, losing the focus with the box, scrolls back to its start itself.
    CUIContainer::OnKillFocus();
    if (GetEdit()) {
        SetVisualState(kVisualNormal);
    } else {
        Invalidate();
    }
    ShowDropDown(false);
    FireEvent(kEventKillFocus);
}

void CUIComboBoxBase::OnSetFocus(int) {
    if (CUIRichEdit* edit = GetEdit()) {
        edit->SetFocus(kFocusByProgram);
        SetVisualState(kVisualPressed);
    } else {
        Invalidate();
    }
    FireEvent(kEventSetFocus);
}

void CUIComboBoxBase::OnEnable(bool enabled) {
    CUIContainer::OnEnable(enabled);
    SetVisualState(enabled ? kVisualNormal : kVisualDisabled);
}

void CUIComboBoxBase::OnPaint(PaintContext& context) {
    const UIRect& r = context.rect;
    Gdiplus::SolidBrush fill{Gdiplus::Color(m_background.GetValue())};
    context.graphics->FillRectangle(&fill, r.x, r.y, r.width, r.height);
    Gdiplus::Pen pen(Gdiplus::Color(m_border.GetValue()), 1.0f);
    context.graphics->DrawRectangle(&pen, r.x, r.y, r.width - 1, r.height - 1);
    if (!IsEditable()) {
        CUIListBoxBase* list = GetListBox();
        CUIListBoxViewBase* view = list ? list->GetListView() : nullptr;
        const int index = list ? list->GetCurSel() : -1;
        if (view && index >= 0) {
            const uint32_t state = IsEffectivelyEnabled() ? 0u : uint32_t{CUIListBoxViewBase::kItemDisabled};
            view->DrawItem(CUIListBoxViewBase::DrawItemInfo{TextArea().Offset(r.x, r.y), context.graphics,
                                                             view->GetItem(index), index, state});
        }
    }
    CUIContainer::OnPaint(context);
    int reason = 0;
    if (!IsEditable() && HasFocus(&reason) && reason == kFocusByTab) DrawFocusRect(context.graphics, r.Inflate(-2));
}

}  // namespace wendaldui
