// The game-output window fed by the real relay over pipes this test writes:
// texts and colours per level and source, the counters, the trim that keeps
// 4,000 to 4,025 lines, a burst shown whole without holding the window,
// lines too long for Wine's rich edit, search through the fallback Wine
// needs, the command line that names no block, and a close that leaves the
// game running.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <richedit.h>

#include <atomic>
#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "UiTestSupport.h"
#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Control/UIToggleButton.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "core/HandleArgument.h"
#include "launcher/MinecraftOutputRedirect.h"
#include "launcher/RedirectSharedBlock.h"
#include "tests/support/FakeJava.h"
#include "tests/support/WaitUntil.h"
#include "ui/BoundedText.h"
#include "ui/MinecraftRedirectDlg.h"
#include "ui/TopLevelWindows.h"

namespace {

using namespace trelm::ui;
using testing_support::Narrow;

bool TakeQuit() {
    MSG msg;
    return PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

class OutputWindow : public testing::Test {
protected:
    OutputWindow() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {
        CreatePipe(&outRead, &outWrite, nullptr, 0);
        CreatePipe(&errRead, &errWrite, nullptr, 0);
        CreatePipe(&inRead, &inWrite, nullptr, 0);
        go = java.Home() + L"go.txt";
        java.SetScript(L"javaw", "waitfile=" + Narrow(go) + "\nexit=3\n");
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        std::wstring line = L"\"" + java.JavawExe() + L"\"";
        CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &game);
        TakeQuit();
    }
    ~OutputWindow() override {
        if (HWND left = FindWindowW(wendaldui::kDuiWindowClassName, L"Output - Minecraft 1.7.10")) {
            PostMessageW(left, WM_CLOSE, 0, 0);
            ui_testing::PumpUntil([&] { return !IsWindow(left); }, 3000);
        }
        TakeQuit();
        TerminateProcess(game.hProcess, 0);
        for (HANDLE h : {game.hProcess, game.hThread, outWrite, errWrite, inRead}) {
            if (h) CloseHandle(h);
        }
    }

    // The run's command line naming a block with this test's pipes and a
    // copy of the game's process handle; the window takes them all.
    CMinecraftRedirectDlg* Open() {
        trelm::launcher::RedirectSharedBlock block;
        DuplicateHandle(GetCurrentProcess(), game.hProcess, GetCurrentProcess(), &block.process, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        block.stdoutRead = outRead;
        block.stderrRead = errRead;
        block.stdinWrite = inWrite;
        block.displayName = L"1.7.10";
        block.commandLine = L"javaw.exe -Xmx1G net.minecraft.client.main.Main";
        block.workingDirectory = L"C:\\game\\.minecraft\\";
        WString argument = FormatHandleArgument(trelm::launcher::WriteRedirectSharedBlock(block));
        std::wstring arg = argument.GetString();
        wchar_t name[] = L"-redirect_output";
        wchar_t* argv[] = {name, &arg[0]};
        OpenOutputWindow(2, argv);
        EXPECT_FALSE(TakeQuit());
        HWND hwnd = FindWindowW(wendaldui::kDuiWindowClassName, L"Output - Minecraft 1.7.10");
        if (!hwnd) return nullptr;
        auto* dialog = dynamic_cast<CMinecraftRedirectDlg*>(
            reinterpret_cast<wendaldui::CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
        ui_testing::PumpUntil([&] { return dialog->GetLinesAppended() >= 2; }, 3000);
        return dialog;
    }

    static void Write(HANDLE pipe, const std::string& text) {
        DWORD written = 0;
        WriteFile(pipe, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    static bool WaitLines(CMinecraftRedirectDlg* dialog, int appended, DWORD ms = 20000) {
        return ui_testing::PumpUntil([&] { return dialog->GetLinesAppended() >= appended; }, ms);
    }
    static std::vector<std::wstring> Lines(CMinecraftRedirectDlg* dialog) {
        const std::wstring text = dialog->GetEdit()->GetText().GetString();
        std::vector<std::wstring> lines;
        size_t start = 0;
        for (size_t end; (end = text.find(L'\r', start)) != std::wstring::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }
    // What the window did in its messages while a burst was shown: the most
    // characters one message changed in the view, the longest one message
    // held the window and what all of them took. Times are the thread's
    // own, not the clock's: beside other tests the thread may wait for a
    // core in the middle of one (Wine counts them in 10-ms ticks).
    struct Held {
        int mostChars = 0;
        double longestMs = 0;
        double totalMs = 0;
    };
    static double ThreadMs() {
        FILETIME created, exited, kernel, user;
        if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
        const auto ticks = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
        return (ticks(kernel) + ticks(user)) / 10000.0;
    }
    static bool PumpMeasured(CMinecraftRedirectDlg* dialog, const std::function<bool()>& done, DWORD timeoutMs,
                             Held& held) {
        const DWORD start = GetTickCount();
        const double first = ThreadMs();
        MSG msg;
        while (!done()) {
            if (GetTickCount() - start > timeoutMs) return false;
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                continue;
            }
            const double before = ThreadMs();
            const int chars = dialog->GetCharsChanged();
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            held.longestMs = std::max(held.longestMs, ThreadMs() - before);
            held.mostChars = std::max(held.mostChars, dialog->GetCharsChanged() - chars);
        }
        held.totalMs = ThreadMs() - first;
        return true;
    }
    // Whatever the machine: no message does more than a slice of bounded
    // steps, and none holds the window for a tenth of what the whole took
    // (a slice is about a hundredth). A window that shows a burst in one
    // message fails both; one whose every step costs twice as much, neither.
    static void ExpectHeldBriefly(const Held& held) {
        EXPECT_LE(held.mostChars, CMinecraftRedirectDlg::kSliceSteps * CMinecraftRedirectDlg::kBatchChars)
            << "characters one message changed in the view";
        EXPECT_LT(held.longestMs, held.totalMs / 10) << "ms one message held the window, of " << held.totalMs;
    }
    static COLORREF ColorAt(wendaldui::CUIRichEdit* edit, LONG position) {
        LONG start = 0, end = 0;
        edit->GetSel(start, end);
        edit->SetSel(position, position + 1);
        CHARFORMAT2W format = {};
        format.cbSize = sizeof format;
        edit->SendEditMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        edit->SetSel(start, end);
        return format.crTextColor;
    }

    wendaldui::CDuiSkinManager skin;
    testing_support::FakeJavaHome java;
    std::wstring go;
    PROCESS_INFORMATION game = {};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    HANDLE inRead = nullptr, inWrite = nullptr;
};

// Each source and level has its colour; the counters follow the levels; the
// game's exit adds the closing line with its code.
TEST_F(OutputWindow, LinesArriveInTheirColoursWithCountersAndTheClosingLine) {
    CMinecraftRedirectDlg* dialog = Open();
    ASSERT_NE(nullptr, dialog);
    HWND hwnd = dialog->GetHWND();
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);  // "置于顶层" is on at start
    EXPECT_EQ(std::wstring(L"置于顶层"), dialog->GetTopMostToggle()->GetText().GetString());
    EXPECT_EQ(std::wstring(L"保持最后一行可见"), dialog->GetKeepLastToggle()->GetText().GetString());
    EXPECT_EQ(std::wstring(L"|0 INFO|0 WARN|0 ERROR|0 FATAL|"), dialog->GetCountersLabel()->GetText().GetString());

    // NUL bytes are shown, as U+FFFD, and take nothing after them along.
    using namespace std::string_literals;
    Write(outWrite, "plain\0first\0\r\n[12:00:00] [main/INFO]: info line\r\n[12:00:01] [main/WARN]: warn line\r\n"
                    "[12:00:02] [main/ERROR]: error line\r\n[12:00:03] [main/FATAL]: fatal line\r\n"s);
    ASSERT_TRUE(WaitLines(dialog, 7));
    Write(errWrite, "stderr\0line\r\n"s);
    ASSERT_TRUE(WaitLines(dialog, 8));
    EXPECT_EQ(8u, Lines(dialog).size());  // while the game runs
    // The game ends once its pipes have: the relay adds the exit report.
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    outWrite = errWrite = nullptr;
    testing_support::WriteBytes(go, "");
    ASSERT_TRUE(WaitLines(dialog, 9, 15000));

    const std::vector<std::wstring> lines = Lines(dialog);
    ASSERT_GE(lines.size(), 9u);
    const struct {
        std::wstring text;  // the line, or its end for the timed own lines
        COLORREF color;
    } expected[] = {
        {L"] [TRELM]: javaw.exe -Xmx1G net.minecraft.client.main.Main", 0xCC7400},
        {L"] [TRELM]: CurrentDirectory: C:\\game\\.minecraft\\", 0xCC7400},
        {L"plain\uFFFDfirst\uFFFD", 0x000000},
        {L"[12:00:00] [main/INFO]: info line", 0x000000},
        {L"[12:00:01] [main/WARN]: warn line", 0x00A8CC},
        {L"[12:00:02] [main/ERROR]: error line", 0x0065CC},
        {L"[12:00:03] [main/FATAL]: fatal line", 0x0000CD},
        {L"stderr\uFFFDline", 0x0000FF},
        {L"] [TRELM]: Process exited with code 0x00000003, running time:", 0xCC7400},
    };
    LONG position = 0;
    for (size_t i = 0; i < 9; ++i) {
        const std::wstring& line = lines[i];
        if (expected[i].color == 0xCC7400) {
            EXPECT_EQ(L'[', line[0]);
            EXPECT_NE(std::wstring::npos, line.find(expected[i].text)) << Narrow(line);
        } else {
            EXPECT_EQ(Narrow(expected[i].text), Narrow(line));
        }
        EXPECT_EQ(expected[i].color, ColorAt(dialog->GetEdit(), position)) << i;
        position += static_cast<LONG>(line.size()) + 1;
    }
    EXPECT_EQ(std::wstring(L"|1 INFO|1 WARN|1 ERROR|1 FATAL|"), dialog->GetCountersLabel()->GetText().GetString());

    // A line is the DPI factor times as wide as at 96 DPI, where the font is
    // 12 pixels high; never wider, and each character within a pixel of it.
    const std::wstring info = lines[3];
    const LONG infoStart = static_cast<LONG>(dialog->GetEdit()->GetText().Find(info.c_str()));
    POINTL left = {}, right = {};
    dialog->GetEdit()->SendEditMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&left), infoStart);
    dialog->GetEdit()->SendEditMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&right), infoStart + info.size());
    HDC screen = GetDC(NULL);
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Consolas");
    HGDIOBJ old = SelectObject(screen, font);
    SIZE at96 = {};
    GetTextExtentPoint32W(screen, info.c_str(), static_cast<int>(info.size()), &at96);
    DeleteObject(SelectObject(screen, old));
    ReleaseDC(NULL, screen);
    const float scaled = static_cast<float>(at96.cx) * wendaldui::g_dpiFactor;
    EXPECT_LE(right.x - left.x, scaled + 1) << at96.cx;
    EXPECT_GE(right.x - left.x, scaled - info.size()) << at96.cx;

    ui_testing::PumpFor(300);
    RECT rect;
    GetWindowRect(hwnd, &rect);
    const std::wstring shot = L"output-window-" + std::to_wstring(wendaldui::g_screenDpi) + L".png";
    ui_testing::SaveScreenshot(rect, shot.c_str());

    // The player's click on "置于顶层" takes the window out of the top layer.
    const wendaldui::UIRect toggle = dialog->GetTopMostToggle()->GetWindowRect();
    POINT pt = {toggle.x + toggle.width / 2, toggle.y + toggle.height / 2};
    ClientToScreen(hwnd, &pt);
    ui_testing::ClickAt(pt.x, pt.y);
    ui_testing::PumpUntil([&] { return !(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST); }, 10000);
    EXPECT_FALSE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

// 5,000 paced lines: the oldest go 25 at a time, so the view holds 4,000
// to 4,025 lines, the newest, in order.
TEST_F(OutputWindow, ViewKeepsTheNewestLinesInOrder) {
    CMinecraftRedirectDlg* dialog = Open();
    ASSERT_NE(nullptr, dialog);
    char line[32];
    for (int first = 0; first < 5000; first += 100) {
        std::string chunk;
        for (int i = first; i < first + 100; ++i) {
            snprintf(line, sizeof line, "line %04d\r\n", i);
            chunk += line;
        }
        Write(outWrite, chunk);
        // Pacing: the relay's queue (1,024) never fills.
        ASSERT_TRUE(WaitLines(dialog, 2 + first + 100 - 300, 20000)) << first;
    }
    ASSERT_TRUE(WaitLines(dialog, 5002, 20000));
    ui_testing::PumpUntil([&] { return dialog->GetLineCount() < 4100; }, 20000);
    const std::vector<std::wstring> lines = Lines(dialog);
    // 5,002 appended, forty blocks of 25 trimmed (the window's own two lines first).
    EXPECT_EQ(4002, dialog->GetLineCount());
    ASSERT_EQ(4002u, lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        snprintf(line, sizeof line, "line %04d", static_cast<int>(i) + 998);
        ASSERT_EQ(line, Narrow(lines[i])) << i;
    }
    // Keeping the last line visible: the view is at the end, not the top.
    EXPECT_GT(dialog->GetEdit()->SendEditMessage(EM_GETFIRSTVISIBLELINE, 0, 0), 3900);
}

// A real game process writing 5,000 lines, paced by the view (each hundred
// waits for a file the test makes once the view has caught up): none is
// lost, and the view keeps the newest 4,000 to 4,025 in order.
TEST_F(OutputWindow, AFakeGamePacedByTheViewLosesNoLine) {
    CMinecraftRedirectDlg* dialog = Open();
    ASSERT_NE(nullptr, dialog);
    std::string script;
    char line[64];
    for (int i = 0; i < 5000; ++i) {
        snprintf(line, sizeof line, "stdout=paced %04d\n", i);
        script += line;
        if (i % 100 == 99) script += "waitfile=" + Narrow(java.Home()) + "step" + std::to_string(i / 100) + "\n";
    }
    java.SetScript(L"java", script);
    SetHandleInformation(outWrite, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWrite;
    PROCESS_INFORMATION writer = {};
    std::wstring command = L"\"" + java.JavaExe() + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &writer));
    for (int step = 0; step < 50; ++step) {
        ASSERT_TRUE(WaitLines(dialog, 2 + (step + 1) * 100, 20000)) << step;
        CloseHandle(CreateFileW((java.Home() + L"step" + std::to_wstring(step)).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, 0, nullptr));
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(writer.hProcess, 10000));
    CloseHandle(writer.hProcess);
    CloseHandle(writer.hThread);
    const std::vector<std::wstring> lines = Lines(dialog);
    ASSERT_GE(lines.size(), 4000u);
    ASSERT_LE(lines.size(), 4100u);
    for (size_t i = 0; i < lines.size(); ++i) {
        snprintf(line, sizeof line, "paced %04d", static_cast<int>(5000 - lines.size() + i));
        ASSERT_EQ(line, Narrow(lines[i])) << i;
    }
}

// A burst while the window takes no message fills the relay's queue: the
// rest is dropped by design, the first notice takes the queue whole, it is
// shown in order, and what the game writes later comes after it.
TEST_F(OutputWindow, ABurstThatFillsTheQueueDrainsInOrder) {
    CMinecraftRedirectDlg* dialog = Open();
    ASSERT_NE(nullptr, dialog);
    const size_t capacity = trelm::launcher::redirect::MinecraftOutputRedirect::kStdoutCapacity;
    auto block = [](const char* name, int count) {
        std::string text;
        char line[64];
        for (int i = 0; i < count; ++i) {
            snprintf(line, sizeof line, "%s %04d\r\n", name, i);
            text += line;
        }
        return text;
    };
    std::vector<int> drained;  // lines taken by each output message that took any
    auto pumpUntil = [&](size_t appended) {
        MSG msg;
        const DWORD deadline = GetTickCount() + 10000;
        while (dialog->GetLinesAppended() < static_cast<int>(appended) && GetTickCount() < deadline) {
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                Sleep(5);
                continue;
            }
            const int before = dialog->GetLinesReceived();
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (msg.message == 0x8101 && dialog->GetLinesReceived() > before)
                drained.push_back(dialog->GetLinesReceived() - before);
        }
    };
    // Lines of a level, so that the relay counts them as it reads them,
    // taken by the queue or dropped.
    Write(outWrite, block("[12:00:00] [main/INFO]: burst", 3000));
    testing_support::WaitUntil([&] { return dialog->GetLevelCount(1) >= 3000; });
    ASSERT_EQ(3000, dialog->GetLevelCount(1)) << "lines the relay read";
    pumpUntil(2 + capacity);
    Write(outWrite, block("later", 200));
    pumpUntil(2 + capacity + 200);
    ui_testing::PumpFor(300);  // nothing of the dropped rest comes after all
    ASSERT_GE(drained.size(), 2u);
    EXPECT_EQ(static_cast<int>(capacity), drained[0]);  // the full queue, at one notice
    const std::vector<std::wstring> lines = Lines(dialog);
    ASSERT_EQ(2 + capacity + 200, lines.size());
    char expected[64];
    for (size_t i = 0; i < capacity + 200; ++i) {
        snprintf(expected, sizeof expected, i < capacity ? "[12:00:00] [main/INFO]: burst %04d" : "later %04d",
                 static_cast<int>(i < capacity ? i : i - capacity));
        ASSERT_EQ(expected, Narrow(lines[2 + i])) << i;
    }
}

// A game writes 5,000 lines of every level in a burst, then its last words:
// every line reaches the window, the window is never held long, the view
// ends with the last words, and the four-digit counters show whole. The
// first thousand wait in the relay when the window's first notice comes;
// the rest come as fast as the window takes them, but never more than a
// queue's worth ahead of it: a machine busy with other work may slow the
// window, and a full queue drops lines by design.
TEST_F(OutputWindow, ABurstReachesTheWindowWholeWhileItStaysResponsive) {
    CMinecraftRedirectDlg* dialog = Open();
    ASSERT_NE(nullptr, dialog);
    static const char* const kLevels[] = {"INFO", "WARN", "ERROR", "FATAL"};
    std::atomic<int> shown(0);
    std::thread writer([&] {
        char line[64];
        for (int chunk = 0; chunk < 10; ++chunk) {
            testing_support::WaitUntil([&] { return shown.load() >= chunk * 500 - 500; });
            std::string text;
            for (int i = chunk * 500; i < chunk * 500 + 500; ++i) {
                snprintf(line, sizeof line, "[12:00:00] [main/%s]: burst %04d\r\n", kLevels[i / 1250], i);
                text += line;
            }
            Write(outWrite, text);
            Sleep(50);
        }
        Sleep(500);
        Write(outWrite, "[12:00:09] [main/FATAL]: the last words\r\n");
    });
    testing_support::WaitUntil([&] { return dialog->GetLevelCount(1) >= 1000; });
    EXPECT_EQ(1000, dialog->GetLevelCount(1)) << "lines the relay took before the window's first notice";
    Held held;
    const bool all = PumpMeasured(
        dialog,
        [&] {
            shown.store(dialog->GetLinesReceived());
            return dialog->GetLinesAppended() >= 2 + 5001;
        },
        90000, held);
    writer.join();
    EXPECT_EQ(std::wstring(L"|1250 INFO|1250 WARN|1250 ERROR|1251 FATAL|"),
              dialog->GetCountersLabel()->GetText().GetString());
    EXPECT_TRUE(dialog->CountersFit()) << "the counters are cut at the window's smallest width";
    ExpectHeldBriefly(held);
    ASSERT_TRUE(all) << dialog->GetLinesReceived() << " lines reached the window";
    EXPECT_EQ(5001, dialog->GetLinesReceived());
    const std::vector<std::wstring> lines = Lines(dialog);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("[12:00:09] [main/FATAL]: the last words", Narrow(lines.back()));
    EXPECT_EQ("[12:00:00] [main/FATAL]: burst 4999", Narrow(lines[lines.size() - 2]));
}

// Lines far longer than Wine's rich edit lays out quickly: each shows in
// rows of 256 characters, at most 32,768 of it, and the view keeps at most
// 512 Ki characters, so 24 lines of 32,000 characters take seconds at most
// and tens of megabytes, not minutes and a gigabyte and a half.
TEST_F(OutputWindow, LongLinesAreShownInBoundedRowsAndTheViewIsBoundedInCharacters) {
    CMinecraftRedirectDlg* dialog = Open();
    ASSERT_NE(nullptr, dialog);
    PROCESS_MEMORY_COUNTERS before = {}, after = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    std::string words;
    while (words.size() < 32000) words += "lorem ipsum ";
    words.resize(32000);
    for (int i = 0; i < 24; ++i) Write(outWrite, "long " + std::to_string(i) + " " + words + "\r\n");
    // And one past the line bound: the reader hands on 0x80000 characters at most.
    Write(outWrite, std::string(40000, 'y') + "\r\n");
    Held held;
    // Until the last lines are in and the view is back within its bound.
    auto story = [&] {
        GETTEXTLENGTHEX query = {GTL_NUMCHARS | GTL_PRECISE, 1200};
        return dialog->GetEdit()->SendEditMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0);
    };
    ASSERT_TRUE(PumpMeasured(
        dialog,
        [&] { return dialog->GetLinesAppended() >= 2 + 25 && story() <= CMinecraftRedirectDlg::kMaxViewChars; },
        90000, held))
        << dialog->GetLinesAppended();
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    ExpectHeldBriefly(held);
    const std::wstring text = dialog->GetEdit()->GetText().GetString();
    EXPECT_LE(static_cast<int>(text.size()), CMinecraftRedirectDlg::kMaxViewChars);
    EXPECT_GT(text.size(), 400000u);
    size_t row = 0;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = std::min(text.find(L'\r', start), text.size());
        row = std::max(row, end - start);
    }
    EXPECT_LE(row, static_cast<size_t>(trelm::ui::kMaxRowChars) + 32) << "the longest paragraph, a note after its last";
    EXPECT_NE(std::wstring::npos, text.find(L"long 23 lorem ipsum"));
    EXPECT_NE(std::wstring::npos, text.find(L"\r" + std::wstring(trelm::ui::kMaxRowChars, L'y') + L"\r"));
    EXPECT_NE(std::wstring::npos, text.find(L"（此行另有 7232 个字符未显示）"));  // 40,000 - 32,768
    EXPECT_LT(after.PagefileUsage - before.PagefileUsage, 200u * 1024 * 1024);
}

// "向下搜索" selects the next match after the selection, from the start of
// the log when the player never put the caret anywhere, and shows it
// selected; text that does not occur leaves the selection alone (under Wine
// through EM_FINDTEXTEXW).
TEST_F(OutputWindow, SearchSelectsTheNextMatchOrLeavesTheSelection) {
    CMinecraftRedirectDlg* dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Write(outWrite, "alpha needle one\r\nbeta\r\ngamma needle two\r\n");
    ASSERT_TRUE(WaitLines(dialog, 5));
    wendaldui::CUIRichEdit* edit = dialog->GetEdit();
    const std::wstring text = edit->GetText().GetString();
    const LONG first = static_cast<LONG>(text.find(L"needle"));
    const LONG second = static_cast<LONG>(text.find(L"needle", first + 1));
    const struct {
        const wchar_t* what;
        LONG from, to;  // the selection before
        bool found;
        LONG start, end;  // and after
    } cases[] = {
        {L"needle", 0, 0, true, first, first + 6},
        {L"needle", first + 2, first + 2, true, second, second + 6},  // from a caret inside the first
        {L"needle", first, first + 6, true, second, second + 6},
        {L"absent text", 5, 8, false, 5, 8},
        {L"needle", second, second + 6, false, second, second + 6},  // nothing after the last
        {L"", 5, 8, false, 5, 8},
    };
    // The first search, as the player makes it: typed, then the button.
    HWND hwnd = dialog->GetHWND();
    auto click = [&](wendaldui::CUIControl* control) {
        const wendaldui::UIRect at = control->GetWindowRect();
        POINT pt = {at.x + at.width / 2, at.y + at.height / 2};
        ClientToScreen(hwnd, &pt);
        ui_testing::ClickAt(pt.x, pt.y);
    };
    SetForegroundWindow(hwnd);
    click(dialog->GetSearchField());
    ui_testing::TypeText(L"needle");
    ASSERT_TRUE(ui_testing::PumpUntil([&] { return dialog->GetSearchField()->GetText() == L"needle"; }, 10000));
    click(dialog->GetSearchButton());
    LONG start = -1, end = -1;
    ASSERT_TRUE(ui_testing::PumpUntil([&] { edit->GetSel(start, end); return start == first; }, 10000));
    EXPECT_EQ(first + 6, end);
    EXPECT_FALSE(dialog->IsKeepingLastLine()) << "new lines would scroll the match away";
    // And it shows: the search field keeps the focus, the match its highlight.
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const wendaldui::UIRect log = edit->GetWindowRect();
    POINT corner = {log.x, log.y};
    ClientToScreen(hwnd, &corner);
    const uint32_t highlight = ((GetSysColor(COLOR_HIGHLIGHT) & 0xFF) << 16) | (GetSysColor(COLOR_HIGHLIGHT) & 0xFF00) |
                               ((GetSysColor(COLOR_HIGHLIGHT) >> 16) & 0xFF);
    auto highlighted = [&] {
        int count = 0;
        for (int y = 0; y < 80; y += 2) {
            for (int x = 0; x < 200; x += 2) count += ui_testing::ScreenPixel(corner.x + x, corner.y + y) == highlight;
        }
        return count;
    };
    // The screen shows the paint a moment later.
    EXPECT_TRUE(ui_testing::PumpUntil([&] { return highlighted() > 10; }, 10000))
        << "the match is selected but not drawn so";

    for (const auto& c : cases) {
        dialog->GetSearchField()->SetText(c.what);
        edit->SetSel(c.from, c.to);
        EXPECT_EQ(c.found, dialog->SearchDown()) << Narrow(c.what);
        edit->GetSel(start, end);
        EXPECT_EQ(c.start, start) << Narrow(c.what);
        EXPECT_EQ(c.end, end) << Narrow(c.what);
    }
}

// The player scrolling up stops the following of the last line; the toggle
// goes off with it and brings it back. Lines trimmed from the top meanwhile
// leave the lines he reads in sight.
TEST_F(OutputWindow, ScrollingUpStopsFollowingTheEnd) {
    CMinecraftRedirectDlg* dialog = Open();
    ASSERT_NE(nullptr, dialog);
    std::string many;
    char text[32];
    for (int i = 0; i < 1000; ++i) {
        snprintf(text, sizeof text, "filler %04d\r\n", i);
        many += text;
    }
    Write(outWrite, many);
    ASSERT_TRUE(WaitLines(dialog, 1002));
    EXPECT_TRUE(dialog->IsKeepingLastLine());
    wendaldui::EventData up;
    up.id = wendaldui::kEventVScroll;
    up.p1 = SB_PAGEUP;
    wendaldui::CUIRichEdit* edit = dialog->GetEdit();
    edit->OnScrollBarEvent(up);
    EXPECT_FALSE(dialog->IsKeepingLastLine());
    EXPECT_FALSE(dialog->GetKeepLastToggle()->IsChecked());
    auto firstVisible = [&] {
        const LRESULT line = edit->SendEditMessage(EM_GETFIRSTVISIBLELINE, 0, 0);
        const LONG start = static_cast<LONG>(edit->SendEditMessage(EM_LINEINDEX, line, 0));
        WString shown;
        edit->GetTextRange(start, start + 11, shown);
        return std::wstring(shown.GetString());
    };
    const std::wstring reading = firstVisible();
    ASSERT_EQ(0u, reading.find(L"filler 09")) << Narrow(reading);
    // 3,100 more: the oldest 100 go from the top.
    for (int i = 1; i <= 3; ++i) {
        Write(outWrite, many);  // the relay's queue holds 1,024
        ASSERT_TRUE(WaitLines(dialog, 2 + 1000 + i * 1000));
    }
    Write(outWrite, many.substr(0, 100 * 13));  // 100 lines
    ASSERT_TRUE(WaitLines(dialog, 4102)) << dialog->GetLinesAppended();
    ui_testing::PumpUntil([&] { return dialog->GetLineCount() < 4025; }, 10000);
    EXPECT_LT(dialog->GetLineCount(), 4025);
    EXPECT_EQ(Narrow(reading), Narrow(firstVisible()));
    dialog->SetKeepLastLine(true);
    EXPECT_GT(edit->SendEditMessage(EM_GETFIRSTVISIBLELINE, 0, 0), 3900);
}

// A run whose arguments name no readable block opens nothing and quits at once.
TEST_F(OutputWindow, ABadOrMissingHandleOpensNoWindowAndQuits) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const std::wstring notAMapping = FormatHandleArgument(event).GetString();
    const std::wstring closed = FormatHandleArgument(reinterpret_cast<HANDLE>(0x7FF0)).GetString();
    const std::vector<std::vector<std::wstring>> runs = {
        {L"-redirect_output"}, {L"-redirect_output", L"xyz"}, {L"-redirect_output", L"0000000"},
        {L"-redirect_output", notAMapping}, {L"-redirect_output", closed}, {L"-Redirect_output", notAMapping},
    };
    for (std::vector<std::wstring> run : runs) {
        std::vector<wchar_t*> argv;
        for (std::wstring& arg : run) argv.push_back(&arg[0]);
        OpenOutputWindow(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(0, GetTopLevelWindows().outputWindows) << Narrow(run.back());
        EXPECT_TRUE(TakeQuit()) << Narrow(run.back());
    }
    EXPECT_EQ(nullptr, FindWindowW(wendaldui::kDuiWindowClassName, L"输出"));
    CloseHandle(event);
}

// Closing the window ends the run and the pipes, never the game.
TEST_F(OutputWindow, ClosingLeavesTheGameRunning) {
    CMinecraftRedirectDlg* dialog = Open();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(1, GetTopLevelWindows().outputWindows);
    HWND hwnd = dialog->GetHWND();
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    bool quit = false;
    ui_testing::PumpUntil([&] { return !IsWindow(hwnd); }, 10000);
    quit = TakeQuit();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(quit);
    EXPECT_EQ(0, GetTopLevelWindows().outputWindows);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(game.hProcess, 300));
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(outWrite, "x", 1, &written, nullptr));  // the relay's read end is closed
}

}  // namespace
