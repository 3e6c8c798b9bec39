#include "WendalDui/Core/WindowBase.h"

#include <cstring>

namespace wendaldui {

namespace {

// No real message has this id, so an unused cache slot never matches.
constexpr UINT kNoMessage = 0xFFFFFFFFu;

}  // namespace

CWindowBase::CWindowBase() {
    for (CacheSlot& slot : m_cache) slot = {kNoMessage, nullptr};
}

CWindowBase::~CWindowBase() {
    if (m_hWnd) DestroyWindow(m_hWnd);
}

const MessageMap* CWindowBase::GetThisMessageMap() {
    static const MessageMapEntry entries[] = {
        {WM_NCDESTROY, 0, 0, 0, 1, &CWindowBase::OnNcDestroy},
        {0, 0, 0, 0, 0, nullptr},
    };
    static const MessageMap map = {nullptr, entries};
    return &map;
}

const MessageMap* CWindowBase::GetMessageMap() const { return GetThisMessageMap(); }

LRESULT CWindowBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ProcessWindowMessage(message, wParam, lParam, result)) return result;
    return DefaultProc(message, wParam, lParam);
}

LRESULT CWindowBase::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_previousProc) return CallWindowProcW(m_previousProc, m_hWnd, message, wParam, lParam);
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

const MessageMapEntry* CWindowBase::FindEntry(UINT message, WPARAM wParam) {
    if (message == WM_NOTIFY) return nullptr;
    if (message == WM_COMMAND) {
        // Matched on code and id range, so never cached by message alone.
        const UINT code = HIWORD(wParam);
        const UINT id = LOWORD(wParam);
        for (const MessageMap* map = GetMessageMap(); map; map = map->getBaseMap ? map->getBaseMap() : nullptr) {
            for (const MessageMapEntry* e = map->entries; e->kind != 0; ++e) {
                if (e->message == WM_COMMAND && e->code == code && e->firstId <= id && id <= e->lastId) return e;
            }
        }
        return nullptr;
    }
    CacheSlot& slot = m_cache[message % kCacheSlots];
    if (slot.message == message) return slot.entry;
    const MessageMapEntry* found = nullptr;
    for (const MessageMap* map = GetMessageMap(); map && !found;
         map = map->getBaseMap ? map->getBaseMap() : nullptr) {
        for (const MessageMapEntry* e = map->entries; e->kind != 0; ++e) {
            if (e->message == message && e->code == 0 && e->firstId == 0) {
                found = e;
                break;
            }
        }
    }
    slot = {message, found};
    return found;
}

bool CWindowBase::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const MessageMapEntry* entry = FindEntry(message, wParam);
    if (!entry) return false;
    result = 0;
    switch (entry->kind) {
    case 1:
        result = (this->*entry->handler)(wParam, lParam);
        break;
    case 2:
        (this->*entry->handler)(0, 0);
        break;
    case 3:
    {
        PlainMessageHandler plain;
        static_assert(sizeof plain == sizeof entry->handler, "member pointers of one class differ in size");
        memcpy(&plain, &entry->handler, sizeof plain);
        (this->*plain)();
        break;
    }
    default:
        break;
    }
    return true;
}

LRESULT CWindowBase::OnNcDestroy(WPARAM wParam, LPARAM lParam) {
    // A subclassed foreign window frees its own data on this message too.
    if (m_previousProc) CallWindowProcW(m_previousProc, m_hWnd, WM_NCDESTROY, wParam, lParam);
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    m_hWnd = NULL;
    m_previousProc = nullptr;
    OnFinalMessage();
    return 0;
}

bool CWindowBase::CenterWindow(HWND other) {
    if (!other) other = GetDesktopWindow();
    RECT own, target;
    if (!GetWindowRect(m_hWnd, &own) || !GetWindowRect(other, &target)) return false;
    const int x = target.left + ((target.right - target.left) - (own.right - own.left)) / 2;
    const int y = target.top + ((target.bottom - target.top) - (own.bottom - own.top)) / 2;
    // A window made in its place (most are) is not moved again: under Wine
    // even a move to where the window is costs milliseconds.
    if (x != own.left || y != own.top) SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return true;
}

int CWindowBase::GetWindowText(WString& text) const {
    const int length = GetWindowTextLengthW(m_hWnd);
    if (length <= 0) {
        text.Empty();
        return 0;
    }
    wchar_t* buffer = text.GetBuffer(length, false);
    const int got = ::GetWindowTextW(m_hWnd, buffer, length + 1);
    text.ReleaseBuffer(got);
    return got;
}

}  // namespace wendaldui
