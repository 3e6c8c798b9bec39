// Throughput of the game-output relay's standard-output reader: lines of 100
// and of 2,000 characters written into a pipe as fast as possible while a
// consumer drains the queue every 16 ms, as the output window does. Prints
// lines/s written and delivered, MB/s and the lines dropped by the full
// queue, and the cost of the level matcher against std::wregex with the
// pattern it replaces, measured in the same run (ratio > 1: the matcher is
// faster). Delivery is bounded by the consumer: at most one queue of lines
// (1,024 for standard output) a 16 ms drain, about 64,000 lines/s.
//
// Then a burst through the real output window: a writer puts 5,000 lines
// into the game's pipe as fast as it can (one write a line, as a game's
// println does), and one more line a second later. Prints how many of the
// burst reached the window (the rest the relay's full queue dropped), when
// the window had shown them all, whether the later line is shown, and the
// longest time the window's thread spent in one message (the longest the
// player waits for a paint or a click). That part needs a display.
//
// Run (after scripts/build.sh): scripts/wine-run.sh build/bench/bench_output_relay.exe
//   with the window: xvfb-run -a scripts/wine-run.sh build/bench/bench_output_relay.exe
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>

#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "bench/BenchClock.h"
#include "launcher/MinecraftOutputRedirect.h"
#include "launcher/RedirectSharedBlock.h"
#include "ui/MinecraftRedirectDlg.h"

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

bool MeasureWindowBurst(int lineCount) {
    using trelm::ui::CMinecraftRedirectDlg;
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    CreatePipe(&outRead, &outWrite, nullptr, 0);
    CreatePipe(&errRead, &errWrite, nullptr, 0);
    HANDLE game = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    trelm::launcher::RedirectSharedBlock block;
    DuplicateHandle(GetCurrentProcess(), game, GetCurrentProcess(), &block.process, 0, FALSE, DUPLICATE_SAME_ACCESS);
    block.stdoutRead = outRead;
    block.stderrRead = errRead;
    block.displayName = L"bench";
    block.commandLine = L"javaw.exe net.minecraft.client.main.Main";
    block.workingDirectory = L"C:\\game\\";
    if (!trelm::ui::OpenFromSharedBlock(trelm::launcher::WriteRedirectSharedBlock(block))) {
        printf("window burst: no window (no display? run under xvfb-run)\n");
        return false;
    }
    HWND hwnd = FindWindowW(wendaldui::kDuiWindowClassName, L"Output - Minecraft bench");
    auto* dialog = dynamic_cast<CMinecraftRedirectDlg*>(
        reinterpret_cast<wendaldui::CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));

    double longest = 0, burstSeconds = 0;
    auto pump = [&](double seconds) {
        const double end = BenchNow() + seconds;
        MSG msg;
        while (BenchNow() < end) {
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                continue;
            }
            const double start = BenchNow();
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            longest = std::max(longest, BenchNow() - start);
        }
    };
    pump(0.5);
    const int before = dialog->GetLinesReceived();
    const int appendedBefore = dialog->GetLinesAppended();
    std::atomic<bool> burstWritten{false};
    const double start = BenchNow();
    std::thread writer([&] {
        char line[32];
        DWORD written = 0;
        for (int i = 0; i < lineCount; ++i) {
            const int length = snprintf(line, sizeof line, "burst %04d\r\n", i);
            WriteFile(outWrite, line, static_cast<DWORD>(length), &written, nullptr);
        }
        burstSeconds = BenchNow() - start;
        burstWritten = true;
        Sleep(1000);
        WriteFile(outWrite, "after the burst\r\n", 17, &written, nullptr);
    });
    // Until the burst is shown, then until the later line has come (or 3 s).
    double shownAfter = -1;
    const double limit = BenchNow() + 30;
    while (BenchNow() < limit) {
        pump(0.01);
        const int received = dialog->GetLinesReceived() - before;
        if (shownAfter < 0 && burstWritten && dialog->GetLinesAppended() - appendedBefore >= received) {
            shownAfter = BenchNow() - start;
        }
        if (shownAfter >= 0 && (received > lineCount || BenchNow() - start > burstSeconds + 3)) break;
    }
    writer.join();
    pump(0.2);
    const std::wstring text = dialog->GetEdit()->GetText().GetString();
    const bool later = text.find(L"after the burst") != std::wstring::npos;
    const size_t last = text.rfind(L"burst ");
    const int received = dialog->GetLinesReceived() - before - (later ? 1 : 0);
    printf("window burst: %d lines written in %.3f s; %d reached the window (%.1f %%), %d dropped by the full queue, "
           "all shown %.2f s after the burst began; last burst line shown: %ls; the later line %s; longest message "
           "%.0f ms\n",
           lineCount, burstSeconds, received, received * 100.0 / lineCount, lineCount - received, shownAfter,
           last == std::wstring::npos ? L"none" : text.substr(last, 10).c_str(), later ? "shown" : "NOT shown",
           longest * 1e3);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    SetEvent(game);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    pump(0.5);
    CloseHandle(game);
    return true;
}

}  // namespace

int main() {
    MeasureMatcher(100);
    MeasureMatcher(2000);
    MeasureReader(100, 200000);
    MeasureReader(2000, 20000);
    wendaldui::CDuiApp app;
    app.SetInstance(GetModuleHandleW(nullptr));
    wendaldui::CDuiSkinManager skin(L"微软雅黑", 210, 0.3, 0.25, 0);
    for (int run = 0; run < 3; ++run) {
        if (!MeasureWindowBurst(5000)) break;
    }
    return 0;
}
