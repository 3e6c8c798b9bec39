#include "ui/UIComboBoxName.h"

#include "ui/UIListBoxName.h"

namespace trelm {
namespace ui {

wendaldui::CUIListBoxBase* CUIComboBoxName::CreateListBox() { return new internal::CUIListBoxName; }

}  // namespace ui
}  // namespace trelm
