#include "launcher/MinecraftFileManager.h"

#include <windows.h>

#include <process.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <functional>
#include <map>

#include "core/AString.h"
#include "core/Encoding.h"
#include "core/Endpoints.h"
#include "core/FileUtils.h"
#include "core/Sha1.h"
#include "core/TextFile.h"
#include "launcher/LibraryRules.h"
#include "launcher/NativesUnzip.h"

namespace trelm {
namespace launcher {

using download::DownloadInfoBase;
using download::DownloadInfoCommonFile;
using download::DownloadInfoForgeXZLibrary;
using download::DownloadInfoMinecraftLibrary;
using download::DownloadUrl;

namespace {

const wchar_t kBadMember[] = L"Json文件(%s)缺失成员\"%s\"或此成员值不正确";
const wchar_t kReadFailed[] = L"读取文件失败:%s";
const wchar_t kParseFailed[] = L"解析Json文件失败:%s";

WString StringOf(const JsonValue& value) {
    WString text;
    text.Assign(value.GetString(), static_cast<int>(value.GetStringLength()));
    return text;
}

// "sha1" members count only as exactly 40 hex digits.
bool DecodeSha1(const JsonValue* value, uint8_t sha1[20]) {
    if (!IsJsonString(value) || !IsSha1HexText(value->GetString(), value->GetStringLength())) return false;
    return HexDecode(value->GetString(), sha1, 20);
}

bool ReadUint32(const JsonValue* value, int64_t& out) {
    if (value == nullptr || !value->IsUint()) return false;
    out = value->GetUint();
    return true;
}

// Ordinal order of UTF-16 units, as the records are kept.
struct OrdinalLess {
    bool operator()(const WString& a, const WString& b) const {
        return wcscmp(a.GetString(), b.GetString()) < 0;
    }
};

// Runs work(0..count-1) on a few threads when parallel is set. Hashing a
// thousand small asset objects is bound by opening files, which overlaps
// well; the work must not touch shared state except its own slot.
void ForEachInParallel(size_t count, bool parallel, const std::function<void(size_t)>& work) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    size_t threads = parallel ? std::min<size_t>(system.dwNumberOfProcessors, 4) : 1;
    if (count < 64) threads = 1;
    std::atomic<size_t> next(0);
    auto loop = [&]() {
        for (size_t i = next++; i < count; i = next++) work(i);
    };
    std::vector<HANDLE> started;
    struct Start {
        static unsigned __stdcall Run(void* argument) {
            (*static_cast<decltype(loop)*>(argument))();
            return 0;
        }
    };
    for (size_t t = 1; t < threads; ++t) {
        HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Start::Run, &loop, 0, nullptr));
        if (thread != nullptr) started.push_back(thread);
    }
    loop();
    for (HANDLE thread : started) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

// The maven name says net.minecraft:launchwrapper, whatever the version.
bool IsLaunchwrapper(const JsonValue& library) {
    static const wchar_t kPrefix[] = L"net.minecraft:launchwrapper:";
    const JsonValue* name = FindJsonMember(library, L"name");
    return IsJsonString(name) && wcsncmp(name->GetString(), kPrefix, wcslen(kPrefix)) == 0;
}

void AppendDescription(MinecraftFileManager::DownloadInfos& infos, int64_t& totalBytes, DownloadInfoBase* info) {
    infos.push_back(info);
    AddToTotalBytes(totalBytes, info->size);
}

}  // namespace

MinecraftFileManager::MinecraftFileManager(const wchar_t* rootPath) { SetRoot(rootPath); }

MinecraftFileManager::~MinecraftFileManager() = default;

void MinecraftFileManager::SetVersion(const wchar_t* id) {
    versionId = id;
    chain.clear();
    assetIndex = VersionChainEntry();
    loadedFlags = 0;
}

bool MinecraftFileManager::LoadJsonChecked(const wchar_t* path, JsonDocument& document) {
    WString text;
    if (!ReadTextFile(path, &text, static_cast<int64_t>(kMaxJsonFileSize))) return Fail(kReadFailed, path);
    if (!ParseJsonText(text.GetString(), &document) || !document.IsObject()) return Fail(kParseFailed, path);
    return true;
}

bool MinecraftFileManager::LoadVersionChain(const wchar_t* firstId) {
    chain.clear();
    std::vector<WString> visited;
    visited.reserve(8);
    WString id = firstId;
    WString childPath;
    while (true) {
        WString path;
        GetVersionJsonPath(path, id.GetString());
        // Ids name folders; one that climbs out of "versions" is never read.
        if (!IsValidVersionId(id.GetString(), static_cast<size_t>(id.GetLength()))) {
            chain.clear();
            if (childPath.IsEmpty()) return Fail(kReadFailed, path.GetString());
            return Fail(kBadMember, childPath.GetString(), L"inheritsFrom");
        }
        std::unique_ptr<JsonDocument> document(new JsonDocument);
        if (!LoadJsonChecked(path.GetString(), *document)) {
            chain.clear();
            return false;
        }
        const JsonValue* fileId = FindJsonMember(*document, L"id");
        if (!IsJsonString(fileId) || StringOf(*fileId) != id) {
            chain.clear();
            return Fail(kBadMember, path.GetString(), L"id");
        }
        if (chain.empty()) {
            for (const wchar_t* member : {L"mainClass", L"minecraftArguments"}) {
                if (!IsJsonString(FindJsonMember(*document, member))) {
                    chain.clear();
                    return Fail(kBadMember, path.GetString(), member);
                }
            }
        }
        const JsonValue* parent = FindJsonMember(*document, L"inheritsFrom");
        if (parent != nullptr && !parent->IsString()) {
            chain.clear();
            return Fail(kBadMember, path.GetString(), L"inheritsFrom");
        }
        for (const WString& seen : visited) {
            if (seen == id) {
                chain.clear();
                return Fail(L"Json文件(%s)成员\"inheritsFrom\"构成循环继承", path.GetString());
            }
        }
        if (parent != nullptr && visited.size() + 1 >= kMaxVersionChainLength) {
            chain.clear();
            return Fail(L"Json文件(%s)成员\"inheritsFrom\"继承层数超过%d", path.GetString(),
                        static_cast<int>(kMaxVersionChainLength));
        }
        visited.push_back(id);
        WString nextId = parent != nullptr ? StringOf(*parent) : WString();
        VersionChainEntry entry;
        entry.path.reset(new WString(path));
        entry.document = std::move(document);
        chain.push_back(std::move(entry));
        if (parent == nullptr) return true;
        childPath = path;
        id = nextId;
    }
}

bool MinecraftFileManager::EnsureVersionChain() {
    if (loadedFlags & kChainLoaded) return true;
    if (!LoadVersionChain(versionId.GetString())) return false;
    loadedFlags |= kChainLoaded;
    return true;
}

void MinecraftFileManager::GetAssetsId(WString& out) const {
    const JsonValue* assets = FindJsonMember(*chain.back().document, L"assets");
    out = IsJsonString(assets) ? StringOf(*assets) : WString(L"legacy");
}

bool MinecraftFileManager::LoadAssetIndex() {
    WString assetsId;
    GetAssetsId(assetsId);
    WString path;
    GetAssetIndexPath(path, assetsId.GetString());
    if (!IsValidVersionId(assetsId.GetString(), static_cast<size_t>(assetsId.GetLength())))
        return Fail(kBadMember, chain.back().path->GetString(), L"assets");
    std::unique_ptr<JsonDocument> document(new JsonDocument);
    if (!LoadJsonChecked(path.GetString(), *document)) return false;
    assetIndex.path.reset(new WString(path));
    assetIndex.document = std::move(document);
    return true;
}

bool MinecraftFileManager::EnsureAssetIndex() {
    if (!EnsureVersionChain()) return false;
    if (loadedFlags & kAssetIndexLoaded) return true;
    if (!LoadAssetIndex()) return false;
    loadedFlags |= kAssetIndexLoaded;
    return true;
}

bool MinecraftFileManager::ParseLibrary(const JsonValue& library, bool& allowed, LibraryRecord& record) {
    if (!CheckLibraryRules(library, allowed)) return false;
    if (!allowed) return true;
    WString classifier;
    const bool isNative = GetNativeClassifier(library, arch, classifier);
    record.sha1.clear();
    record.size = -1;

    const JsonValue* entry = FindDownloadEntry(library, isNative, classifier);
    const JsonValue* entryPath = entry != nullptr ? FindJsonMember(*entry, L"path") : nullptr;
    const JsonValue* entryUrl = entry != nullptr ? FindJsonMember(*entry, L"url") : nullptr;
    if (IsJsonString(entryPath) && IsJsonString(entryUrl)) {
        record.path = StringOf(*entryPath);
        if (!IsSafeRelativePath(record.path.GetString(), static_cast<size_t>(record.path.GetLength()))) return false;
        record.officialUrl = StringOf(*entryUrl);
        record.mirrorUrl.Format(L"%s/maven/%s", EndpointBase(Endpoint::MirrorMaven).GetString(),
                                record.path.GetString());
        DownloadInfoForgeXZLibrary::Checksum sha1;
        if (DecodeSha1(FindJsonMember(*entry, L"sha1"), sha1.bytes)) record.sha1.push_back(sha1);
        ReadUint32(FindJsonMember(*entry, L"size"), record.size);
    } else {
        const JsonValue* name = FindJsonMember(library, L"name");
        if (!IsJsonString(name)) return false;
        if (!MavenNameToPath(record.path, name->GetString(), isNative ? classifier.GetString() : nullptr))
            return false;
        const JsonValue* url = FindJsonMember(library, L"url");
        if (IsJsonString(url) && ContainsNoCase(url->GetString(), L"minecraftforge")) {
            record.isForge = true;
            const JsonValue* checksums = FindJsonMember(library, L"checksums");
            if (checksums != nullptr && checksums->IsArray()) {
                for (const JsonValue& checksum : checksums->GetArray()) {
                    DownloadInfoForgeXZLibrary::Checksum sha1;
                    if (DecodeSha1(&checksum, sha1.bytes)) record.sha1.push_back(sha1);
                }
            }
            record.hasChecksums = record.sha1.size() >= 2;
            record.officialUrl.Format(L"%s/maven/%s%s", EndpointBase(Endpoint::ForgeMaven).GetString(),
                                      record.path.GetString(), record.hasChecksums ? L".pack.xz" : L"");
            record.mirrorUrl.Empty();
        } else {
            if (IsJsonString(url)) {
                record.officialUrl = StringOf(*url);
                record.officialUrl.Append(record.path);
            } else {
                record.officialUrl.Format(L"%s/%s", EndpointBase(Endpoint::Libraries).GetString(),
                                          record.path.GetString());
            }
            record.mirrorUrl.Format(L"%s/maven/%s", EndpointBase(Endpoint::MirrorMaven).GetString(),
                                    record.path.GetString());
        }
    }
    record.path.Replace(L'/', L'\\');
    return true;
}

bool MinecraftFileManager::CollectChainLibraries(std::vector<ChainLibrary>& out) {
    // One class loader runs the game, so two launchwrappers mix classes of
    // two versions: only the one nearest the selected version stays, as a
    // LiteLoader build names its own over OptiFine's or Forge's.
    bool launchwrapperNamed = false;
    for (const VersionChainEntry& entry : chain) {
        const JsonValue* libraries = FindJsonMember(*entry.document, L"libraries");
        if (libraries == nullptr || !libraries->IsArray())
            return Fail(kBadMember, entry.path->GetString(), L"libraries");
        bool namedHere = false;
        for (const JsonValue& library : libraries->GetArray()) {
            if (IsLaunchwrapper(library)) {
                if (launchwrapperNamed) continue;
                bool allowed = false;
                namedHere |= CheckLibraryRules(library, allowed) && allowed;
            }
            out.push_back({&library, entry.path->GetString()});
        }
        launchwrapperNamed |= namedHere;
    }
    return true;
}

bool MinecraftFileManager::CheckLibraries(DownloadInfos& infos, int64_t& totalBytes) {
    if (!EnsureVersionChain()) return false;
    // The selected version comes first, so its entry wins over an
    // ancestor's entry of the same path.
    std::vector<ChainLibrary> libraries;
    if (!CollectChainLibraries(libraries)) return false;
    std::map<WString, LibraryRecord, OrdinalLess> records;
    for (const ChainLibrary& item : libraries) {
        bool allowed = false;
        LibraryRecord record;
        if (!ParseLibrary(*item.library, allowed, record)) return Fail(kBadMember, item.jsonPath, L"libraries");
        if (!allowed) continue;
        WString key = record.path;
        records.emplace(std::move(key), std::move(record));
    }

    for (const auto& item : records) {
        const LibraryRecord& record = item.second;
        WString target;
        GetLibraryFilePath(target, record.path.GetString());
        if (!record.isForge) {
            const bool present = record.sha1.empty() || !verifyLocalSha1
                                     ? FileExists(target.GetString())
                                     : IsFilePresent(target.GetString(), record.sha1[0].bytes, true);
            if (present) continue;
            DownloadInfoMinecraftLibrary* info = new DownloadInfoMinecraftLibrary;
            info->target = target;
            if (useMirror) info->urls.emplace_back(record.mirrorUrl, download::kSourceMirror);
            info->urls.emplace_back(record.officialUrl, download::kSourceOfficial);
            if (verifyDownloadSha1) {
                if (record.sha1.empty()) {
                    info->flags |= download::kFlagFetchSha1;
                } else {
                    memcpy(info->sha1, record.sha1[0].bytes, 20);
                    info->flags |= download::kFlagSha1Given;
                }
            }
            AppendDescription(infos, totalBytes, info);
        } else {
            if (FileExists(target.GetString())) continue;
            if (!record.hasChecksums) {
                DownloadInfoMinecraftLibrary* info = new DownloadInfoMinecraftLibrary;
                info->target = target;
                info->urls.emplace_back(record.officialUrl, download::kSourceForge);
                if (verifyDownloadSha1 && !record.sha1.empty()) {
                    memcpy(info->sha1, record.sha1[0].bytes, 20);
                    info->flags |= download::kFlagSha1Given;
                }
                AppendDescription(infos, totalBytes, info);
            } else {
                DownloadInfoForgeXZLibrary* info = new DownloadInfoForgeXZLibrary;
                info->target = target;
                info->urls.emplace_back(record.officialUrl, download::kSourceForge);
                info->checksums = record.sha1;
                AppendDescription(infos, totalBytes, info);
            }
        }
    }
    return true;
}

void MinecraftFileManager::GetClientJarUrls(const JsonValue& root, const wchar_t* id, WString& official,
                                            WString& mirror, bool& sha1Known, uint8_t sha1[20],
                                            int64_t& size) const {
    BuildClientJarMirrorUrl(mirror, id);
    const JsonValue* downloads = FindJsonMember(root, L"downloads");
    const JsonValue* client = downloads != nullptr ? FindJsonMember(*downloads, L"client") : nullptr;
    const JsonValue* url = client != nullptr ? FindJsonMember(*client, L"url") : nullptr;
    int64_t knownSize = -1;
    if (client != nullptr && client->IsObject() && DecodeSha1(FindJsonMember(*client, L"sha1"), sha1) && IsJsonString(url) &&
        ReadUint32(FindJsonMember(*client, L"size"), knownSize)) {
        official = StringOf(*url);
        sha1Known = true;
        size = knownSize;
        return;
    }
    official.Format(L"%s/Minecraft.Download/versions/%s/%s.jar", EndpointBase(Endpoint::LegacyStore).GetString(), id,
                    id);
    sha1Known = false;
    size = -1;
}

bool MinecraftFileManager::CheckClientJar(DownloadInfos& infos, int64_t& totalBytes) {
    if (!EnsureVersionChain()) return false;
    const VersionChainEntry& rootEntry = chain.back();
    const WString id = StringOf((*rootEntry.document)[L"id"]);
    WString target;
    GetVersionJarPath(target, id.GetString());
    WString official;
    WString mirror;
    bool sha1Known = false;
    uint8_t sha1[20] = {};
    int64_t size = -1;
    GetClientJarUrls(*rootEntry.document, id.GetString(), official, mirror, sha1Known, sha1, size);
    if (IsFilePresent(target.GetString(), sha1, verifyLocalSha1 && sha1Known)) return true;

    AppendCommonFile(infos, totalBytes, target, size, &mirror, official, sha1Known ? sha1 : nullptr);
    return true;
}

void MinecraftFileManager::AppendCommonFile(DownloadInfos& infos, int64_t& totalBytes, const WString& target,
                                            int64_t size, const WString* mirror, const WString& official,
                                            const uint8_t* sha1) const {
    DownloadInfoCommonFile* info = new DownloadInfoCommonFile;
    info->target = target;
    info->size = size;
    if (useMirror && mirror != nullptr) info->urls.emplace_back(*mirror, download::kSourceMirror);
    info->urls.emplace_back(official, download::kSourceOfficial);
    if (verifyDownloadSha1 && sha1 != nullptr) {
        memcpy(info->sha1, sha1, 20);
        info->flags |= download::kFlagSha1Given;
    }
    AppendDescription(infos, totalBytes, info);
}

bool MinecraftFileManager::CheckAssetIndex(DownloadInfos& infos, int64_t& totalBytes) {
    if (!EnsureVersionChain()) return false;
    WString assetsId;
    GetAssetsId(assetsId);
    if (!IsValidVersionId(assetsId.GetString(), static_cast<size_t>(assetsId.GetLength())))
        return Fail(kBadMember, chain.back().path->GetString(), L"assets");
    WString target;
    GetAssetIndexPath(target, assetsId.GetString());

    const JsonValue* index = FindJsonMember(*chain.back().document, L"assetIndex");
    const JsonValue* indexId = index != nullptr ? FindJsonMember(*index, L"id") : nullptr;
    const JsonValue* indexSha1 = index != nullptr ? FindJsonMember(*index, L"sha1") : nullptr;
    const JsonValue* indexUrl = index != nullptr ? FindJsonMember(*index, L"url") : nullptr;
    uint8_t sha1[20] = {};
    int64_t size = -1;
    WString official;
    WString mirror;
    bool known = false;
    if (index != nullptr && index->IsObject() && IsJsonString(indexId) && DecodeSha1(indexSha1, sha1) &&
        ReadUint32(FindJsonMember(*index, L"size"), size) && IsJsonString(indexUrl)) {
        known = true;
        official = StringOf(*indexUrl);
        const WString id = StringOf(*indexId);
        const WString hash = StringOf(*indexSha1);
        WString prefix = EndpointBase(Endpoint::Mirror) + L"/mc/assets/";
        mirror.Format(L"%s%s/%s/%s.json", prefix.GetString(), id.GetString(), hash.GetString(), id.GetString());
    } else {
        size = -1;
        official.Format(L"%s/Minecraft.Download/indexes/%s.json", EndpointBase(Endpoint::LegacyStore).GetString(),
                        assetsId.GetString());
    }
    if (IsFilePresent(target.GetString(), sha1, verifyLocalSha1 && known)) return true;

    // An index without a usable "assetIndex" has no mirror address.
    AppendCommonFile(infos, totalBytes, target, size, known ? &mirror : nullptr, official, known ? sha1 : nullptr);
    return true;
}

bool MinecraftFileManager::CheckAssetObjects(DownloadInfos& infos, int64_t& totalBytes) {
    if (!EnsureAssetIndex()) return false;
    const JsonValue* objects = FindJsonMember(*assetIndex.document, L"objects");
    if (objects == nullptr || !objects->IsObject())
        return Fail(kBadMember, assetIndex.path->GetString(), L"objects");

    std::map<WString, int32_t, OrdinalLess> records;
    for (auto member = objects->MemberBegin(); member != objects->MemberEnd(); ++member) {
        const JsonValue* hash = FindJsonMember(member->value, L"hash");
        // The hash names the object's file, so only hex digits may pass.
        if (!IsJsonString(hash) || !IsSha1HexText(hash->GetString(), hash->GetStringLength())) continue;
        int64_t size = -1;
        ReadUint32(FindJsonMember(member->value, L"size"), size);
        // A size past int32 is as good as unknown.
        records.emplace(StringOf(*hash), size <= INT32_MAX ? static_cast<int32_t>(size) : -1);
    }

    struct Candidate {
        const WString* hash;
        int32_t size;
        WString target;
        uint8_t sha1[20];
    };
    std::vector<Candidate> candidates;
    candidates.reserve(records.size());
    for (const auto& record : records) {
        Candidate candidate;
        candidate.hash = &record.first;
        candidate.size = record.second;
        GetAssetObjectPath(candidate.target, record.first.GetString());
        HexDecode(record.first.GetString(), candidate.sha1, 20);
        candidates.push_back(std::move(candidate));
    }
    std::vector<uint8_t> present(candidates.size());
    ForEachInParallel(candidates.size(), verifyLocalSha1, [&](size_t i) {
        present[i] = IsFilePresent(candidates[i].target.GetString(), candidates[i].sha1, verifyLocalSha1);
    });

    const WString& mirrorBase = EndpointBase(Endpoint::Mirror);
    const WString& officialBase = EndpointBase(Endpoint::Assets);
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (present[i]) continue;
        const Candidate& candidate = candidates[i];
        const wchar_t* hash = candidate.hash->GetString();
        WString mirror;
        mirror.Format(L"%s/objects/%.2s/%s", mirrorBase.GetString(), hash, hash);
        WString official;
        official.Format(L"%s/%.2s/%s", officialBase.GetString(), hash, hash);
        AppendCommonFile(infos, totalBytes, candidate.target, candidate.size, &mirror, official, candidate.sha1);
    }
    return true;
}

bool MinecraftFileManager::IsVirtualAssets(bool& isVirtual) {
    if (!EnsureAssetIndex()) return false;
    const JsonValue* flag = FindJsonMember(*assetIndex.document, L"virtual");
    isVirtual = flag != nullptr && flag->IsTrue();
    return true;
}

void MinecraftFileManager::CopyLegacyAssets() {
    bool isVirtual = false;
    if (!IsVirtualAssets(isVirtual) || !isVirtual) return;
    const JsonValue* objects = FindJsonMember(*assetIndex.document, L"objects");
    if (objects == nullptr || !objects->IsObject()) return;
    for (auto member = objects->MemberBegin(); member != objects->MemberEnd(); ++member) {
        const JsonValue* hash = FindJsonMember(member->value, L"hash");
        if (!IsJsonString(hash) || !IsSha1HexText(hash->GetString(), hash->GetStringLength())) continue;
        // Names become paths under virtual\legacy\ and must stay there.
        if (!IsSafeRelativePath(member->name.GetString(), member->name.GetStringLength())) continue;
        WString source;
        GetAssetObjectPath(source, hash->GetString());
        WString destination;
        GetLegacyAssetPath(destination, member->name.GetString());
        uint8_t sha1[20] = {};
        if (verifyLocalSha1) HexDecode(hash->GetString(), sha1, 20);
        if (IsFilePresent(destination.GetString(), sha1, verifyLocalSha1)) continue;
        CopyFileCreatingDirs(source.GetString(), destination.GetString());
    }
}

bool MinecraftFileManager::ExtractNatives() {
    if (!EnsureVersionChain()) return false;
    const WString id = StringOf((*chain.front().document)[L"id"]);
    WString folder;
    GetNativesFolder(folder, id.GetString());
    std::vector<ChainLibrary> libraries;
    if (!CollectChainLibraries(libraries)) return false;
    for (const ChainLibrary& item : libraries) {
        const JsonValue& library = *item.library;
        bool allowed = false;
        WString path;
        if (!GetLibraryPath(library, arch, allowed, path)) return Fail(kBadMember, item.jsonPath, L"libraries");
        const JsonValue* extract = FindJsonMember(library, L"extract");
        if (!allowed || extract == nullptr) continue;
        std::vector<AString> excludes;
        const JsonValue* exclude = FindJsonMember(*extract, L"exclude");
        if (exclude != nullptr && exclude->IsArray()) {
            for (const JsonValue& text : exclude->GetArray()) {
                if (!text.IsString()) continue;
                AString ansi;
                ansi.AssignWide(text.GetString(), static_cast<int>(text.GetStringLength()));
                excludes.push_back(std::move(ansi));
            }
        }
        WString jar;
        GetLibraryFilePath(jar, path.GetString());
        if (!UnzipNatives(jar.GetString(), folder.GetString(), excludes)) return Fail(L"无法解压文件%s", jar.GetString());
    }
    return true;
}

bool IsFilePresent(const wchar_t* path, const uint8_t sha1[20], bool verify) {
    // Verifying, the opening is the presence check (a missing file and a
    // folder cannot be opened): one name lookup less a file.
    uint8_t digest[kSha1DigestSize];
    if (verify) return Sha1OfFile(path, digest) && memcmp(digest, sha1, kSha1DigestSize) == 0;
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void AddToTotalBytes(int64_t& totalBytes, int64_t size) {
    if (totalBytes < 0 || size <= 0)
        totalBytes = -1;
    else
        totalBytes += size;
}

void BuildClientJarMirrorUrl(WString& out, const wchar_t* id) {
    out.Format(L"%s/version/%s/client", EndpointBase(Endpoint::Mirror).GetString(), id);
}

void BuildOptiFineMirrorUrl(WString& out, const wchar_t* gameVersion, const wchar_t* edition,
                            const wchar_t* patch) {
    int major = 0;
    int minor = 0;
    int build = 0;
    WString version = gameVersion;
    if (swscanf(gameVersion, L"%d.%d.%d", &major, &minor, &build) == 2 && minor < 10) version.Append(L".0");
    out.Format(L"%s/optifine/%s/%s/%s", EndpointBase(Endpoint::Mirror).GetString(), version.GetString(), edition,
               patch);
}

bool IsValidVersionId(const wchar_t* id, size_t length) {
    if (!IsSafeRelativePath(id, length)) return false;
    // Windows drops a folder name's trailing dots and spaces: "trail." would
    // read and write versions\trail\trail..json, and "." versions\..json.
    if (id[length - 1] == L'.' || id[length - 1] == L' ') return false;
    for (size_t i = 0; i < length; ++i)
        if (id[i] == L'\\' || id[i] == L'/') return false;
    return true;
}

}  // namespace launcher
}  // namespace trelm
