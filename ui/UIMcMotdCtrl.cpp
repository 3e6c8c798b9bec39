// Winsock 2 (through the ping client) must come before windows.h.
#include <winsock2.h>

#include "ui/UIMcMotdCtrl.h"

#include <process.h>

#include <gdiplus.h>

#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Control/UIRingProgressBar.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"
#include "core/FileUtils.h"
#include "core/TextFile.h"
#include "services/FormattingCodes.h"
#include "services/ServerPing.h"
#include "ui/MotdInfoDialog.h"
#include "ui/UIMcMotdIcon.h"

namespace trelm {
namespace ui {

namespace {

constexpr int kIconId = 0, kTextId = 1, kRingId = 2;
constexpr uint32_t kIconFlags = wendaldui::kControlVisible | wendaldui::kControlRectInPixels;
constexpr uint32_t kRingFlags = wendaldui::kControlMouseTransparent | wendaldui::kControlRectInPixels;
constexpr uint32_t kTextFlags = wendaldui::kControlVisible | wendaldui::kControlMouseTransparent |
                                wendaldui::kControlRectInPixels | wendaldui::kLinkBold | wendaldui::kLinkGlow;
constexpr UINT kQueryStarts = 0, kQueryEnded = 1;
constexpr DWORD kQueryPeriodMs = 60000;
constexpr int64_t kMaxCacheSize = 0x400000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr uint32_t kDescriptionOnly = mcmotd::kStatusDescription;
constexpr uint32_t kEverythingButIcon = 31;

class Lock {
public:
    explicit Lock(CRITICAL_SECTION& section) : m_section(section) { EnterCriticalSection(&m_section); }
    ~Lock() { LeaveCriticalSection(&m_section); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

void CrLf(WString& text) {
    text.Replace(L"\r\n", L"\n");
    text.Replace(L"\n", L"\r\n");
}

}  // namespace

void ServerStatusCacheFile(const WString& address, WString* path) {
    WString name = address;
    RemoveInvalidFileNameChars(name);
    if (IsDeviceName(name.GetString(), static_cast<size_t>(name.GetLength()))) name = WString(L"_") + name.GetString();
    path->Format(L"%s%s.json", L"quorvel_launcher\\motd_cache\\", name.GetString());
}

CUIMcMotdCtrl::CUIMcMotdCtrl() {
    InitializeCriticalSectionAndSpinCount(&m_addressLock, 4000);
    InitializeCriticalSectionAndSpinCount(&m_resultLock, 4000);
    m_wake = CreateEventW(NULL, FALSE, FALSE, NULL);
}

CUIMcMotdCtrl::~CUIMcMotdCtrl() {
    // OnDestroy stopped the worker; a control never created has none.
    StopWorker();
    if (m_wake) CloseHandle(m_wake);
    DeleteCriticalSection(&m_resultLock);
    DeleteCriticalSection(&m_addressLock);
}

bool CUIMcMotdCtrl::StopWorker() {
    if (!m_worker) return false;
    m_stop = 1;
    SetEvent(m_wake);
    WaitForSingleObject(m_worker, INFINITE);
    CloseHandle(m_worker);
    m_worker = NULL;
    return true;
}

void CUIMcMotdCtrl::Layout(int width, int height) {
    const int s = wendaldui::DpiScale(48);
    const int textX = s + wendaldui::DpiScale(4);
    const int r = static_cast<int>(s * 0.4);
    if (m_icon) m_icon->SetPos(wendaldui::UIRect(0, 0, s, s));
    if (m_text) m_text->SetPos(wendaldui::UIRect(textX, 0, width - textX, height));
    if (m_ring) m_ring->SetPos(wendaldui::UIRect(s - r, s - r, r, r));
}

void CUIMcMotdCtrl::OnCreate(void*) {
    const int s = wendaldui::DpiScale(48);
    m_icon = new internal::CUIMcMotdIcon;
    if (m_icon->Create(this, kIconFlags, wendaldui::UIRect(0, 0, s, s), kIconId)) {
        m_icon->SetToolTipText(L"刷新服务器信息");
        m_icon->BindEvent(wendaldui::kEventClick, this, &CUIMcMotdCtrl::OnIconClick);
    } else {
        delete m_icon;
        m_icon = nullptr;
    }
    m_ring = new wendaldui::CUIRingProgressBar;
    if (!m_ring->Create(this, kRingFlags, wendaldui::UIRect(0, 0, 1, 1), kRingId)) {
        delete m_ring;
        m_ring = nullptr;
    }
    m_text = new wendaldui::CUILinkCtrl;
    if (m_text->Create(this, kTextFlags, wendaldui::UIRect(s, 0, 1, 1), kTextId)) {
        m_text->GetFormattedText().SetDefaultColor(kWhite);
    } else {
        delete m_text;
        m_text = nullptr;
    }
    Layout(m_rect.width, m_rect.height);
    ShowStatusText(L"Minecraft Motd\r\n服务器信息\r\n在线：0/0");
}

void CUIMcMotdCtrl::OnSize(int width, int height) { Layout(width, height); }

void CUIMcMotdCtrl::ShowStatusText(const WString& text) {
    m_shownText = text;
    WString markup;
    if (m_flags & kMotdColored) {
        mcmotd::FormattingCodesToMarkup(text.GetString(), markup, kWhite);
    } else {
        mcmotd::StripFormattingCodes(text.GetString(), markup);
        // The server's own '<' must not open a tag (or a link) in the mark-up.
        markup.Replace(L"<", L"<<");
    }
    if (m_text) m_text->SetText(markup.GetString(), markup.GetLength());
}

void CUIMcMotdCtrl::OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) {
    CUIContainer::OnFlagChange(newFlags, bit, value, accepted);
    if (accepted || bit != kMotdColored) return;
    accepted = true;
    m_flags = (m_flags & ~bit) | value;
    ShowStatusText(WString(m_shownText));
}

WString CUIMcMotdCtrl::GetServerAddress() {
    Lock lock(m_addressLock);
    return m_address;
}

CUIMcMotdCtrl::Result CUIMcMotdCtrl::GetResult() {
    Lock lock(m_resultLock);
    return m_result ? *m_result : Result();
}

void CUIMcMotdCtrl::SetServerAddress(const wchar_t* address) {
    const wchar_t* text = address ? address : L"";
    {
        Lock lock(m_addressLock);
        if (m_address == text) return;
        m_address = text;
    }
    if (!m_worker) {
        m_result.reset(new Result);
        GetLocalTime(&m_result->time);
        m_worker = reinterpret_cast<HANDLE>(_beginthreadex(NULL, 0, &WorkerMain, this, 0, NULL));
    } else {
        SetEvent(m_wake);
    }
    m_cachedDescription.Empty();
    // Another server's icon must not stand in for this one's.
    if (m_icon) m_icon->SetFavicon(nullptr);
    ReadCache();
    if (m_cachedDescription.GetLength() == 0) {
        WString waiting;
        waiting.Format(L"%s\r\n%s", L"正在获取", text);
        ShowStatusText(waiting);
    }
}

void CUIMcMotdCtrl::ReadCache() {
    WString path, json;
    ServerStatusCacheFile(GetServerAddress(), &path);
    if (!ReadTextFile(path.GetString(), &json, kMaxCacheSize)) return;
    mcmotd::ServerStatus status;
    Gdiplus::Bitmap* favicon = nullptr;
    if (mcmotd::ParseServerStatus(json, status, kDescriptionOnly, &favicon) != mcmotd::kPingOk) {
        delete favicon;
        return;
    }
    CrLf(status.description);
    m_cachedDescription = status.description;
    WString text;
    text.Format(L"%s\r\n§r正在获取", m_cachedDescription.GetString());
    ShowStatusText(text);
    if (m_icon) {
        m_icon->SetFavicon(favicon);
    } else {
        delete favicon;
    }
}

unsigned __stdcall CUIMcMotdCtrl::WorkerMain(void* self) { return static_cast<CUIMcMotdCtrl*>(self)->Work(); }

unsigned CUIMcMotdCtrl::Work() {
    while (!m_stop) {
        const WString address = GetServerAddress();
        if (address.GetLength() > 0) {
            m_window->PostControlCall(this, kQueryStarts, 0, 0);
            SYSTEMTIME time;
            GetLocalTime(&time);
            WString json;
            int latency = 0;
            const int status = mcmotd::QueryServerStatus(address, json, latency, &m_stop);
            {
                Lock lock(m_resultLock);
                m_result->address = address;
                m_result->time = time;
                m_result->json = json;
                m_result->latencyMs = latency;
                m_result->status = status;
            }
            m_window->PostControlCall(this, kQueryEnded, 0, 0);
        }
        const DWORD waited = WaitForSingleObject(m_wake, kQueryPeriodMs);
        if (waited != WAIT_OBJECT_0 && waited != WAIT_TIMEOUT) return static_cast<unsigned>(-1);
    }
    return 0;
}

void CUIMcMotdCtrl::OnPostedCall(UINT code, WPARAM, LPARAM) {
    if (code == kQueryStarts) {
        if (m_ring) {
            m_ring->SetFlags(m_ring->GetFlags() | wendaldui::kControlVisible | wendaldui::kRingIndeterminate);
        }
        return;
    }
    if (code != kQueryEnded) return;
    if (m_ring) {
        m_ring->SetFlags(m_ring->GetFlags() & ~(wendaldui::kControlVisible | wendaldui::kRingIndeterminate));
    }
    const WString address = GetServerAddress();
    WString text;
    Gdiplus::Bitmap* favicon = nullptr;
    bool answered;
    {
        Lock lock(m_resultLock);
        answered = m_result->status == mcmotd::kPingOk;
        if (answered) {
            m_status = mcmotd::ServerStatus();
            mcmotd::ParseServerStatus(m_result->json, m_status, kEverythingButIcon, &favicon);
            CrLf(m_status.description);
            text.Format(L"%s\r\n§r在线：%d/%d", m_status.description.GetString(), m_status.playersOnline,
                        m_status.playersMax);
        } else if (m_cachedDescription.GetLength() > 0) {
            text.Format(L"%s\r\n§r服务器信息获取失败", m_cachedDescription.GetString());
        } else {
            text.Format(L"%s\r\n§r%s", L"服务器信息获取失败", address.GetString());
        }
    }
    ShowStatusText(text);
    // A failed query keeps the icon shown, as it keeps the cached text.
    if (m_icon && answered) {
        m_icon->SetFavicon(favicon);
    } else {
        delete favicon;
    }
    RefreshInfoDialog();
}

void CUIMcMotdCtrl::Refresh() { PulseEvent(m_wake); }

void CUIMcMotdCtrl::OnIconClick(wendaldui::EventData&) {
    if (!(GetAsyncKeyState(VK_CONTROL) & 0x8000)) {
        Refresh();
    } else if (!m_infoDialog && m_worker) {
        OpenInfoDialog();
    }
}

void CUIMcMotdCtrl::OpenInfoDialog() {
    if (m_infoDialog || !m_window) return;
    m_infoDialog = new internal::CMotdInfoDialog(this);
    // A dialog whose window was never made is not self-deleting yet.
    if (!m_infoDialog->Open(m_window->GetHWND())) {
        delete m_infoDialog;
        m_infoDialog = nullptr;
    }
}

void CUIMcMotdCtrl::RefreshInfoDialog() {
    if (m_infoDialog) m_infoDialog->BuildText();
}

void CUIMcMotdCtrl::CloseInfoDialog() {
    // Its final message clears the pointer and deletes it.
    if (m_infoDialog && m_infoDialog->GetHWND()) DestroyWindow(m_infoDialog->GetHWND());
    m_infoDialog = nullptr;
}

void CUIMcMotdCtrl::OnDestroy() {
    if (StopWorker()) {
        // Under the address it was asked for: the address may have changed
        // while the last query ran, and no query of the new one came since.
        Lock lock(m_resultLock);
        if (m_result && m_result->address.GetLength() > 0 && m_result->status == mcmotd::kPingOk) {
            WString path;
            ServerStatusCacheFile(m_result->address, &path);
            WriteTextFile(path.GetString(), m_result->json.GetString(), true);
        }
    }
    CloseInfoDialog();
    CUIContainer::OnDestroy();
}

}  // namespace ui
}  // namespace trelm
