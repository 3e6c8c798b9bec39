// The process's one theme object, as far as windows need it: the set of
// windows that a theme change must reach. Colours, fonts and the rest of the
// theme come with the skin.
#pragma once

#include <set>

#include "core/noncopyable.h"

namespace wendaldui {

class CDuiWindow;

class CDuiSkinManager : private wendal_::noncopyable {
public:
    CDuiSkinManager();
    ~CDuiSkinManager();

    // Null until the skin is built and after it is gone.
    static CDuiSkinManager* GetInstance();

    bool RegisterWindow(CDuiWindow* window);
    bool UnregisterWindow(CDuiWindow* window);
    bool IsRegistered(CDuiWindow* window) const { return m_windows.count(window) != 0; }

private:
    std::set<CDuiWindow*> m_windows;
};

}  // namespace wendaldui
