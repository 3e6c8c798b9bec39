// The main window's account-name box: a combo box of the remembered names
// whose list rows each carry a delete box (see CUIListBoxName).
#pragma once

#include "WendalDui/Control/UIComboBoxString.h"

namespace trelm {
namespace ui {

class CUIComboBoxName : public wendaldui::CUIComboBoxString {
public:
    wendaldui::CUIListBoxBase* CreateListBox() override;
};

}  // namespace ui
}  // namespace trelm
