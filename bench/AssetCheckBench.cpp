// CheckAssetObjects with local SHA-1 verification over a few thousand asset
// objects sized like the real 1.12 index, one check per process, so that
// bench/asset_check.sh can time it whole against sha1sum over the same files
// (interleaved rounds; see the script).
//
// Run (after scripts/build.sh): bash bench/asset_check.sh
// The executable alone:
//   bench_asset_check.exe --build <empty folder>   writes the tree; prints
//       "objects=<n> bytes=<total> bad=<hash>": the object named <hash> holds
//       one wrong byte, so a check that really hashes reports it missing.
//   bench_asset_check.exe [--no-verify] <folder>   one check; prints
//       "seconds=<its own clock> missing=<n> <hash>...".

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "core/FileUtils.h"
#include "core/Sha1.h"
#include "launcher/MinecraftFileManager.h"

namespace {

constexpr int kObjects = 3000;

// Sizes like the 1.12 index: many small sounds and texts around 10-60 KiB,
// a tail of music up to a few MiB (mean about 100 KB).
uint32_t ObjectSize(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    const uint32_t roll = seed >> 8;
    if (roll % 100 < 2) return 1000000 + roll % 3000000;  // music
    if (roll % 100 < 20) return 60000 + roll % 200000;   // long sounds
    return 2000 + roll % 60000;                           // sounds, language files, textures
}

std::string Hex(const uint8_t* bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint32_t i = 0; i < kSha1DigestSize; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

// The first object is written with one byte changed after its name was taken
// from the right bytes.
bool BuildTree(const std::wstring& root, uint64_t& totalBytes, std::string& badHash) {
    uint32_t seed = 12345;
    std::string index = "{\"objects\":{";
    std::vector<uint8_t> data;
    for (int i = 0; i < kObjects; ++i) {
        data.resize(ObjectSize(seed));
        for (size_t j = 0; j < data.size(); ++j) data[j] = static_cast<uint8_t>((j * 31 + static_cast<size_t>(i) * 7) >> 3);
        data[0] = static_cast<uint8_t>(i);
        data[1] = static_cast<uint8_t>(i >> 8);
        uint8_t digest[kSha1DigestSize];
        Sha1OfBuffer(data.data(), data.size(), digest);
        const std::string hash = Hex(digest);
        std::wstring path = root + L".minecraft\\assets\\objects\\" + std::wstring(hash.begin(), hash.begin() + 2) +
                            L"\\" + std::wstring(hash.begin(), hash.end());
        if (i == 0) {
            badHash = hash;
            data[data.size() / 2] ^= 1;
        }
        if (!WriteFileBytes(path.c_str(), data.data(), data.size())) return false;
        if (i) index += ",";
        index += "\"minecraft/sounds/object" + std::to_string(i) + ".ogg\":{\"hash\":\"" + hash +
                 "\",\"size\":" + std::to_string(data.size()) + "}";
        totalBytes += data.size();
    }
    index += "}}";
    const std::string version = R"({"id":"bench","mainClass":"M","minecraftArguments":"","libraries":[],"assets":"bench"})";
    const std::wstring indexPath = root + L".minecraft\\assets\\indexes\\bench.json";
    const std::wstring versionPath = root + L".minecraft\\versions\\bench\\bench.json";
    return WriteFileBytes(indexPath.c_str(), index.data(), index.size()) &&
           WriteFileBytes(versionPath.c_str(), version.data(), version.size());
}

// One check, timed by its own clock from the manager's creation to the end.
int CheckOnce(const std::wstring& root, bool verify) {
    const double start = BenchNow();
    trelm::launcher::MinecraftFileManager manager(root.c_str());
    manager.SetVersion(L"bench");
    manager.verifyLocalSha1 = verify;
    std::vector<trelm::download::DownloadInfoBase*> infos;
    int64_t total = 0;
    const bool ok = manager.CheckAssetObjects(infos, total);
    const double elapsed = BenchNow() - start;
    if (!ok) {
        fprintf(stderr, "the check failed\n");
        return 1;
    }
    printf("seconds=%.6f missing=%u", elapsed, static_cast<unsigned>(infos.size()));
    for (trelm::download::DownloadInfoBase* info : infos) {
        const WString& target = static_cast<trelm::download::DownloadInfoCommonFile*>(info)->target;
        const wchar_t* name = wcsrchr(target.GetString(), L'\\');
        printf(" %ls", name != nullptr ? name + 1 : target.GetString());
        delete info;
    }
    printf("\n");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool build = argc == 3 && wcscmp(argv[1], L"--build") == 0;
    const bool verify = !(argc == 3 && wcscmp(argv[1], L"--no-verify") == 0);
    if (argc != 2 && !build && verify) {
        fprintf(stderr, "usage: bench_asset_check [--build | --no-verify] <folder>\n");
        return 2;
    }
    std::wstring root = argv[argc - 1];
    if (root.back() != L'\\' && root.back() != L'/') root += L'\\';
    if (!build) return CheckOnce(root, verify);
    uint64_t totalBytes = 0;
    std::string badHash;
    if (!BuildTree(root, totalBytes, badHash)) {
        fprintf(stderr, "cannot write the tree\n");
        return 1;
    }
    printf("objects=%d bytes=%llu bad=%s\n", kObjects, static_cast<unsigned long long>(totalBytes), badHash.c_str());
    return 0;
}
