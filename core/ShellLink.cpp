#include "core/ShellLink.h"

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

bool CreateShellLink(const wchar_t* target, const wchar_t* description, const wchar_t* linkPath,
                     const wchar_t* arguments, const wchar_t* workingDirectory) {
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) hr = link->SetPath(target);
    if (SUCCEEDED(hr)) hr = link->SetDescription(description);
    if (SUCCEEDED(hr)) hr = link->SetArguments(arguments);
    if (SUCCEEDED(hr)) hr = link->SetWorkingDirectory(workingDirectory);
    if (SUCCEEDED(hr)) hr = link->SetShowCmd(SW_SHOWNORMAL);
    if (SUCCEEDED(hr)) hr = file->Save(linkPath, FALSE);
    if (file) file->Release();
    if (link) link->Release();
    return SUCCEEDED(hr);
}
