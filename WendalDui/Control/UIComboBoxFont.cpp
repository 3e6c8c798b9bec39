#include "WendalDui/Control/UIComboBoxFont.h"

#include <gdiplus.h>

#include <algorithm>

#include "WendalDui/Control/UIListBoxFont.h"
#include "WendalDui/Control/UIListBoxViewFont.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace wendaldui {

namespace {

struct Enumeration {
    std::vector<std::wstring>* names;
    bool vertical;
};

int CALLBACK AddFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param) {
    Enumeration* e = reinterpret_cast<Enumeration*>(param);
    const wchar_t* name = font->lfFaceName;
    // A family comes once per character set, one after the other.
    if ((name[0] != L'@' || e->vertical) && (e->names->empty() || e->names->back() != name)) {
        e->names->push_back(name);
    }
    return 1;
}

typedef internal::CUIListBoxViewFont::Item FontItem;

}  // namespace

std::vector<std::wstring> CUIComboBoxFont::EnumFamilies(HDC dc, bool vertical) {
    std::vector<std::wstring> names;
    if (!dc) return names;
    Enumeration e = {&names, vertical};
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc, &wanted, &AddFamily, reinterpret_cast<LPARAM>(&e), 0);
    // Sorting brings together any repeats the enumeration did not keep adjacent.
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

void CUIComboBoxFont::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIComboBoxBase::OnFlagChange(newFlags, bit, value, accepted);
    if (bit == kComboFontVertical) accepted = true;
}

void CUIComboBoxFont::OnCreate(void* arg) {
    CUIComboBoxBase::OnCreate(arg);
    CDuiSkinManager* skin = CDuiSkinManager::GetInstance();
    Gdiplus::Graphics* graphics = skin ? skin->GetMeasureGraphics() : nullptr;
    CUIListBoxBase* list = GetListBox();
    if (!graphics || !list) return;
    HDC dc = graphics->GetHDC();
    const std::vector<std::wstring> names = EnumFamilies(dc, (m_flags & kComboFontVertical) != 0);
    graphics->ReleaseHDC(dc);
    std::vector<CUIListBoxViewBase::LBItemBase*> items;
    for (const std::wstring& name : names) items.push_back(new FontItem(name.c_str()));
    if (list->InsertItems(-1, items.data(), static_cast<int>(items.size())) < 0) {
        for (CUIListBoxViewBase::LBItemBase* item : items) delete item;
    }
}

CUIListBoxBase* CUIComboBoxFont::CreateListBox() { return new CUIListBoxFont; }

void CUIComboBoxFont::GetItemText(CUIListBoxViewBase::LBItemBase* item, WString& text) const {
    const FontItem* font = dynamic_cast<const FontItem*>(item);
    text = font ? font->family : WString();
}

int CUIComboBoxFont::FindItemByText(CUIListBoxBase* list, const wchar_t* text) const {
    CUIListBoxViewBase* view = list ? list->GetListView() : nullptr;
    for (int i = 0; view && text && i < view->GetItemCount(); ++i) {
        const FontItem* item = dynamic_cast<const FontItem*>(view->GetItem(i));
        if (item && item->family == text) return i;
    }
    return -1;
}

}  // namespace wendaldui
