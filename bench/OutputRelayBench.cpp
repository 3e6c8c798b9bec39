// Throughput of the game-output relay's standard-output reader: lines of 100
// and of 2,000 characters written into a pipe as fast as possible while a
// consumer drains the queue every 16 ms, as the output window does. Prints
// lines/s written and delivered, MB/s and the lines dropped by the full
// queue, and the cost of the level matcher against std::wregex with the
// pattern it replaces, measured in the same run (ratio > 1: the matcher is
// faster). Delivery is bounded by the consumer: at most one queue of lines
// (1,024 for standard output) a 16 ms drain, about 64,000 lines/s.
//
// Run (after scripts/build.sh): scripts/wine-run.sh build/bench/bench_output_relay.exe
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>

#include "bench/BenchClock.h"
#include "launcher/MinecraftOutputRedirect.h"

namespace {

using namespace trelm::launcher::redirect;

class EndSignal : public IMinecraftOutputRedirectObserver {
public:
    EndSignal() : ended(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~EndSignal() override { CloseHandle(ended); }
    void OnOutput(int) override {}
    void OnEnded() override { SetEvent(ended); }
    HANDLE ended;
};

void MeasureReader(int lineLength, int lineCount) {
    HANDLE readEnd = nullptr, writeEnd = nullptr, errRead = nullptr, errWrite = nullptr;
    CreatePipe(&readEnd, &writeEnd, nullptr, 0);
    CreatePipe(&errRead, &errWrite, nullptr, 0);
    // A never-signalled event stands in for the game until the writer is done.
    HANDLE game = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE gameForRelay = nullptr;
    DuplicateHandle(GetCurrentProcess(), game, GetCurrentProcess(), &gameForRelay, 0, FALSE, DUPLICATE_SAME_ACCESS);
    EndSignal observer;
    MinecraftOutputRedirect relay;
    relay.Start(&observer, gameForRelay, readEnd, errRead, nullptr);

    std::string line = "[12:00:00] [Client thread/INFO]: ";
    line.resize(static_cast<size_t>(lineLength - 2), 'x');
    line += "\r\n";
    std::atomic<bool> done{false};
    long long received = 0;
    std::thread consumer([&] {
        while (!done) {
            OutputLine out;
            while (relay.Pop(kSourceStdout, out)) {
                ++received;
                FreeOutputLine(out);
            }
            Sleep(16);
        }
    });
    const double start = BenchNow();
    std::string batch;
    for (int i = 0; i < 64; ++i) batch += line;
    DWORD written = 0;
    for (int i = 0; i < lineCount / 64; ++i) WriteFile(writeEnd, batch.data(), static_cast<DWORD>(batch.size()), &written, nullptr);
    CloseHandle(writeEnd);
    CloseHandle(errWrite);
    SetEvent(game);
    WaitForSingleObject(observer.ended, INFINITE);
    const double seconds = BenchNow() - start;
    done = true;
    consumer.join();
    OutputLine out;
    while (relay.Pop(kSourceStdout, out)) {
        ++received;
        FreeOutputLine(out);
    }
    relay.Stop();
    CloseHandle(game);
    const int sent = lineCount / 64 * 64;
    // The full queue drops lines by design, so what was written and what
    // reached the consumer are both told.
    printf("lines of %d chars: %d lines in %.3f s, %.0f lines/s written, %.0f lines/s delivered, %.1f MB/s written, "
           "%lld dropped by the full queue (%.1f %%)\n",
           lineLength, sent, seconds, sent / seconds, received / seconds,
           sent * static_cast<double>(lineLength) / seconds / 1e6, sent - received, (sent - received) * 100.0 / sent);
}

void MeasureMatcher(int lineLength) {
    std::wstring line = L"[12:00:00] [Client thread/WARN]: ";
    line.resize(static_cast<size_t>(lineLength), L'x');
    const int rounds = 20000;
    int sink = 0;
    double start = BenchNow();
    for (int i = 0; i < rounds; ++i) sink += ClassifyLogLevel(line.c_str(), static_cast<int>(line.size()));
    const double matcher = BenchNow() - start;
    const std::wregex pattern(L"\\[\\d{2}:\\d{2}:\\d{2}\\] \\[.*?/");
    start = BenchNow();
    for (int i = 0; i < rounds; ++i) {
        std::wsmatch match;
        sink += std::regex_search(line, match, pattern) ? 1 : 0;
    }
    const double regex = BenchNow() - start;
    printf("level of a %d-char line: matcher %.2f us, std::wregex %.2f us, ratio %.1f (%d)\n", lineLength,
           matcher / rounds * 1e6, regex / rounds * 1e6, regex / matcher, sink);
}

}  // namespace

int main() {
    MeasureMatcher(100);
    MeasureMatcher(2000);
    MeasureReader(100, 200000);
    MeasureReader(2000, 20000);
    return 0;
}
