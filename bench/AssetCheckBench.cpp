// CheckAssetObjects with local SHA-1 verification over a few thousand asset
// objects sized like the real 1.12 index, timed against sha1sum over the
// same files in the same run (the script below prints the ratio; 1.0 means
// as fast as sha1sum).
//
// Run (after scripts/build.sh): bash bench/asset_check.sh
// The executable alone: bench_asset_check.exe <folder> builds the tree in
// <folder> and prints "seconds=<best of 5 checks>".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "core/FileUtils.h"
#include "core/Sha1.h"
#include "launcher/MinecraftFileManager.h"

namespace {

constexpr int kObjects = 3000;
constexpr int kRounds = 5;

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

bool BuildTree(const std::wstring& root, uint64_t& totalBytes) {
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

// Best time of kRounds checks after one that warms the cache; -1 on failure.
double BestCheck(const std::wstring& root, bool verify) {
    double best = 1e9;
    for (int round = 0; round <= kRounds; ++round) {
        trelm::launcher::MinecraftFileManager manager(root.c_str());
        manager.SetVersion(L"bench");
        manager.verifyLocalSha1 = verify;
        std::vector<trelm::download::DownloadInfoBase*> infos;
        int64_t total = 0;
        const double start = BenchNow();
        const bool ok = manager.CheckAssetObjects(infos, total);
        const double elapsed = BenchNow() - start;
        if (!ok || !infos.empty()) {
            fprintf(stderr, "check failed or found %u missing objects\n", static_cast<unsigned>(infos.size()));
            return -1;
        }
        if (round > 0) best = std::min(best, elapsed);
    }
    return best;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_asset_check <empty folder>\n");
        return 2;
    }
    std::wstring root = argv[1];
    if (root.back() != L'\\' && root.back() != L'/') root += L'\\';
    uint64_t totalBytes = 0;
    if (!BuildTree(root, totalBytes)) {
        fprintf(stderr, "cannot write the tree\n");
        return 1;
    }
    printf("asset objects: %d files, %.1f MB\n", kObjects, static_cast<double>(totalBytes) / 1e6);

    // Without verification the check only parses the index and looks the
    // files up: what is left is the cost of hashing.
    const double presence = BestCheck(root, false);
    const double best = BestCheck(root, true);
    if (best < 0 || presence < 0) return 1;
    printf("CheckAssetObjects without verification: best of %d %.1f ms\n", kRounds, presence * 1e3);
    printf("CheckAssetObjects with verification: best of %d %.1f ms (%.0f MB/s)\n", kRounds, best * 1e3,
           static_cast<double>(totalBytes) / 1e6 / best);
    printf("seconds=%.6f\n", best);
    return 0;
}
