// The content of a combo box's pop-up: the combo's list box over its whole
// area, with the keyboard focus so that the keys the owner passes on reach it.
#pragma once

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {
namespace internal {

class CComboxDropListContainer : public CUIContainer {
public:
    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;
};

}  // namespace internal
}  // namespace wendaldui
