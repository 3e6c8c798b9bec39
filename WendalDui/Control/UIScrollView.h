// The view of a CUIScrollContainerView: it holds the content container, which
// keeps its own size and is moved about inside the view as it scrolls.
#pragma once

#include "WendalDui/Control/UIContainer.h"

namespace wendaldui {

class CUIScrollView : public CUIContainer {
public:
    static constexpr int kContentId = 1;

    void OnCreate(void* arg) override;

    // Where the owner puts the controls that scroll.
    CUIContainer* GetContent() const { return static_cast<CUIContainer*>(GetChild(kContentId)); }
};

}  // namespace wendaldui
