// Throughput of Sha1OfFileHandle on a 100 MiB file, against the same hash
// read in 1 KiB pieces (the first version's read size) and against hashing
// the same bytes already in memory (the most any read size can reach).
// Files come from the cache after the first pass, so the figures compare
// read overhead, not disk speed.
//
// Run (after scripts/build.sh): scripts/wine-run.sh build/bench/bench_sha1.exe
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include <cryptopp/sha.h>

#include "bench/BenchClock.h"
#include "core/Sha1.h"

namespace {

constexpr uint32_t kFileSize = 100u * 1024 * 1024;
constexpr int kRounds = 7;

using Digest = uint8_t[kSha1DigestSize];

// The same steps as Sha1OfFileHandle with a chosen read size.
bool Sha1InPieces(HANDLE file, DWORD pieceSize, uint8_t* digest) {
    LARGE_INTEGER zero = {}, saved = {};
    if (!SetFilePointerEx(file, zero, &saved, FILE_CURRENT) || !SetFilePointerEx(file, zero, nullptr, FILE_BEGIN))
        return false;
    std::vector<uint8_t> piece(pieceSize);
    CryptoPP::SHA1 sha;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, piece.data(), pieceSize, &got, nullptr)) return false;
        if (got == 0) break;
        sha.Update(piece.data(), got);
    }
    if (!SetFilePointerEx(file, saved, nullptr, FILE_BEGIN)) return false;
    sha.Final(digest);
    return true;
}

struct Result {
    double bestSeconds = 1e9;
    bool ok = true;
    bool sameDigest = true;
};

using Run = std::function<bool(uint8_t* digest)>;

// Rounds take every variant in turn, so a slow spell of the machine hurts
// them all alike instead of whichever ran during it.
std::vector<Result> MeasureInRounds(const uint8_t* expected, const std::vector<Run>& runs) {
    std::vector<Result> results(runs.size());
    for (int round = 0; round < kRounds; ++round) {
        for (size_t i = 0; i < runs.size(); ++i) {
            Digest digest = {};
            const double start = BenchNow();
            const bool ok = runs[i](digest);
            const double seconds = BenchNow() - start;
            Result& r = results[i];
            if (!ok) r.ok = false;
            if (std::memcmp(digest, expected, kSha1DigestSize) != 0) r.sameDigest = false;
            if (seconds < r.bestSeconds) r.bestSeconds = seconds;
        }
    }
    return results;
}

double MegabytesPerSecond(const Result& r) { return kFileSize / (1024.0 * 1024.0) / r.bestSeconds; }

bool Report(const char* label, const Result& r) {
    std::printf("%-34s %8.1f MB/s  (best of %d: %.3f s)%s\n", label, MegabytesPerSecond(r), kRounds, r.bestSeconds,
                r.ok && r.sameDigest ? "" : "  WRONG RESULT");
    return r.ok && r.sameDigest;
}

bool WriteAll(HANDLE file, const uint8_t* data, uint32_t size) {
    while (size) {
        const DWORD chunk = size < (1u << 20) ? size : (1u << 20);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written != chunk) return false;
        data += chunk;
        size -= chunk;
    }
    return true;
}

}  // namespace

int main() {
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[kFileSize]);
    uint32_t state = 0x12345678;  // xorshift: incompressible, and the same on every run
    for (uint32_t i = 0; i < kFileSize; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = static_cast<uint8_t>(state);
    }

    wchar_t folder[MAX_PATH], path[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"sha", 0, path)) {
        std::printf("cannot name a temporary file\n");
        return 1;
    }
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE || !WriteAll(file, bytes.get(), kFileSize)) {
        std::printf("cannot write the %u-byte test file\n", kFileSize);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        DeleteFileW(path);
        return 1;
    }

    Digest expected;
    Sha1OfBuffer(bytes.get(), kFileSize, expected);
    std::printf("SHA-1 of %u bytes, file in the temporary folder\n", kFileSize);

    // Other read sizes show where the gain levels off.
    static const DWORD kSizes[] = {4096, 16384, 65536, 262144, 1048576};
    std::vector<Run> runs = {
        [&](uint8_t* d) { return Sha1OfBuffer(bytes.get(), kFileSize, d); },
        [&](uint8_t* d) { return Sha1InPieces(file, 1024, d); },
        [&](uint8_t* d) { return Sha1OfFileHandle(file, d); },
    };
    for (DWORD size : kSizes) runs.push_back([&file, size](uint8_t* d) { return Sha1InPieces(file, size, d); });
    const std::vector<Result> results = MeasureInRounds(expected, runs);
    const Result& memory = results[0];
    const Result& oneKiB = results[1];
    const Result& built = results[2];

    bool good = Report("in memory (Sha1OfBuffer)", memory);
    good &= Report("file, 1 KiB reads (reference)", oneKiB);
    good &= Report("file, Sha1OfFileHandle", built);
    for (size_t i = 0; i < sizeof kSizes / sizeof kSizes[0]; ++i) {
        char label[64];
        std::snprintf(label, sizeof label, "file, %lu KiB reads", static_cast<unsigned long>(kSizes[i] / 1024));
        good &= Report(label, results[3 + i]);
    }

    std::printf("file/1KiB-reads = %.2fx\n", oneKiB.bestSeconds / built.bestSeconds);
    std::printf("file/in-memory = %.2fx\n", memory.bestSeconds / built.bestSeconds);
    CloseHandle(file);  // FILE_FLAG_DELETE_ON_CLOSE removes it
    DeleteFileW(path);
    return good ? 0 : 1;
}
