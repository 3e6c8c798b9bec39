#include "launcher/MinecraftFileManagerBase.h"

#include <windows.h>

#include "core/FileUtils.h"

namespace trelm {
namespace launcher {

namespace {

const wchar_t kVersionsDir[] = L".minecraft\\versions\\";
const wchar_t kLibrariesDir[] = L".minecraft\\libraries\\";
const wchar_t kAssetIndexesDir[] = L".minecraft\\assets\\indexes\\";
const wchar_t kAssetObjectsDir[] = L".minecraft\\assets\\objects\\";
const wchar_t kLegacyAssetsDir[] = L".minecraft\\assets\\virtual\\legacy\\";
const wchar_t kNativesDir[] = L".minecraft\\native\\";

}  // namespace

void MinecraftFileManagerBase::SetRoot(const wchar_t* text) {
    if (text == nullptr || text[0] == L'\0' || wcscmp(text, L".") == 0) {
        DWORD length = GetCurrentDirectoryW(0, nullptr);
        root.Empty();
        if (length > 0) {
            wchar_t* buffer = root.GetBuffer(static_cast<int>(length), false);
            DWORD written = GetCurrentDirectoryW(length, buffer);
            root.ReleaseBuffer(written < length ? static_cast<int>(written) : 0);
        }
    } else {
        root = text;
    }
    AppendPathSeparator(root);
}

void MinecraftFileManagerBase::GetVersionJsonPath(WString& out, const wchar_t* id) const {
    out.Format(L"%s%s%s\\%s.json", root.GetString(), kVersionsDir, id, id);
}

void MinecraftFileManagerBase::GetVersionJarPath(WString& out, const wchar_t* id) const {
    out.Format(L"%s%s%s\\%s.jar", root.GetString(), kVersionsDir, id, id);
}

void MinecraftFileManagerBase::GetLibraryFilePath(WString& out, const wchar_t* path) const {
    out.Format(L"%s%s%s", root.GetString(), kLibrariesDir, path);
}

void MinecraftFileManagerBase::GetAssetIndexPath(WString& out, const wchar_t* assetsId) const {
    out.Format(L"%s%s%s.json", root.GetString(), kAssetIndexesDir, assetsId);
}

void MinecraftFileManagerBase::GetAssetObjectPath(WString& out, const wchar_t* hash) const {
    out.Format(L"%s%s%.2s\\%s", root.GetString(), kAssetObjectsDir, hash, hash);
}

void MinecraftFileManagerBase::GetLegacyAssetPath(WString& out, const wchar_t* name) const {
    out.Format(L"%s%s%s", root.GetString(), kLegacyAssetsDir, name);
}

void MinecraftFileManagerBase::GetNativesFolder(WString& out, const wchar_t* id) const {
    out.Format(L"%s%s%s\\", root.GetString(), kNativesDir, id);
}

}  // namespace launcher
}  // namespace trelm
