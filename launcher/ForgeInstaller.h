// Installs a Forge version from its installer jar, held in memory: the
// version JSON the jar's "install_profile.json" carries, the Forge library
// it names, and, for a version that inherits nothing, a jar of its own.
// LiteLoader installers of the same profile format install the same way.
#pragma once

#include <zip.h>

#include "core/byte_buffer.h"
#include "core/noncopyable.h"
#include "launcher/ErrorMsg.h"
#include "launcher/MinecraftFileManagerBase.h"

namespace trelm {
namespace launcher {

class ForgeInstaller : public MinecraftFileManagerBase, public ErrorMsg, private wendal_::noncopyable {
public:
    explicit ForgeInstaller(const wchar_t* root);
    ~ForgeInstaller() override;

    // name is the installer's display name, used in the messages. A failed
    // install leaves the tree as it was.
    bool Install(const wendal_::byte_buffer& installerJar, const wchar_t* name);
    bool InstallFromJar(zip_t* archive, const wchar_t* name);
};

}  // namespace launcher
}  // namespace trelm
