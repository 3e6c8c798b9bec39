// Installs a downloaded OptiFine jar as a new version inheriting from an
// installed one, or as a mod.
#pragma once

#include "core/WString.h"
#include "core/byte_buffer.h"
#include "core/noncopyable.h"
#include "launcher/ErrorMsg.h"
#include "launcher/MinecraftFileManagerBase.h"

namespace trelm {
namespace launcher {

class OptiFineInstaller : public MinecraftFileManagerBase, public ErrorMsg, private wendal_::noncopyable {
public:
    explicit OptiFineInstaller(const wchar_t* root);
    ~OptiFineInstaller() override;

    // gameVersion, type and edition as the OptiFine list gives them (1.12.2,
    // HD_U, E3): the version <baseId>-OptiFine_<type>_<edition> with the jar
    // as the library optifine:OptiFine:<gameVersion>_<type>_<edition>.
    bool InstallAsVersion(const wendal_::byte_buffer& jar, const wchar_t* gameVersion, const wchar_t* type,
                          const wchar_t* edition, const wchar_t* baseId);
    // Copies the jar into the mods folder of the game folder, or of the
    // version's own folder; tells where it went.
    bool InstallAsMod(const wendal_::byte_buffer& jar, const wchar_t* gameVersion, const wchar_t* type,
                      const wchar_t* edition, const wchar_t* versionId, bool separateFolders, WString* modsFolder,
                      WString* fileName);

private:
    bool CheckNames(const wchar_t* gameVersion, const wchar_t* type, const wchar_t* edition);
};

}  // namespace launcher
}  // namespace trelm
