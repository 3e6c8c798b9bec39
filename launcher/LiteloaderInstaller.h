// Installs a downloaded LiteLoader jar as a new version inheriting from an
// installed one, or as a mod for its game version.
#pragma once

#include "core/JsonFile.h"
#include "core/WString.h"
#include "core/byte_buffer.h"
#include "core/noncopyable.h"
#include "launcher/ErrorMsg.h"
#include "launcher/MinecraftFileManagerBase.h"
#include "launcher/VersionInfo.h"

namespace trelm {
namespace launcher {

class LiteloaderInstaller : public MinecraftFileManagerBase, public ErrorMsg, private wendal_::noncopyable {
public:
    explicit LiteloaderInstaller(const wchar_t* root);
    ~LiteloaderInstaller() override;

    // The version <base id>-LiteLoader<version>; an OptiFine tweaker of the
    // base stays, as OptiFine's secondary tweaker under LiteLoader. The
    // build's libraries (its "libraries" array in the LiteLoader list, or
    // null) follow LiteLoader's own: its tweaker needs launchwrapper and asm.
    bool InstallAsVersion(const wendal_::byte_buffer& jar, const wchar_t* version, const VersionInfo& base,
                          const JsonValue* buildLibraries);
    // Copies the jar to mods\<game version>\ of the game folder, or of the
    // base version's own folder; tells where it went.
    bool InstallAsMod(const wendal_::byte_buffer& jar, const wchar_t* version, const VersionInfo& base,
                      bool separateFolders, WString* modsFolder, WString* fileName);
};

}  // namespace launcher
}  // namespace trelm
