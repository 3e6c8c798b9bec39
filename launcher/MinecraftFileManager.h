// Reads a version's JSON and the JSONs it inherits from, and works out which
// game files are missing: client jar, libraries, asset index, asset objects.
// Also extracts the natives and copies the assets of "virtual" indexes to
// their legacy names.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/JsonFile.h"
#include "core/WString.h"
#include "core/noncopyable.h"
#include "download/DownloadInfoBase.h"
#include "download/DownloadInfoCommonFile.h"
#include "launcher/ErrorMsg.h"
#include "launcher/MinecraftFileManagerBase.h"

namespace trelm {
namespace launcher {

// One loaded JSON file.
struct VersionChainEntry {
    std::unique_ptr<WString> path;
    std::unique_ptr<JsonDocument> document;
};

// A library as the checks see it; one per relative path.
struct LibraryRecord {
    std::vector<download::DownloadInfoForgeXZLibrary::Checksum> sha1;  // Forge lists several
    int64_t size = -1;
    WString path;  // relative, "\" separators
    WString mirrorUrl;
    WString officialUrl;
    bool isForge = false;
    bool hasChecksums = false;
};

struct AssetObjectRecord {
    WString hash;  // 40 hex digits
    int32_t size = -1;
};

class MinecraftFileManager : public MinecraftFileManagerBase, public ErrorMsg, private wendal_::noncopyable {
public:
    typedef std::vector<download::DownloadInfoBase*> DownloadInfos;

    explicit MinecraftFileManager(const wchar_t* root);
    ~MinecraftFileManager() override;

    // Selects the version; what was loaded for another one is dropped.
    void SetVersion(const wchar_t* id);
    const WString& GetVersionId() const { return versionId; }

    // Each check appends a description for every missing file to infos and
    // adds its size to totalBytes (-1 once any size is unknown). False with
    // the reason in the error message when a JSON cannot be loaded or is
    // malformed; descriptions appended before stay in infos.
    bool CheckClientJar(DownloadInfos& infos, int64_t& totalBytes);
    bool CheckAssetIndex(DownloadInfos& infos, int64_t& totalBytes);
    bool CheckLibraries(DownloadInfos& infos, int64_t& totalBytes);
    bool CheckAssetObjects(DownloadInfos& infos, int64_t& totalBytes);

    bool IsVirtualAssets(bool& isVirtual);
    // Copies every object of a "virtual" index to assets\virtual\legacy\<name>;
    // failures to copy are ignored, the game copes with a missing sound.
    void CopyLegacyAssets();
    // Unzips every native jar of the chain into native\<id>\.
    bool ExtractNatives();

    // The loaded chain: index 0 the selected version, last the root ancestor.
    const std::vector<VersionChainEntry>& GetChain() const { return chain; }
    bool EnsureVersionChain();

    int arch = 0;                     // index into kArchTexts
    bool useMirror = false;           // mirror URL before the official one
    bool verifyLocalSha1 = false;     // a present file must match its SHA-1
    bool verifyDownloadSha1 = false;  // downloads carry their expected SHA-1

protected:
    // A library entry with the JSON file it came from, for messages.
    struct ChainLibrary {
        const JsonValue* library;
        const wchar_t* jsonPath;
    };

    // Every "libraries" element of the chain, the selected version's first,
    // except a launchwrapper of an ancestor when a nearer document names
    // one; false with the message when a file's "libraries" is no array.
    bool CollectChainLibraries(std::vector<ChainLibrary>& out);

private:
    enum : uint32_t { kChainLoaded = 1, kAssetIndexLoaded = 2 };

    bool LoadVersionChain(const wchar_t* id);
    bool EnsureAssetIndex();
    bool LoadAssetIndex();
    void GetAssetsId(WString& out) const;
    bool ParseLibrary(const JsonValue& library, bool& allowed, LibraryRecord& record);
    void GetClientJarUrls(const JsonValue& root, const wchar_t* id, WString& official, WString& mirror,
                          bool& sha1Known, uint8_t sha1[20], int64_t& size) const;
    // A plain file: the mirror's URL first when useMirror and there is one;
    // the expected SHA-1 when verifyDownloadSha1 and sha1 is known.
    void AppendCommonFile(DownloadInfos& infos, int64_t& totalBytes, const WString& target, int64_t size,
                          const WString* mirror, const WString& official, const uint8_t* sha1) const;
    bool LoadJsonChecked(const wchar_t* path, JsonDocument& document);

    std::vector<VersionChainEntry> chain;
    VersionChainEntry assetIndex;
    WString versionId;
    uint32_t loadedFlags = 0;
};

// The file exists and is no folder; with verify, its SHA-1 equals sha1.
bool IsFilePresent(const wchar_t* path, const uint8_t sha1[20], bool verify);

// Adds a description's size to a batch total: any unknown or empty size
// makes the total unknown (-1).
void AddToTotalBytes(int64_t& totalBytes, int64_t size);

void BuildClientJarMirrorUrl(WString& out, const wchar_t* id);
// The mirror's address of an OptiFine build; "1.8" is asked for as "1.8.0".
void BuildOptiFineMirrorUrl(WString& out, const wchar_t* gameVersion, const wchar_t* edition,
                            const wchar_t* patch);

// The most version JSONs one chain may hold: the selected version and its
// ancestors through "inheritsFrom". Real chains hold two to four (an
// OptiFine on a Forge on the game); a deeper one is refused, and the version
// list stops climbing there.
constexpr size_t kMaxVersionChainLength = 16;

// A version id names a folder of its own: no separators, drive or "..",
// and no trailing dot or space, which Windows would drop from the folder.
bool IsValidVersionId(const wchar_t* id, size_t length);

}  // namespace launcher
}  // namespace trelm
