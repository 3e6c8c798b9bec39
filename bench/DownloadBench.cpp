// The download engine over a batch served from 127.0.0.1, timed from Start
// to the monitor's "batch ended" call at several worker counts. The script
// bench/download.sh serves the files, runs this and curl over the same URLs
// and prints the ratios.
//
// Run (after scripts/build.sh): bash bench/download.sh
// The executable alone:
//   bench_download.exe [--memory] [--no-sha1] <list> <output folder> <rounds> <workers>...
// --memory fetches into memory buffers (no file system) and --no-sha1 drops
// the SHA-1 check, to split the time between the network path, the files
// and the hashing.
// <list> holds one file per line: "<url> <sha1 hex> <size> <relative path>".
// Workers 0 is the engine's default. For each worker count it prints
// "workers=<n> used=<threads> seconds=<best of rounds> ok=<succeeded>/<files>".
// Each run writes to "<output folder>\w<workers>r<round>\", which is kept.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "core/FileUtils.h"
#include "download/DownloadInfoCommonFile.h"
#include "download/DownloadInfoMemoryBuffer.h"
#include "download/DownloadManager.h"
#include "download/DownloadTaskBase.h"

namespace {

using namespace trelm::download;

struct ListedFile {
    std::string url;
    uint8_t sha1[20];
    int64_t size;
    std::wstring path;  // relative, "\" separated
};

// Counts nothing and never blocks, like a dialog that reposts.
class EndObserver : public IDownloadObserver {
public:
    EndObserver() : m_ended(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~EndObserver() override { CloseHandle(m_ended); }
    void OnDownloadTaskChanged(DownloadTaskBase*, int32_t) override {}
    void OnDownloadBatchChanged(DownloadManager*, int32_t code) override {
        if (code == kBatchEnded) SetEvent(m_ended);
    }
    void Reset() { ResetEvent(m_ended); }
    void Wait() { WaitForSingleObject(m_ended, INFINITE); }

private:
    HANDLE m_ended;
};

bool ParseHex(const std::string& hex, uint8_t out[20]) {
    if (hex.size() != 40) return false;
    for (int i = 0; i < 20; ++i) out[i] = static_cast<uint8_t>(std::strtoul(hex.substr(2 * i, 2).c_str(), nullptr, 16));
    return true;
}

bool ReadList(const char* path, std::vector<ListedFile>* files, uint64_t* total) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        ListedFile file;
        std::string hex, relative;
        if (!(fields >> file.url >> hex >> file.size >> relative) || !ParseHex(hex, file.sha1)) return false;
        for (char& c : relative) c = c == '/' ? '\\' : c;
        file.path.assign(relative.begin(), relative.end());
        *total += static_cast<uint64_t>(file.size);
        files->push_back(file);
    }
    return !files->empty();
}

// buffers: null for files on disk, else one byte buffer per file (the
// memory kind, which leaves the file system out of the measurement).
std::vector<DownloadInfoBase*> MakeBatch(const std::vector<ListedFile>& files, const std::wstring& folder,
                                         std::vector<wendal_::byte_buffer>* buffers, bool sha1) {
    std::vector<DownloadInfoBase*> batch;
    batch.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const ListedFile& file = files[i];
        DownloadInfoBase* info;
        if (buffers) {
            auto* memory = new DownloadInfoMemoryBuffer();
            memory->target = &(*buffers)[i];
            info = memory;
        } else {
            auto* common = new DownloadInfoCommonFile();
            common->target = (folder + file.path).c_str();
            info = common;
        }
        info->urls.emplace_back(WString(std::wstring(file.url.begin(), file.url.end()).c_str()), kSourceOfficial);
        info->size = file.size;
        info->flags = sha1 ? static_cast<uint32_t>(kFlagSha1Given) : 0u;  // the launcher always checks what it fetched
        std::copy(file.sha1, file.sha1 + 20, info->sha1);
        batch.push_back(info);
    }
    return batch;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool memory = false, sha1 = true;
    for (; argc > 1 && argv[1][0] == L'-' && argv[1][1] == L'-'; --argc, ++argv) {
        if (std::wstring(argv[1]) == L"--memory") memory = true;
        if (std::wstring(argv[1]) == L"--no-sha1") sha1 = false;
    }
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: bench_download.exe [--memory] [--no-sha1] <list> <output folder> <rounds> <workers>...\n");
        return 2;
    }
    const std::string list(argv[1], argv[1] + wcslen(argv[1]));
    std::wstring folder = argv[2];
    if (folder.back() != L'\\') folder += L'\\';
    const int rounds = _wtoi(argv[3]);
    std::vector<ListedFile> files;
    uint64_t total = 0;
    if (!ReadList(list.c_str(), &files, &total)) {
        std::fprintf(stderr, "cannot read the list %s\n", list.c_str());
        return 2;
    }

    DownloadManager manager;
    EndObserver observer;
    int status = 0;
    for (int a = 4; a < argc; ++a) {
        const int workers = _wtoi(argv[a]);
        double best = 1e9;
        uint32_t used = 0;
        int32_t succeeded = 0;
        for (int round = 0; round < rounds; ++round) {
            // A fresh folder per run, deleted by the script at the end: ext4
            // makes new files slow for a while after many were deleted (its
            // inode allocator skips recently freed inodes), which would
            // charge one run for the clean-up of the one before.
            const std::wstring runFolder =
                folder + L"w" + std::to_wstring(workers) + L"r" + std::to_wstring(round) + L"\\";
            std::vector<wendal_::byte_buffer> buffers(memory ? files.size() : 0);
            std::vector<DownloadInfoBase*> batch = MakeBatch(files, runFolder, memory ? &buffers : nullptr, sha1);
            observer.Reset();
            const double start = BenchNow();
            manager.Start(&observer, batch, total, workers);
            observer.Wait();
            const double seconds = BenchNow() - start;
            used = manager.GetWorkerCount();
            succeeded = manager.GetSucceededCount();
            if (succeeded != static_cast<int32_t>(files.size())) {
                WString message;
                const int32_t failed = manager.FindFailedTask();
                if (failed >= 0) manager.GetTask(failed)->GetMessage(message);
                std::fprintf(stderr, "workers=%d: %d of %u failed, e.g. %ls\n", workers,
                             static_cast<int>(files.size()) - succeeded, static_cast<unsigned>(files.size()),
                             message.GetString());
                status = 1;
            }
            if (seconds < best) best = seconds;
        }
        manager.Stop();
        std::printf("workers=%d used=%u seconds=%.4f ok=%d/%u\n", workers, used, best, succeeded,
                    static_cast<unsigned>(files.size()));
        std::fflush(stdout);
    }
    return status;
}
