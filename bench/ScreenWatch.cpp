// Watches another program's window on the screen, as a person sees it, for
// the start-up and list benchmarks (bench/startup.sh, bench/list.sh): when
// it first shows a picture, when that picture stops changing and how much of
// the first one was already the finished one; how long a menu choice takes
// to a settled list; and how often the picture changes while the wheel turns
// over it, how long it goes on after the last notch and how busy the
// program's process is meanwhile. Every program is watched the same way,
// from outside, so the launcher and the system's own programs compare like
// with like. Each command prints one line of name=value pairs.
//
//   bench_screen_watch startup <class> <folder> <command line>
//       starts the program in the folder and waits until its largest window
//       of that class has settled; then closes it and waits for its end
//   bench_screen_watch openlist <main title> <list title> <menu x> <menu y> <menu height> <item y>
//       clicks the main window's menu button at (x, y) of its client area
//       (negative: from the right or bottom), then the menu item whose
//       centre lies item y pixels below the top of the menu's content (menu
//       height pixels high, centred in the menu's window with its shadow);
//       times from that click until the list window has settled
//   bench_screen_watch scroll <title> <x> <y> <notches> <interval ms> <down|up>
//       turns the wheel over that point of the window's client area, one
//       notch per interval, watching a strip of the window around the point
//   bench_screen_watch place <title> <x> <y> <width> <height>   (width 0: as it is)
//   bench_screen_watch close <title>       (waits until the window has gone)
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "tools/input/ScreenInput.h"

namespace {

constexpr double kQuietSeconds = 0.7;    // unchanged this long: settled
constexpr double kTimeoutSeconds = 20.0;
constexpr int kSameChannel = 24;         // a channel this close counts as the same
// Fewer differing pixels are no new picture: a blinking caret.
constexpr size_t kCaretPixels = 64;

// Top-level windows of a process (or any, pid 0) with that class or title.
struct Finder {
    DWORD pid = 0;
    const wchar_t* className = nullptr;
    const wchar_t* title = nullptr;
    HWND best = NULL;
    long bestArea = 0;
};

BOOL CALLBACK FindOne(HWND hwnd, LPARAM param) {
    Finder& f = *reinterpret_cast<Finder*>(param);
    if (!IsWindowVisible(hwnd)) return TRUE;
    if (GetWindowLongW(hwnd, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TOOLWINDOW)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (f.pid && pid != f.pid) return TRUE;
    wchar_t text[256];
    if (f.className && (!GetClassNameW(hwnd, text, 256) || wcscmp(text, f.className) != 0)) return TRUE;
    if (f.title && (GetWindowTextW(hwnd, text, 256) <= 0 || wcscmp(text, f.title) != 0)) return TRUE;
    RECT r;
    GetClientRect(hwnd, &r);
    const long area = static_cast<long>(r.right) * r.bottom;
    if (area > f.bestArea) {
        f.best = hwnd;
        f.bestArea = area;
    }
    return TRUE;
}

HWND FindWindowOf(DWORD pid, const wchar_t* className, const wchar_t* title) {
    Finder f;
    f.pid = pid;
    f.className = className;
    f.title = title;
    EnumWindows(&FindOne, reinterpret_cast<LPARAM>(&f));
    return f.best;
}

HWND WaitWindow(const wchar_t* title, double seconds) {
    const double end = BenchNow() + seconds;
    for (;;) {
        if (HWND hwnd = FindWindowOf(0, nullptr, title)) return hwnd;
        if (BenchNow() > end) return NULL;
        Sleep(2);
    }
}

// The window (10 s at most) and its process; prints the error line when none came.
HWND NeedWindow(const wchar_t* title, const char* error, DWORD* pid) {
    HWND hwnd = WaitWindow(title, 10);
    if (!hwnd) {
        printf("error=%s\n", error);
        return NULL;
    }
    GetWindowThreadProcessId(hwnd, pid);
    return hwnd;
}

// A screen area copied into memory, one 32-bit pixel each.
class Grabber {
public:
    Grabber() : m_screen(GetDC(NULL)), m_memory(CreateCompatibleDC(m_screen)) {}
    ~Grabber() {
        if (m_bitmap) DeleteObject(m_bitmap);
        DeleteDC(m_memory);
        ReleaseDC(NULL, m_screen);
    }
    Grabber(const Grabber&) = delete;
    Grabber& operator=(const Grabber&) = delete;

    // False when the area is empty.
    bool Grab(const RECT& area) {
        const int w = area.right - area.left, h = area.bottom - area.top;
        if (w <= 0 || h <= 0) return false;
        if (w != m_width || h != m_height) {
            if (m_bitmap) DeleteObject(m_bitmap);
            BITMAPINFO info = {};
            info.bmiHeader.biSize = sizeof info.bmiHeader;
            info.bmiHeader.biWidth = w;
            info.bmiHeader.biHeight = -h;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            void* bits = nullptr;
            m_bitmap = CreateDIBSection(m_memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
            if (!m_bitmap) return false;
            SelectObject(m_memory, m_bitmap);
            m_bits = static_cast<uint32_t*>(bits);
            m_width = w;
            m_height = h;
        }
        BitBlt(m_memory, 0, 0, w, h, m_screen, area.left, area.top, SRCCOPY);
        GdiFlush();
        pixels.assign(m_bits, m_bits + static_cast<size_t>(w) * h);
        for (uint32_t& p : pixels) p &= 0xFFFFFF;
        return true;
    }

    std::vector<uint32_t> pixels;

private:
    HDC m_screen;
    HDC m_memory;
    HBITMAP m_bitmap = NULL;
    uint32_t* m_bits = nullptr;
    int m_width = 0, m_height = 0;
};

// Whether b is another picture than a (more than a caret changed).
bool Changed(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.size() != b.size()) return true;
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && ++differing > kCaretPixels) return true;
    }
    return false;
}

bool Uniform(const std::vector<uint32_t>& pixels) {
    return std::all_of(pixels.begin(), pixels.end(), [&](uint32_t p) { return p == pixels.front(); });
}

bool Near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > kSameChannel) {
            return false;
        }
    }
    return true;
}

// The share of pixels of `a` that `b` shows (nearly) the same.
double SameShare(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.empty() || a.size() != b.size()) return 0.0;
    size_t same = 0;
    for (size_t i = 0; i < a.size(); ++i) same += Near(a[i], b[i]);
    return static_cast<double>(same) / static_cast<double>(a.size());
}

double DarkShare(const std::vector<uint32_t>& a) {
    if (a.empty()) return 0.0;
    size_t dark = 0;
    for (uint32_t p : a) dark += Near(p, 0);
    return static_cast<double>(dark) / static_cast<double>(a.size());
}

RECT ClientOnScreen(HWND hwnd) {
    RECT r = {};
    GetClientRect(hwnd, &r);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    OffsetRect(&r, origin.x, origin.y);
    return r;
}

// What a watched window showed: when it first showed a picture, when it
// last changed (once it stayed so for kQuietSeconds), both pictures.
struct Settling {
    double firstPicture = -1, lastChange = -1;
    std::vector<uint32_t> first, last;
};

// Watches the client area of `window()` (found again each time: it may not
// exist yet) until its picture has settled; false on the time-out.
template <typename WindowOf>
bool WatchUntilSettled(WindowOf window, double start, Settling& out, double* shown = nullptr) {
    Grabber grabber;
    const double end = start + kTimeoutSeconds;
    std::vector<uint32_t> previous;
    for (;;) {
        const double now = BenchNow();
        if (now > end) return false;
        HWND hwnd = window();
        if (!hwnd || !grabber.Grab(ClientOnScreen(hwnd))) {
            Sleep(1);
            continue;
        }
        if (shown && *shown < 0) *shown = now - start;
        if (out.firstPicture < 0) {
            if (Uniform(grabber.pixels)) continue;
            out.firstPicture = out.lastChange = now - start;
            out.first = grabber.pixels;
        } else if (Changed(previous, grabber.pixels)) {
            out.lastChange = now - start;
        } else if (now - start - out.lastChange >= kQuietSeconds) {
            out.last = grabber.pixels;
            return true;
        }
        previous.swap(grabber.pixels);
    }
}

void CloseAndWait(HWND hwnd, HANDLE process) {
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
}

int Startup(const wchar_t* className, const wchar_t* folder, const wchar_t* commandLine) {
    std::wstring line = commandLine;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const double start = BenchNow();
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi)) {
        printf("error=cannot-start\n");
        return 1;
    }
    double shown = -1;
    Settling s;
    const DWORD pid = pi.dwProcessId;
    const bool settled = WatchUntilSettled([&] { return FindWindowOf(pid, className, nullptr); }, start, s, &shown);
    HWND hwnd = FindWindowOf(pid, className, nullptr);
    if (hwnd) CloseAndWait(hwnd, pi.hProcess);
    else TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!settled) {
        printf("error=not-settled window=%.4f first_picture=%.4f\n", shown, s.firstPicture);
        return 1;
    }
    printf("window=%.4f first_picture=%.4f settled=%.4f finished=%.3f dark=%.3f\n", shown, s.firstPicture,
           s.lastChange, SameShare(s.first, s.last), DarkShare(s.first));
    return 0;
}

POINT ClientPoint(HWND hwnd, int x, int y) {
    RECT client;
    GetClientRect(hwnd, &client);
    POINT pt = {x < 0 ? client.right + x : x, y < 0 ? client.bottom + y : y};
    ClientToScreen(hwnd, &pt);
    return pt;
}

void Foreground(HWND hwnd) { screen_input::BringToFront(hwnd, 500); }

void MoveMouse(POINT pt) { screen_input::MoveMouseTo(pt); }

void LeftClick() {
    screen_input::SendMouse(MOUSEEVENTF_LEFTDOWN);
    screen_input::SendMouse(MOUSEEVENTF_LEFTUP);
}

struct Layered {
    DWORD pid;
    HWND found;
};

// Menus are the process's topmost layered popups.
BOOL CALLBACK FindMenu(HWND hwnd, LPARAM param) {
    Layered& l = *reinterpret_cast<Layered*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != l.pid || !IsWindowVisible(hwnd)) return TRUE;
    if ((GetWindowLongW(hwnd, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TOPMOST)) == (WS_EX_LAYERED | WS_EX_TOPMOST)) {
        l.found = hwnd;
        return FALSE;
    }
    return TRUE;
}

int OpenList(const wchar_t* mainTitle, const wchar_t* listTitle, int menuX, int menuY, int menuHeight, int itemY) {
    DWORD pid = 0;
    HWND main = NeedWindow(mainTitle, "no-main-window", &pid);
    if (!main) return 1;
    Foreground(main);
    MoveMouse(ClientPoint(main, menuX, menuY));
    Sleep(50);
    LeftClick();
    // The menu is a layered window of the launcher's process: the newest one.
    HWND menu = NULL;
    for (int i = 0; i < 500 && !menu; ++i) {
        Sleep(4);
        Layered layered = {pid, NULL};
        EnumWindows(&FindMenu, reinterpret_cast<LPARAM>(&layered));
        menu = layered.found;
    }
    if (!menu) {
        printf("error=no-menu\n");
        return 1;
    }
    Sleep(400);  // its fade-in
    RECT m;
    GetWindowRect(menu, &m);
    // Clicked through the main window: foregrounding the menu would close it.
    MoveMouse(POINT{(m.left + m.right) / 2, m.top + ((m.bottom - m.top) - menuHeight) / 2 + itemY});
    Sleep(50);
    const double start = BenchNow();
    LeftClick();
    Settling s;
    double shown = -1;
    const bool settled = WatchUntilSettled([&] { return FindWindowOf(pid, nullptr, listTitle); }, start, s, &shown);
    if (!settled) {
        printf("error=not-settled window=%.4f first_picture=%.4f\n", shown, s.firstPicture);
        return 1;
    }
    printf("window=%.4f first_picture=%.4f settled=%.4f finished=%.3f\n", shown, s.firstPicture, s.lastChange,
           SameShare(s.first, s.last));
    return 0;
}

// CPU seconds the process has used (user and kernel), -1 when unknown.
double ProcessCpuSeconds(DWORD pid) {
    std::vector<BYTE> buffer(1 << 20);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &needed)) == static_cast<NTSTATUS>(0xC0000004L)) {
        buffer.resize(std::max<size_t>(needed, buffer.size() * 2));
    }
    if (status != 0) return -1;
    for (size_t offset = 0;;) {
        const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
        if (static_cast<DWORD>(reinterpret_cast<uintptr_t>(p->UniqueProcessId)) == pid) {
            // UserTime and KernelTime sit at bytes 40 and 48 of the record.
            const auto* bytes = reinterpret_cast<const BYTE*>(p);
            LARGE_INTEGER user, kernel;
            memcpy(&user, bytes + 40, sizeof user);
            memcpy(&kernel, bytes + 48, sizeof kernel);
            return static_cast<double>(user.QuadPart + kernel.QuadPart) / 1e7;
        }
        if (!p->NextEntryOffset) return -1;
        offset += p->NextEntryOffset;
    }
}

int Scroll(const wchar_t* title, int x, int y, int notches, int intervalMs, bool down) {
    DWORD pid = 0;
    HWND window = NeedWindow(title, "no-window", &pid);
    if (!window) return 1;
    // The wheel goes to the window under the point (an edit control of a
    // system program, the launcher's window itself), posted as the system
    // does: bringing the window forward and moving the cursor from this
    // process held the launcher's input back under Wine until the last notch.
    const POINT pt = ClientPoint(window, x, y);
    HWND target = WindowFromPoint(pt);
    // A strip around the point, the list's height: where a scrolled line shows.
    RECT client = ClientOnScreen(window);
    RECT strip = {std::max(client.left, pt.x - 48), client.top, std::min(client.right, pt.x + 48), client.bottom};
    Grabber grabber;
    grabber.Grab(strip);
    std::vector<uint32_t> previous = grabber.pixels;
    const double cpuStart = ProcessCpuSeconds(pid);
    const double start = BenchNow();
    double lastNotch = start, lastChange = -1;
    int sent = 0, frames = 0, samples = 0;
    for (;;) {
        const double now = BenchNow();
        if (sent < notches && now >= start + sent * intervalMs / 1000.0) {
            const short delta = static_cast<short>(down ? -WHEEL_DELTA : WHEEL_DELTA);
            PostMessageW(target, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), MAKELPARAM(pt.x, pt.y));
            lastNotch = now;
            ++sent;
        }
        // About a sample a millisecond: enough to see every frame of a
        // 100 Hz animation without keeping the Wine server from the program.
        Sleep(1);
        grabber.Grab(strip);
        ++samples;
        const double seen = BenchNow();
        if (Changed(previous, grabber.pixels)) {
            ++frames;
            lastChange = seen;
            previous.swap(grabber.pixels);
        } else if (sent == notches && seen - std::max(lastNotch, lastChange) >= kQuietSeconds) {
            break;
        }
        if (seen - start > kTimeoutSeconds) {
            printf("error=not-settled\n");
            return 1;
        }
    }
    const double cpuEnd = ProcessCpuSeconds(pid);
    const double busy = lastChange - start;
    printf("frames=%d seconds=%.4f fps=%.1f lag=%.4f cpu=%.3f samples_per_s=%.0f\n", frames, busy,
           busy > 0 ? frames / busy : 0.0, lastChange - lastNotch,
           cpuStart >= 0 && cpuEnd >= 0 && busy > 0 ? (cpuEnd - cpuStart) / busy : -1.0, samples / (BenchNow() - start));
    return 0;
}

// Moves the window's top left corner to (x, y); a width of 0 keeps the size.
int Place(const wchar_t* title, int x, int y, int width, int height) {
    HWND window = WaitWindow(title, 20);
    if (!window) return 1;
    SetWindowPos(window, NULL, x, y, width, height, SWP_NOZORDER | (width > 0 ? 0 : SWP_NOSIZE));
    return 0;
}

// Asks the window to close and waits (5 s at most) until it has gone.
int Close(const wchar_t* title) {
    HWND window = WaitWindow(title, 2);
    if (!window) return 1;
    PostMessageW(window, WM_CLOSE, 0, 0);
    for (int i = 0; i < 500 && IsWindow(window); ++i) Sleep(10);
    return IsWindow(window) ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring verb = argc > 1 ? argv[1] : L"";
    if (verb == L"startup" && argc >= 5) {
        // The command line is the rest, as given.
        std::wstring line;
        for (int i = 4; i < argc; ++i) {
            if (i > 4) line += L' ';
            line += std::wstring(L"\"") + argv[i] + L"\"";
        }
        return Startup(argv[2], argv[3], line.c_str());
    }
    if (verb == L"openlist" && argc == 8) {
        return OpenList(argv[2], argv[3], _wtoi(argv[4]), _wtoi(argv[5]), _wtoi(argv[6]), _wtoi(argv[7]));
    }
    if (verb == L"scroll" && argc == 8) {
        return Scroll(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]), _wtoi(argv[6]),
                      wcscmp(argv[7], L"up") != 0);
    }
    if (verb == L"place" && argc == 7) {
        return Place(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]), _wtoi(argv[6]));
    }
    if (verb == L"close" && argc == 3) return Close(argv[2]);
    fprintf(stderr, "usage: see the top of bench/ScreenWatch.cpp\n");
    return 2;
}
