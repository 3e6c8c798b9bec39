// The base of the file dialogs' event handlers: a reference-counted COM
// object answering IFileDialogEvents, with "not implemented" for every event
// the launcher does not look at, and a message box over the file dialog.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include "core/WString.h"

namespace trelm {
namespace ui {

class IFileDialogEventsHelper : public IFileDialogEvents {
public:
    IFileDialogEventsHelper() = default;
    virtual ~IFileDialogEventsHelper() = default;

    IFACEMETHODIMP QueryInterface(REFIID riid, void** object) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;

    IFACEMETHODIMP OnFileOk(IFileDialog*) override { return S_OK; }
    IFACEMETHODIMP OnFolderChanging(IFileDialog*, IShellItem*) override { return E_NOTIMPL; }
    IFACEMETHODIMP OnFolderChange(IFileDialog*) override { return E_NOTIMPL; }
    IFACEMETHODIMP OnSelectionChange(IFileDialog*) override { return E_NOTIMPL; }
    IFACEMETHODIMP OnShareViolation(IFileDialog*, IShellItem*, FDE_SHAREVIOLATION_RESPONSE*) override {
        return E_NOTIMPL;
    }
    IFACEMETHODIMP OnTypeChange(IFileDialog*) override { return E_NOTIMPL; }
    IFACEMETHODIMP OnOverwrite(IFileDialog*, IShellItem*, FDE_OVERWRITE_RESPONSE*) override { return E_NOTIMPL; }

    // MessageBoxW owned by the file dialog's own window (found through its
    // IOleWindow), so that the box stays over the dialog.
    static int ShowMessageBox(IFileDialog* dialog, const wchar_t* text, const wchar_t* caption, UINT type);
    // The item's file-system path; false when it has none.
    static bool GetItemPath(IShellItem* item, WString& path);

private:
    LONG m_refs = 1;
};

}  // namespace ui
}  // namespace trelm
