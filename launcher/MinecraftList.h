// The versions installed under ".minecraft\versions\", newest first.
#pragma once

#include <vector>

#include "core/noncopyable.h"
#include "launcher/MinecraftFileManagerBase.h"
#include "launcher/VersionInfo.h"

namespace trelm {
namespace launcher {

class MinecraftList : public MinecraftFileManagerBase, private wendal_::noncopyable {
public:
    // null or "" roots the list at the current directory.
    explicit MinecraftList(const wchar_t* root = nullptr);
    ~MinecraftList() override;

    // Rescans the versions folder. Versions whose JSON is missing, over
    // 10 MiB or invalid are left out. False when the folder cannot be
    // listed to its end; what was found stays in versions.
    bool Refresh();
    // Index of the version with exactly this id (case-sensitive), or -1.
    int FindById(const wchar_t* id) const;

    std::vector<VersionInfo> versions;
};

// The 2014-05-14T17:29:23 part of a "releaseTime" text (a zone offset is
// ignored); false when it holds fewer than six numbers or no valid time.
bool ParseReleaseTime(const wchar_t* text, FILETIME& out);
// The kind bits of an id.
uint32_t VersionKindOf(const wchar_t* id);

// The launcher's list, rooted at the current directory; UI thread only.
extern MinecraftList g_minecraftList;

}  // namespace launcher
}  // namespace trelm
