#include "launcher/MinecraftDeleter.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "core/Encoding.h"
#include "core/FileUtils.h"
#include "core/JsonFile.h"
#include "launcher/LibraryRules.h"
#include "launcher/MinecraftFileManager.h"

namespace trelm {
namespace launcher {

namespace {

// Relative library paths or object hashes, in ordinal order.
typedef std::set<std::wstring> NameSet;

enum : uint32_t { kLibraryKinds = MinecraftDeleter::DeleteBaseLibraries | MinecraftDeleter::DeleteModLibraries };

std::wstring Text(const WString& text) { return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength())); }

// Ids become folder names that whole trees are deleted under: nothing that
// leaves versions\ or native\, and no "." that would name the folder itself.
bool IsDeletableId(const WString& id) {
    return IsValidVersionId(id.GetString(), static_cast<size_t>(id.GetLength())) && id != L".";
}

struct VersionForDelete {
    JsonDocument document;
    bool inherits = false;
    WString parent;
    bool hasAssets = false;  // inheriting versions take their assets from the root ancestor
    WString assetsId;
};

bool LoadVersionForDelete(const MinecraftFileManagerBase& tree, const WString& id, VersionForDelete& out) {
    if (!IsDeletableId(id)) return false;
    WString path;
    tree.GetVersionJsonPath(path, id.GetString());
    if (!LoadJsonFile(&out.document, path.GetString()) || !out.document.IsObject()) return false;
    out.inherits = GetJsonStringMember(out.document, L"inheritsFrom", out.parent);
    if (GetJsonStringMember(out.document, L"assets", out.assetsId)) {
        out.hasAssets = IsDeletableId(out.assetsId);
    } else if (!out.inherits) {
        out.assetsId = L"legacy";
        out.hasAssets = true;
    }
    return true;
}

bool LoadAssetIndexForDelete(const MinecraftFileManagerBase& tree, const WString& assetsId, JsonDocument& out) {
    WString path;
    tree.GetAssetIndexPath(path, assetsId.GetString());
    return LoadJsonFile(&out, path.GetString()) && out.IsObject();
}

bool IsBaseLibrary(const JsonValue& library) {
    const JsonValue* name = FindJsonMember(library, L"name");
    if (!IsJsonString(name) || FindJsonMember(library, L"url") != nullptr) return false;
    return !ContainsNoCase(name->GetString(), L"optifine") && !ContainsNoCase(name->GetString(), L"liteloader");
}

// Both arch forms of native libraries, so a 64-bit Java's natives go too.
// Entries whose path would leave libraries\ are skipped.
void CollectLibraries(const JsonValue& document, uint32_t kinds, NameSet& out) {
    const JsonValue* libraries = FindJsonMember(document, L"libraries");
    if (libraries == nullptr || !libraries->IsArray()) return;
    for (const JsonValue& library : libraries->GetArray()) {
        const uint32_t kind = IsBaseLibrary(library) ? MinecraftDeleter::DeleteBaseLibraries
                                                     : MinecraftDeleter::DeleteModLibraries;
        if (!(kinds & kind)) continue;
        for (int arch = 0; arch < 2; ++arch) {
            bool allowed = false;
            WString path;
            if (GetLibraryPath(library, arch, allowed, path) && allowed && !path.IsEmpty()) out.insert(Text(path));
        }
    }
}

// Only 40 hex digits name an object file.
void CollectAssetObjects(const JsonValue& index, NameSet& out) {
    const JsonValue* objects = FindJsonMember(index, L"objects");
    if (objects == nullptr || !objects->IsObject()) return;
    for (const auto& member : objects->GetObject()) {
        const JsonValue* hash = FindJsonMember(member.value, L"hash");
        if (IsJsonString(hash) && IsSha1HexText(hash->GetString(), hash->GetStringLength()))
            out.insert(std::wstring(hash->GetString(), hash->GetStringLength()));
    }
}

NameSet Difference(const NameSet& a, const NameSet& b) {
    NameSet result;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(result, result.end()));
    return result;
}

// A file that is not there is no failure.
bool DeleteIfFile(const WString& path) { return !FileExists(path.GetString()) || DeleteFileW(path.GetString()); }

bool DeleteIfFileWithEmptyParents(const WString& path, const WString& top) {
    return !FileExists(path.GetString()) || DeleteFileAndEmptyParents(path.GetString(), top.GetString());
}

bool DeleteIfFolder(const WString& path) {
    return !DirectoryExists(path.GetString()) || DeleteDirectoryTree(path.GetString());
}

}  // namespace

MinecraftDeleter::MinecraftDeleter(const wchar_t* rootPath) { SetRoot(rootPath); }

MinecraftDeleter::~MinecraftDeleter() = default;

bool MinecraftDeleter::DeleteDownloadableFiles(const MinecraftList& list, int* chosen, int count, uint32_t flags,
                                               std::vector<WString>& protectedIds) {
    protectedIds.clear();
    const int versionCount = static_cast<int>(list.versions.size());
    std::vector<bool> isChosen(list.versions.size(), false);
    NameSet chosenIds;
    for (int i = 0; i < count; ++i) {
        if (chosen[i] < 0 || chosen[i] >= versionCount) continue;
        isChosen[static_cast<size_t>(chosen[i])] = true;
        chosenIds.insert(Text(list.versions[static_cast<size_t>(chosen[i])].id));
    }

    std::vector<std::unique_ptr<VersionForDelete>> kept;
    std::vector<std::unique_ptr<JsonDocument>> keptIndexes;
    NameSet keptAssetsIds;
    NameSet triedIndexes;
    NameSet protectedSet;
    for (int i = 0; i < versionCount; ++i) {
        if (isChosen[static_cast<size_t>(i)]) continue;
        std::unique_ptr<VersionForDelete> version(new VersionForDelete);
        if (!LoadVersionForDelete(*this, list.versions[static_cast<size_t>(i)].id, *version)) continue;
        if ((flags & DeleteVersionJson) && version->inherits) {
            NameSet walked;
            WString ancestor = version->parent;
            while (true) {
                const std::wstring key = Text(ancestor);
                if (chosenIds.count(key) != 0) protectedSet.insert(key);
                if (!walked.insert(key).second) break;
                VersionForDelete next;
                if (!LoadVersionForDelete(*this, ancestor, next) || !next.inherits) break;
                ancestor = next.parent;
            }
        }
        if (version->hasAssets) {
            const std::wstring key = Text(version->assetsId);
            keptAssetsIds.insert(key);
            if (triedIndexes.insert(key).second) {
                std::unique_ptr<JsonDocument> index(new JsonDocument);
                if (LoadAssetIndexForDelete(*this, version->assetsId, *index)) keptIndexes.push_back(std::move(index));
            }
        }
        kept.push_back(std::move(version));
    }
    for (const std::wstring& id : protectedSet) protectedIds.push_back(WString(id.c_str()));
    if (!protectedIds.empty()) return false;

    NameSet keptLibraries;
    for (const auto& version : kept) CollectLibraries(version->document, kLibraryKinds, keptLibraries);
    NameSet keptHashes;
    for (const auto& index : keptIndexes) CollectAssetObjects(*index, keptHashes);

    const WString gameDir = root + L".minecraft\\";
    const WString librariesDir = gameDir + L"libraries\\";
    const WString assetsDir = gameDir + L"assets\\";
    int handled = 0;
    for (int i = 0; i < count; ++i) {
        if (chosen[i] < 0 || chosen[i] >= versionCount) continue;
        // The folder name, never the JSON's "id": an "id" of "" or ".."
        // would name every version's natives or the whole game folder.
        const WString& id = list.versions[static_cast<size_t>(chosen[i])].id;
        VersionForDelete version;
        if (!LoadVersionForDelete(*this, id, version)) continue;
        const bool hasId = IsJsonString(FindJsonMember(version.document, L"id"));
        int failures = 0;
        if (flags & kLibraryKinds) {
            NameSet libraries;
            CollectLibraries(version.document, flags & kLibraryKinds, libraries);
            for (const std::wstring& path : Difference(libraries, keptLibraries)) {
                WString full;
                GetLibraryFilePath(full, path.c_str());
                if (!DeleteIfFileWithEmptyParents(full, librariesDir)) ++failures;
            }
        }
        if ((flags & DeleteNatives) && hasId) {
            WString natives;
            GetNativesFolder(natives, id.GetString());
            natives.Truncate(natives.GetLength() - 1);  // the tree walk wants no trailing separator
            if (!DeleteIfFolder(natives)) ++failures;
            RemoveDirectoryW((gameDir + L"native").GetString());  // only when it became empty
        }
        if ((flags & DeleteAssetObjects) && version.hasAssets) {
            JsonDocument index;
            if (LoadAssetIndexForDelete(*this, version.assetsId, index)) {
                NameSet hashes;
                CollectAssetObjects(index, hashes);
                for (const std::wstring& hash : Difference(hashes, keptHashes)) {
                    WString object;
                    GetAssetObjectPath(object, hash.c_str());
                    if (!DeleteIfFileWithEmptyParents(object, assetsDir)) ++failures;
                }
            }
        }
        const bool assetsKept = version.hasAssets && keptAssetsIds.count(Text(version.assetsId)) != 0;
        if ((flags & DeleteLegacyAssets) && version.hasAssets && version.assetsId == L"legacy" && !assetsKept) {
            if (!DeleteIfFolder(assetsDir + L"virtual\\legacy")) ++failures;
            RemoveDirectoryW((assetsDir + L"virtual").GetString());
        }
        if ((flags & DeleteAssetIndex) && version.hasAssets && !assetsKept) {
            WString index;
            GetAssetIndexPath(index, version.assetsId.GetString());
            if (!DeleteIfFile(index)) ++failures;
        }
        const uint32_t jarFlag = version.inherits ? DeleteJarOfDerivedVersion : DeleteJarOfBaseVersion;
        if ((flags & jarFlag) && hasId) {
            WString jar;
            GetVersionJarPath(jar, id.GetString());
            if (!DeleteIfFile(jar)) ++failures;
        }
        bool done = failures == 0;
        if (done && (flags & DeleteVersionJson)) {
            WString json;
            GetVersionJsonPath(json, id.GetString());
            done = DeleteIfFile(json);
        }
        if (done) {
            chosen[i] = -1;
            ++handled;
        }
    }
    return handled == count;
}

bool MinecraftDeleter::DeleteGameTempFiles() {
    const WString gameDir = root + L".minecraft\\";
    bool ok = true;
    // A game folder that held nothing else goes with its last file.
    for (const wchar_t* name : {L"output-client.log", L"realms_persistence.json", L"usercache.json"})
        ok = DeleteIfFileWithEmptyParents(gameDir + name, gameDir) && ok;
    for (const wchar_t* name : {L"logs", L"crash-reports"}) ok = DeleteIfFolder(gameDir + name) && ok;
    return ok;
}

}  // namespace launcher
}  // namespace trelm
