// The status of one game server in the main window: its icon, a small ring
// while a query runs, and its description with the players online. A worker
// thread of the control asks the server when the address is set, every
// 60 seconds and on a click on the icon; the last good answer of each address
// is kept in a cache file, so it shows at once at the next start.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "WendalDui/Control/UIContainer.h"
#include "core/WString.h"
#include "services/ServerStatus.h"

namespace wendaldui {
class CUILinkCtrl;
class CUIRingProgressBar;
}  // namespace wendaldui

namespace trelm {
namespace ui {

namespace internal {
class CUIMcMotdIcon;
class CMotdInfoDialog;
}  // namespace internal

// Style: the formatting codes as colours; without it they are removed.
constexpr uint32_t kMotdColored = 0x10000;

// "quorvel_launcher\motd_cache\<address>.json", the address without the
// characters a file name cannot hold, and never a device name such as "con".
void ServerStatusCacheFile(const WString& address, WString* path);

class CUIMcMotdCtrl : public wendaldui::CUIContainer {
public:
    // The last query: the address it asked, when it started, the raw answer,
    // the latency and the ping client's result code.
    struct Result {
        WString address;
        SYSTEMTIME time = {};
        WString json;
        int latencyMs = 0;
        int status = mcmotd::kPingServerStarting + 2;  // none yet
    };

    CUIMcMotdCtrl();
    ~CUIMcMotdCtrl() override;

    void SetServerAddress(const wchar_t* address);
    WString GetServerAddress();
    // What the text control shows now, before the mark-up conversion.
    const WString& GetShownText() const { return m_shownText; }
    // A copy of the last result, taken under its lock.
    Result GetResult();
    const mcmotd::ServerStatus& GetParsedStatus() const { return m_status; }
    internal::CUIMcMotdIcon* GetIcon() const { return m_icon; }
    wendaldui::CUILinkCtrl* GetTextControl() const { return m_text; }
    internal::CMotdInfoDialog* GetInfoDialog() const { return m_infoDialog; }
    void ForgetInfoDialog() { m_infoDialog = nullptr; }
    // Asks at once when the worker is waiting (the icon's click).
    void Refresh();
    // Opens the pop-up that lists the whole last answer (Ctrl with a click).
    void OpenInfoDialog();
    void RefreshInfoDialog();
    void CloseInfoDialog();

    void OnFlagChange(uint32_t newFlags, uint32_t bit, uint32_t value, bool& accepted) override;
    void OnCreate(void* arg) override;
    void OnDestroy() override;
    void OnSize(int width, int height) override;
    void OnPostedCall(UINT code, WPARAM argument1, LPARAM argument2) override;

private:
    static unsigned __stdcall WorkerMain(void* self);
    unsigned Work();
    void ShowStatusText(const WString& text);
    void ReadCache();
    void Layout(int width, int height);
    // Ends the query thread and waits for it; false when none ran.
    bool StopWorker();
    void OnIconClick(wendaldui::EventData& event);

    CRITICAL_SECTION m_addressLock;
    CRITICAL_SECTION m_resultLock;
    HANDLE m_wake = NULL;
    std::unique_ptr<Result> m_result;
    mcmotd::ServerStatus m_status;
    WString m_address;
    WString m_cachedDescription;
    WString m_shownText;
    HANDLE m_worker = NULL;
    internal::CMotdInfoDialog* m_infoDialog = nullptr;
    internal::CUIMcMotdIcon* m_icon = nullptr;
    wendaldui::CUIRingProgressBar* m_ring = nullptr;
    wendaldui::CUILinkCtrl* m_text = nullptr;
    volatile uint32_t m_stop = 0;
};

}  // namespace ui
}  // namespace trelm
