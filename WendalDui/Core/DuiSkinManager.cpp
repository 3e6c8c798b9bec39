#include "WendalDui/Core/DuiSkinManager.h"

namespace wendaldui {

namespace {
CDuiSkinManager* g_skin = nullptr;
}

CDuiSkinManager::CDuiSkinManager() { g_skin = this; }

CDuiSkinManager::~CDuiSkinManager() {
    if (g_skin == this) g_skin = nullptr;
}

CDuiSkinManager* CDuiSkinManager::GetInstance() { return g_skin; }

bool CDuiSkinManager::RegisterWindow(CDuiWindow* window) { return m_windows.insert(window).second; }

bool CDuiSkinManager::UnregisterWindow(CDuiWindow* window) { return m_windows.erase(window) != 0; }

}  // namespace wendaldui
