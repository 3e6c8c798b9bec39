// The rows the version-list and installer dialogs show, read from the four
// downloaded lists (the version manifest, the Forge builds, the OptiFine
// patches, the LiteLoader versions). Pure: the dialogs put the rows into
// their list controls, the tests read them as they are.
#pragma once

#include <vector>

#include "core/JsonFile.h"
#include "core/WString.h"

namespace trelm {
namespace ui {

struct VersionListRows {
    std::vector<std::vector<WString>> rows;  // cells in column order
    int selected = -1;                       // the row to select, -1 for none
    WString message;                         // for the status label
};

// Each returns false when the document is not the list it expects; an empty
// list is valid (true, with the dialog's "没有适用的" message where it has one).
bool ReadVanillaList(const JsonValue& root, VersionListRows& out);
bool ReadForgeList(const JsonValue& root, const wchar_t* gameVersion, VersionListRows& out);
bool ReadOptiFineList(const JsonValue& root, const wchar_t* gameVersion, VersionListRows& out);
bool ReadLiteLoaderList(const JsonValue& root, const wchar_t* gameVersion, VersionListRows& out);

// The Forge builds' order: recommended in bit 63, latest in bit 62, the build
// number below; larger sorts first. Unsigned, so the recommended build leads.
uint64_t ForgeSortKey(bool recommended, bool latest, int32_t build);

// The installer's address below the mirror's Forge folder, with or without a branch.
void BuildForgeInstallerUrl(WString& out, const wchar_t* gameVersion, const wchar_t* forgeVersion,
                            const wchar_t* branch);
// The Forge build's branch from the stored list ("" when none).
void FindForgeBranch(const JsonValue& root, const wchar_t* forgeVersion, WString& branch);

}  // namespace ui
}  // namespace trelm
