// Creating a child control in one line, for dialogs that lay out many.
#pragma once

#include "WendalDui/Control/UIContainer.h"

namespace trelm {
namespace ui {

// A new T attached to parent, or null (and nothing leaked) when Create
// refuses it.
template <typename T>
T* AddControl(wendaldui::CUIContainer* parent, uint32_t flags, const wendaldui::UIRect& rect, int id,
              void* arg = nullptr) {
    T* control = new T;
    if (!parent || !control->Create(parent, flags, rect, id, arg)) {
        delete control;
        return nullptr;
    }
    return control;
}

}  // namespace ui
}  // namespace trelm
