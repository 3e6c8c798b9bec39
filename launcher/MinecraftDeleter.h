// Deletes what the launcher can download again for chosen versions, keeping
// every file that a version staying installed still uses; and the files the
// game itself writes into ".minecraft\".
#pragma once

#include <cstdint>
#include <vector>

#include "core/WString.h"
#include "core/noncopyable.h"
#include "launcher/MinecraftFileManagerBase.h"
#include "launcher/MinecraftList.h"

namespace trelm {
namespace launcher {

class MinecraftDeleter : public MinecraftFileManagerBase, private wendal_::noncopyable {
public:
    enum : uint32_t {
        DeleteBaseLibraries = 0x001,
        DeleteModLibraries = 0x002,  // OptiFine, LiteLoader, and every library with its own "url"
        DeleteNatives = 0x004,
        DeleteAssetObjects = 0x008,
        DeleteLegacyAssets = 0x010,
        DeleteAssetIndex = 0x020,
        DeleteJarOfBaseVersion = 0x040,
        DeleteJarOfDerivedVersion = 0x080,
        DeleteVersionJson = 0x100,  // also refuses versions a kept version inherits from
    };

    explicit MinecraftDeleter(const wchar_t* root);
    ~MinecraftDeleter() override;

    // chosen: indices into list.versions. With DeleteVersionJson, a chosen
    // version that a kept one inherits from stops everything: false, its id
    // in protectedIds, nothing deleted. Otherwise true when every chosen
    // version was handled without a failed deletion; each handled entry of
    // chosen becomes -1.
    bool DeleteDownloadableFiles(const MinecraftList& list, int* chosen, int count, uint32_t flags,
                                 std::vector<WString>& protectedIds);
    // Logs, crash reports and the game's caches; true when nothing failed.
    bool DeleteGameTempFiles();
};

}  // namespace launcher
}  // namespace trelm
