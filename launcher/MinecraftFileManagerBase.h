// The game root and the paths of the ".minecraft" tree below it.
#pragma once

#include "core/WString.h"

namespace trelm {
namespace launcher {

class MinecraftFileManagerBase {
public:
    virtual ~MinecraftFileManagerBase() = default;

    // null, "" and "." mean the current directory; a separator is appended
    // unless the text is empty or already ends in one.
    void SetRoot(const wchar_t* root);
    const WString& GetRoot() const { return root; }

    void GetVersionJsonPath(WString& out, const wchar_t* id) const;  // versions\<id>\<id>.json
    void GetVersionJarPath(WString& out, const wchar_t* id) const;   // versions\<id>\<id>.jar
    void GetLibraryFilePath(WString& out, const wchar_t* path) const;  // libraries\<path>
    void GetAssetIndexPath(WString& out, const wchar_t* assetsId) const;  // assets\indexes\<id>.json
    // assets\objects\<first two characters>\<hash>; the hash must be checked
    // by the caller (40 hex digits).
    void GetAssetObjectPath(WString& out, const wchar_t* hash) const;
    void GetLegacyAssetPath(WString& out, const wchar_t* name) const;  // assets\virtual\legacy\<name>
    void GetNativesFolder(WString& out, const wchar_t* id) const;      // native\<id>\ (with the separator)

protected:
    WString root;
};

}  // namespace launcher
}  // namespace trelm
