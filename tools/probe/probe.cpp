// The end-to-end tests' hands and eyes on the launcher's windows. Run under
// Wine in the launcher's own prefix, so that window handles are shared.
//
//   probe serve        reads one command per line from standard input and
//                      answers each with one line of JSON ({"ok": ...})
//   probe handover <helper> <launcher> <new file>
//                      starts the update helper as the launcher would, with
//                      an inheritable handle of this process, and exits
//
// Commands (arguments separated by tabs; texts in UTF-8; window handles in
// decimal; x and y in client pixels, a negative value counting back from
// the right or bottom edge):
//   list <class>            top-level windows of that class ("*": every
//                           class) with text, rectangles, states and owner
//   click <hwnd> <x> <y>    foreground the window, move there, left click
//   rightclick <hwnd> <x> <y>   the same with the right button
//   move <hwnd> <x> <y>     foreground the window and move the mouse there
//   type <hwnd> <text>      foreground the window and type the text
//   clicks <hwnd> <x> <y> <gaps>   left clicks there, each pressed the
//                           given milliseconds after the one before
//                           ("130,870": three); two within the system's
//                           double-click time make a double-click
//   key <hwnd> <keys>       one chord: "enter", "ctrl+n", "tab", "space", ...
//   close <hwnd>            post WM_CLOSE
//   capture <hwnd> <png>    the window's rectangle on screen (0: the screen)
//   pixel <hwnd> <x> <y>    the screen's colour there, "RRGGBB"
//   pixels <hwnd> <x> <y> <w> <h>
//                           the block's colours, one "RRGGBB..." per row
//   count <hwnd> <x> <y> <w> <h> <RRGGBB> <tolerance>
//                           how many pixels of that client rectangle on the
//                           screen are within tolerance of the colour in
//                           each channel
//   clipboard               the clipboard's text ("" when it holds none)
//   emptyclipboard          nothing on the clipboard, so that a copy that
//                           did not happen is not read as the last one
//   dialog <hwnd>           a standard dialog's static texts and buttons
//   accept <hwnd> <path>    a system file dialog: the path into its file
//                           name box, then its OK button
//   hold <path>             open the file for reading and writing, sharing
//                           only reading, until "unhold" (a program that
//                           has the file in use)
//   unhold                  close what "hold" opened
//   place <hwnd> <x> <y>    move the window's top left corner there on the
//                           screen (out of the way of another window)
//   press <hwnd> <x> <y> [ms]   foreground, move there and hold the left
//                           button; "moving" tells whether the window's
//                           thread runs the system's move or size loop within
//                           ms (1000 by default; it ends as soon as it does)
//   release                 let the left button go
//   alive <pid>             whether that process still runs
//   clickwith <hwnd> <x> <y> ctrl|shift   a click with that key held
//                           (the key held for real, for GetAsyncKeyState)
//   wheel <hwnd> <x> <y> <notches>   the mouse there, the wheel turned
//                           (negative: towards the player)
//   quit
#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "core/HandleArgument.h"
#include "tools/input/ScreenInput.h"
#include "tools/screen_capture/ScreenCapture.h"

namespace {

std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::string Quote(const std::wstring& text) {
    std::string out = "\"";
    for (const char c : Narrow(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string RectJson(const RECT& r) {
    char text[80];
    snprintf(text, sizeof text, "[%ld, %ld, %ld, %ld]", r.left, r.top, r.right, r.bottom);
    return text;
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[1024] = {};
    // WM_GETTEXT, not GetWindowTextW: the latter does not ask other processes' windows.
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

HWND ToWindow(const std::string& text) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(strtoull(text.c_str(), nullptr, 10)));
}

std::string Error(const char* what) { return std::string("{\"ok\": false, \"error\": \"") + what + "\"}"; }

struct ListContext {
    std::wstring className;
    std::string json;
};

BOOL CALLBACK AddWindow(HWND hwnd, LPARAM param) {
    ListContext& context = *reinterpret_cast<ListContext*>(param);
    const std::wstring name = ClassOf(hwnd);
    if (context.className != L"*" && name != context.className) return TRUE;
    RECT window = {}, client = {};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char head[160];
    snprintf(head, sizeof head, "{\"hwnd\": %lu, \"pid\": %lu, \"owner\": %lu, ",
             static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hwnd)), pid,
             static_cast<unsigned long>(reinterpret_cast<uintptr_t>(GetWindow(hwnd, GW_OWNER))));
    if (!context.json.empty()) context.json += ", ";
    context.json += head;
    context.json += "\"class\": " + Quote(name) + ", \"text\": " + Quote(WindowText(hwnd)) +
                    ", \"rect\": " + RectJson(window) + ", \"client\": " + RectJson(client) +
                    ", \"visible\": " + (IsWindowVisible(hwnd) ? "true" : "false") +
                    ", \"enabled\": " + (IsWindowEnabled(hwnd) ? "true" : "false") +
                    ", \"topmost\": " + ((GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "true" : "false") + "}";
    return TRUE;
}

std::string List(const std::string& className) {
    ListContext context;
    context.className = Widen(className);
    EnumWindows(&AddWindow, reinterpret_cast<LPARAM>(&context));
    return "{\"ok\": true, \"windows\": [" + context.json + "]}";
}

// Client coordinates to screen ones; negative values count from the far edge.
bool ClientToScreenPoint(HWND hwnd, const std::string& xs, const std::string& ys, POINT* point) {
    RECT client;
    if (!IsWindow(hwnd) || !GetClientRect(hwnd, &client)) return false;
    const int x = atoi(xs.c_str()), y = atoi(ys.c_str());
    point->x = x < 0 ? client.right + x : x;
    point->y = y < 0 ? client.bottom + y : y;
    return ClientToScreen(hwnd, point) != FALSE;
}

// On a loaded machine a window may take seconds to come to the front, and
// until it does a click meant for it lands on whatever lies over it; the
// wait ends as soon as it is in front.
void Foreground(HWND hwnd) { screen_input::BringToFront(hwnd, 20000); }

void MoveMouse(POINT point) {
    screen_input::MoveMouseTo(point);
    Sleep(40);
}

void SendKey(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

std::string Click(HWND hwnd, const std::string& xs, const std::string& ys, bool press, bool right = false) {
    POINT point;
    if (!ClientToScreenPoint(hwnd, xs, ys, &point)) return Error("no such window");
    Foreground(hwnd);
    MoveMouse(point);
    if (press) {
        screen_input::SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
        Sleep(40);
        screen_input::SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
        Sleep(40);
    }
    char json[80];
    snprintf(json, sizeof json, "{\"ok\": true, \"x\": %ld, \"y\": %ld}", point.x, point.y);
    return json;
}

// Presses follow a schedule from the first, whatever the clicks themselves
// take, so the gaps are what the window sees.
std::string Clicks(HWND hwnd, const std::string& xs, const std::string& ys, const std::string& gaps) {
    POINT point;
    if (!ClientToScreenPoint(hwnd, xs, ys, &point)) return Error("no such window");
    Foreground(hwnd);
    MoveMouse(point);
    std::vector<DWORD> at = {0};
    for (const char* c = gaps.c_str(); *c;) {
        char* end = nullptr;
        const DWORD gap = strtoul(c, &end, 10);
        if (end == c) return Error("bad gaps");
        at.push_back(at.back() + gap);
        c = *end == ',' ? end + 1 : end;
    }
    const ULONGLONG start = GetTickCount64();
    for (const DWORD due : at) {
        const ULONGLONG now = GetTickCount64() - start;
        if (now < due) Sleep(static_cast<DWORD>(due - now));
        screen_input::SendMouse(MOUSEEVENTF_LEFTDOWN);
        Sleep(30);
        screen_input::SendMouse(MOUSEEVENTF_LEFTUP);
    }
    Sleep(40);
    return "{\"ok\": true}";
}

std::string Type(HWND hwnd, const std::string& text) {
    if (!IsWindow(hwnd)) return Error("no such window");
    Foreground(hwnd);
    for (const wchar_t c : Widen(text)) {
        INPUT inputs[2] = {};
        inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
        inputs[0].ki.wScan = inputs[1].ki.wScan = c;
        inputs[0].ki.dwFlags = KEYEVENTF_UNICODE;
        inputs[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, inputs, sizeof inputs[0]);
        Sleep(15);
    }
    return "{\"ok\": true}";
}

WORD KeyCode(const std::string& name) {
    static const struct {
        const char* name;
        WORD vk;
    } kNames[] = {{"enter", VK_RETURN}, {"tab", VK_TAB},    {"space", VK_SPACE}, {"esc", VK_ESCAPE},
                  {"backspace", VK_BACK}, {"delete", VK_DELETE}, {"ctrl", VK_CONTROL}, {"shift", VK_SHIFT},
                  {"alt", VK_MENU}, {"left", VK_LEFT}, {"right", VK_RIGHT}, {"up", VK_UP},
                  {"down", VK_DOWN}, {"home", VK_HOME}, {"end", VK_END}};
    for (const auto& entry : kNames) {
        if (name == entry.name) return entry.vk;
    }
    if (name.size() == 1 && isalnum(static_cast<unsigned char>(name[0]))) {
        return static_cast<WORD>(toupper(static_cast<unsigned char>(name[0])));
    }
    return 0;
}

std::string Key(HWND hwnd, const std::string& chord) {
    if (!IsWindow(hwnd)) return Error("no such window");
    std::vector<WORD> keys;
    size_t start = 0;
    while (start <= chord.size()) {
        const size_t plus = chord.find('+', start);
        const std::string part = chord.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        const WORD vk = KeyCode(part);
        if (!vk) return Error("unknown key");
        keys.push_back(vk);
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
    Foreground(hwnd);
    for (const WORD vk : keys) {
        SendKey(vk, false);
        Sleep(20);
    }
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        SendKey(*it, true);
        Sleep(20);
    }
    return "{\"ok\": true}";
}

// The screen under the window: what a player sees, owned boxes included.
std::string Capture(HWND hwnd, const std::string& path) {
    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (hwnd) {
        if (!IsWindow(hwnd)) return Error("no such window");
        GetWindowRect(hwnd, &area);
    }
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return Error("empty window");
    const bool saved = SaveScreenAreaAsPng(area, Widen(path).c_str());
    if (!saved) return Error("cannot save the picture");
    char json[80];
    snprintf(json, sizeof json, "{\"ok\": true, \"width\": %d, \"height\": %d}", width, height);
    return json;
}

std::string Pixel(HWND hwnd, const std::string& xs, const std::string& ys) {
    POINT point;
    if (!ClientToScreenPoint(hwnd, xs, ys, &point)) return Error("no such window");
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    char json[64];
    snprintf(json, sizeof json, "{\"ok\": true, \"rgb\": \"%02X%02X%02X\"}", GetRValue(colour), GetGValue(colour),
             GetBValue(colour));
    return json;
}

// A block of the screen from client (x, y): one "RRGGBB..." string per row.
std::string Pixels(HWND hwnd, const std::string& xs, const std::string& ys, const std::string& ws,
                   const std::string& hs) {
    POINT point;
    if (!ClientToScreenPoint(hwnd, xs, ys, &point)) return Error("no such window");
    const int width = atoi(ws.c_str()), height = atoi(hs.c_str());
    if (width <= 0 || height <= 0 || width * height > 1 << 20) return Error("bad size");
    const RECT area = {point.x, point.y, point.x + width, point.y + height};
    std::vector<uint32_t> pixels;
    if (!ReadScreenArea(area, &pixels)) return Error("cannot read the screen");
    std::string json = "{\"ok\": true, \"rows\": [";
    char hex[8];
    for (int y = 0; y < height; ++y) {
        json += y ? ", \"" : "\"";
        for (int x = 0; x < width; ++x) {
            snprintf(hex, sizeof hex, "%06X", static_cast<unsigned>(pixels[static_cast<size_t>(y) * width + x]));
            json += hex;
        }
        json += "\"";
    }
    return json + "]}";
}

std::string Count(HWND hwnd, const std::vector<std::string>& f) {
    POINT origin;
    if (!ClientToScreenPoint(hwnd, f[2], f[3], &origin)) return Error("no such window");
    const int width = atoi(f[4].c_str()), height = atoi(f[5].c_str()), tolerance = atoi(f[7].c_str());
    const unsigned long rgb = strtoul(f[6].c_str(), nullptr, 16);
    if (width <= 0 || height <= 0) return Error("empty rectangle");
    const RECT area = {origin.x, origin.y, origin.x + width, origin.y + height};
    std::vector<uint32_t> pixels;
    if (!ReadScreenArea(area, &pixels)) return Error("cannot read the screen");
    long count = 0;
    for (uint32_t pixel : pixels) {
        bool within = true;
        for (int shift = 0; shift < 24; shift += 8) {
            const int have = static_cast<int>(pixel >> shift & 0xFF), want = static_cast<int>(rgb >> shift & 0xFF);
            within = within && abs(have - want) <= tolerance;
        }
        if (within) ++count;
    }
    return "{\"ok\": true, \"count\": " + std::to_string(count) + "}";
}

std::string Clipboard() {
    std::wstring text;
    // Another process may hold the clipboard for a moment.
    for (int i = 0; i < 50 && !OpenClipboard(nullptr); ++i) Sleep(20);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* locked = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return "{\"ok\": true, \"text\": " + Quote(text) + "}";
}

std::string EmptyClipboardNow() {
    for (int i = 0; i < 50 && !OpenClipboard(nullptr); ++i) Sleep(20);
    const bool emptied = EmptyClipboard() != 0;
    CloseClipboard();
    return emptied ? "{\"ok\": true}" : Error("the clipboard could not be emptied");
}

BOOL CALLBACK AddDialogItem(HWND child, LPARAM param) {
    std::string* parts = reinterpret_cast<std::string*>(param);
    const std::wstring name = ClassOf(child);
    const int slot = _wcsicmp(name.c_str(), L"Static") == 0 ? 0 : _wcsicmp(name.c_str(), L"Button") == 0 ? 1 : -1;
    if (slot < 0 || !IsWindowVisible(child)) return TRUE;
    const std::wstring text = WindowText(child);
    if (text.empty()) return TRUE;
    if (!parts[slot].empty()) parts[slot] += ", ";
    parts[slot] += Quote(text);
    return TRUE;
}

// A system dialog (MessageBoxW, file dialogs): its texts are child windows.
std::string Dialog(HWND hwnd) {
    if (!IsWindow(hwnd)) return Error("no such window");
    std::string parts[2];
    EnumChildWindows(hwnd, &AddDialogItem, reinterpret_cast<LPARAM>(parts));
    return "{\"ok\": true, \"caption\": " + Quote(WindowText(hwnd)) + ", \"statics\": [" + parts[0] +
           "], \"buttons\": [" + parts[1] + "]}";
}

// File dialogs and files in use, for the save and open dialogs' checks.
BOOL CALLBACK FirstVisibleEdit(HWND child, LPARAM param) {
    if (_wcsicmp(ClassOf(child).c_str(), L"Edit") != 0 || !IsWindowVisible(child)) return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
}

std::string Accept(HWND dialog, const std::string& path) {
    HWND edit = nullptr;
    if (IsWindow(dialog)) EnumChildWindows(dialog, &FirstVisibleEdit, reinterpret_cast<LPARAM>(&edit));
    if (!edit) return Error("no file name box");
    const std::wstring text = Widen(path);
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 2000, nullptr);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return "{\"ok\": true}";
}

HANDLE g_held = INVALID_HANDLE_VALUE;

std::string Hold(const std::string& path) {
    if (g_held != INVALID_HANDLE_VALUE) CloseHandle(g_held);
    g_held = CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    return g_held != INVALID_HANDLE_VALUE ? "{\"ok\": true}" : Error("cannot open the file");
}

std::string Unhold() {
    if (g_held != INVALID_HANDLE_VALUE) CloseHandle(g_held);
    g_held = INVALID_HANDLE_VALUE;
    return "{\"ok\": true}";
}

std::string Place(HWND hwnd, const std::string& xs, const std::string& ys) {
    const BOOL moved = IsWindow(hwnd) && SetWindowPos(hwnd, nullptr, atoi(xs.c_str()), atoi(ys.c_str()), 0, 0,
                                                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return moved ? "{\"ok\": true}" : Error("no such window");
}

// Foregrounds the window, moves the mouse to that client point and sends
// one mouse event (a button, the wheel) there.
bool MouseAt(HWND hwnd, const std::string& xs, const std::string& ys, DWORD flags, DWORD data = 0) {
    POINT point;
    if (!ClientToScreenPoint(hwnd, xs, ys, &point)) return false;
    Foreground(hwnd);
    MoveMouse(point);
    screen_input::SendMouse(flags, data);
    return true;
}

// A button held down on a caption starts the system's move loop, which
// returns only when the button goes up.
std::string Press(HWND hwnd, const std::string& xs, const std::string& ys, const std::string& ms = "1000") {
    if (!MouseAt(hwnd, xs, ys, MOUSEEVENTF_LEFTDOWN)) return Error("no such window");
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    bool moving = false;
    const ULONGLONG deadline = GetTickCount64() + strtoul(ms.c_str(), nullptr, 10);
    while (!moving && GetTickCount64() < deadline) {
        Sleep(20);
        moving = GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info) &&
                 (info.flags & GUI_INMOVESIZE) != 0;
    }
    return std::string("{\"ok\": true, \"moving\": ") + (moving ? "true" : "false") + "}";
}

std::string Release() {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
    Sleep(40);
    return "{\"ok\": true}";
}

std::string Alive(const std::string& pidText) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(strtoul(pidText.c_str(), nullptr, 10)));
    const bool alive = process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    if (process) CloseHandle(process);
    return std::string("{\"ok\": true, \"alive\": ") + (alive ? "true" : "false") + "}";
}

// A click with a key held ("ctrl", "shift"): extends a list's selection.
// Under Wine a key pressed through SendInput is not reliably seen by the
// next mouse message, so the click goes as messages with the key's MK_ flag;
// the key is held through SendInput meanwhile for code that asks
// GetAsyncKeyState.
std::string ClickWithKey(HWND hwnd, const std::string& xs, const std::string& ys, const std::string& key) {
    const WPARAM flag = key == "ctrl" ? MK_CONTROL : key == "shift" ? MK_SHIFT : 0;
    if (!flag) return Error("unknown key");
    POINT point;
    if (!ClientToScreenPoint(hwnd, xs, ys, &point)) return Error("no such window");
    Foreground(hwnd);
    MoveMouse(point);
    ScreenToClient(hwnd, &point);
    const LPARAM at = MAKELPARAM(point.x, point.y);
    // Sent, not posted: the click is handled before the key goes up however
    // busy the window's thread is (a click that opens a modal loop holds the
    // key until the time limit).
    const WORD vk = flag == MK_CONTROL ? VK_CONTROL : VK_SHIFT;
    SendKey(vk, false);
    Sleep(40);
    DWORD_PTR handled = 0;
    SendMessageTimeoutW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | flag, at, SMTO_NORMAL, 10000, &handled);
    SendMessageTimeoutW(hwnd, WM_LBUTTONUP, flag, at, SMTO_NORMAL, 10000, &handled);
    SendKey(vk, true);
    Sleep(40);
    return "{\"ok\": true}";
}

std::string Wheel(HWND hwnd, const std::string& xs, const std::string& ys, const std::string& notches) {
    const DWORD delta = static_cast<DWORD>(atoi(notches.c_str()) * WHEEL_DELTA);
    if (!MouseAt(hwnd, xs, ys, MOUSEEVENTF_WHEEL, delta)) return Error("no such window");
    Sleep(80);
    return "{\"ok\": true}";
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

std::string Run(const std::vector<std::string>& f) {
    const std::string& verb = f[0];
    const size_t n = f.size();
    if (verb == "list" && n == 2) return List(f[1]);
    if (verb == "click" && n == 4) return Click(ToWindow(f[1]), f[2], f[3], true);
    if (verb == "move" && n == 4) return Click(ToWindow(f[1]), f[2], f[3], false);
    if (verb == "rightclick" && n == 4) return Click(ToWindow(f[1]), f[2], f[3], true, true);
    if (verb == "count" && n == 8) return Count(ToWindow(f[1]), f);
    if (verb == "clipboard" && n == 1) return Clipboard();
    if (verb == "emptyclipboard" && n == 1) return EmptyClipboardNow();
    if (verb == "type" && n == 3) return Type(ToWindow(f[1]), f[2]);
    if (verb == "key" && n == 3) return Key(ToWindow(f[1]), f[2]);
    if (verb == "clicks" && n == 5) return Clicks(ToWindow(f[1]), f[2], f[3], f[4]);
    if (verb == "close" && n == 2) {
        return PostMessageW(ToWindow(f[1]), WM_CLOSE, 0, 0) ? "{\"ok\": true}" : Error("no such window");
    }
    if (verb == "capture" && n == 3) return Capture(ToWindow(f[1]), f[2]);
    if (verb == "pixel" && n == 4) return Pixel(ToWindow(f[1]), f[2], f[3]);
    if (verb == "pixels" && n == 6) return Pixels(ToWindow(f[1]), f[2], f[3], f[4], f[5]);
    if (verb == "dialog" && n == 2) return Dialog(ToWindow(f[1]));
    if (verb == "accept" && n == 3) return Accept(ToWindow(f[1]), f[2]);
    if (verb == "hold" && n == 2) return Hold(f[1]);
    if (verb == "unhold" && n == 1) return Unhold();
    if (verb == "place" && n == 4) return Place(ToWindow(f[1]), f[2], f[3]);
    if (verb == "press" && n == 4) return Press(ToWindow(f[1]), f[2], f[3]);
    if (verb == "press" && n == 5) return Press(ToWindow(f[1]), f[2], f[3], f[4]);
    if (verb == "release" && n == 1) return Release();
    if (verb == "alive" && n == 2) return Alive(f[1]);
    if (verb == "clickwith" && n == 5) return ClickWithKey(ToWindow(f[1]), f[2], f[3], f[4]);
    if (verb == "wheel" && n == 5) return Wheel(ToWindow(f[1]), f[2], f[3], f[4]);
    return Error("unknown command or wrong argument count");
}

// Under Wine the first window of a session starts the desktop process, which
// keeps the standard handles of whoever made that window: were they our
// pipes, the tests would never see them close.
void StartDesktopAside() {
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    const DWORD ids[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE saved[3];
    for (int i = 0; i < 3; ++i) {
        saved[i] = GetStdHandle(ids[i]);
        SetStdHandle(ids[i], nul);
    }
    GetDesktopWindow();
    for (int i = 0; i < 3; ++i) SetStdHandle(ids[i], saved[i]);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
}

int Serve() {
    StartDesktopAside();
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    char buffer[8192];
    while (fgets(buffer, sizeof buffer, stdin)) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (line.empty()) continue;
        if (line == "quit") break;
        const std::string answer = Run(SplitTabs(line));
        fputs(answer.c_str(), stdout);
        fputc('\n', stdout);
        fflush(stdout);
    }
    Gdiplus::GdiplusShutdown(token);
    return 0;
}

// What the launcher's own update step does: the helper waits for this
// process (an inheritable handle of it, as eight hex digits in memory order)
// to end before it moves the new file into place.
int HandOver(const wchar_t* helper, const wchar_t* launcher, const wchar_t* newFile) {
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &own, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        return 2;
    }
    std::wstring command = L"\"" + std::wstring(helper) + L"\" -update_rename_file \"" + launcher + L"\" \"" +
                           newFile + L"\" " + FormatHandleArgument(own).GetString();
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) return 3;
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && wcscmp(argv[1], L"serve") == 0) return Serve();
    if (argc == 5 && wcscmp(argv[1], L"handover") == 0) return HandOver(argv[2], argv[3], argv[4]);
    fputs("usage: probe serve | probe handover <helper> <launcher> <new file>\n", stderr);
    return 1;
}
