#include "ui/FileDialogEventsHelper.h"

namespace trelm {
namespace ui {

IFACEMETHODIMP IFileDialogEventsHelper::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IFileDialogEvents)) {
        *object = static_cast<IFileDialogEvents*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

IFACEMETHODIMP_(ULONG) IFileDialogEventsHelper::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

IFACEMETHODIMP_(ULONG) IFileDialogEventsHelper::Release() {
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

int IFileDialogEventsHelper::ShowMessageBox(IFileDialog* dialog, const wchar_t* text, const wchar_t* caption,
                                            UINT type) {
    HWND owner = NULL;
    IOleWindow* window = nullptr;
    if (dialog && SUCCEEDED(dialog->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&window)))) {
        window->GetWindow(&owner);
        window->Release();
    }
    return MessageBoxW(owner, text, caption, type);
}

bool IFileDialogEventsHelper::GetItemPath(IShellItem* item, WString& path) {
    wchar_t* name = nullptr;
    if (!item || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) || !name) return false;
    path = name;
    CoTaskMemFree(name);
    return true;
}

}  // namespace ui
}  // namespace trelm
