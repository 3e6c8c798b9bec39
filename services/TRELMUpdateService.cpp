// The HTTP library needs winsock2.h ahead of windows.h.
#include <winsock2.h>

#include "services/TRELMUpdateService.h"

#include <process.h>
#include <tlhelp32.h>

#include <cwchar>
#include <map>

#include <curl/curl.h>

#include "core/AString.h"
#include "core/Encoding.h"
#include "core/Endpoints.h"
#include "core/FileUtils.h"
#include "core/JsonFile.h"
#include "core/ScopedHandle.h"
#include "core/Win32Error.h"
#include "download/BoundedAnswer.h"
#include "download/CurlInit.h"
#include "download/DownloadInfoCommonFile.h"
#include "download/VerifiedTls.h"
#include "launcher/PeMachine.h"
#include "services/JsonGetters.h"
#include "services/UpdateHelper.h"

namespace {

const wchar_t kUpdateListPath[] = L"/TRELM/docs/trelm_versions.json";
const uint32_t kMaxListBytes = 0xA00000;
const long kListTimeoutMs = 10000;

struct Release {
    int64_t time;
    const wchar_t* description;
    const wchar_t* url;
    const wchar_t* sha1;
    uint32_t size;
};

struct VersionLess {
    bool operator()(const LauncherVersion& a, const LauncherVersion& b) const {
        return CompareLauncherVersions(a, b) < 0;
    }
};

bool ReadRelease(const JsonValue& entry, LauncherVersion& version, Release& release) {
    const wchar_t* type = nullptr;
    return GetJsonVersion(entry, version) && GetJsonString(entry, L"type", type, 0) &&
           wcscmp(type, L"release") == 0 && GetJsonTime(entry, release.time, INT64_MIN, INT64_MAX) &&
           GetJsonString(entry, L"description", release.description, 0) &&
           GetJsonString(entry, L"url", release.url, 0) && GetJsonString(entry, L"sha1", release.sha1, 0) &&
           GetJsonUnsigned(entry, L"size", release.size, 0, UINT32_MAX);
}

// The list's UTF-8 body as text; false with the reason in error.
bool FetchUpdateList(volatile uint32_t* abort, WString& text, WString& error) {
    trelm::download::InitCurlOnce();
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        error = L"curl_easy_init失败";
        return false;
    }
    WString url(trelm::EndpointBase(trelm::Endpoint::Update));
    url.Append(kUpdateListPath);
    AString narrowUrl;
    narrowUrl.AssignWide(url, url.GetLength());

    trelm::download::BoundedAnswer answer(kMaxListBytes, [abort] { return *abort != 0; });
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, narrowUrl.GetString());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, kListTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    // The list names the executable that will replace the launcher and its
    // SHA-1, so unlike game files it is fetched only from a server whose
    // certificate the system trusts.
    trelm::download::RequireVerifiedTls(curl);
    answer.Attach(curl);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);

    if (code != CURLE_OK) {
        if (answer.Stopped())
            error = L"更新被终止";
        else
            error.Format(L"%S", errorBuffer[0] != 0 ? errorBuffer : curl_easy_strerror(code));
        return false;
    }
    text.AssignMultiByte(CP_UTF8, reinterpret_cast<const char*>(answer.Body().GetData()),
                         static_cast<int>(answer.Body().GetSize()));
    return true;
}

}  // namespace

bool ParseUpdateList(const wchar_t* text, const LauncherVersion& running, UpdateInfo& info) {
    JsonDocument document;
    if (!ParseJsonText(text, &document) || !document.IsArray()) {
        info.errorMessage = L"json解析错误";
        info.state = UpdateInfo::kFailed;
        return false;
    }
    std::map<LauncherVersion, Release, VersionLess> releases;
    for (const JsonValue& entry : document.GetArray()) {
        LauncherVersion version;
        Release release;
        if (ReadRelease(entry, version, release)) releases.emplace(version, release);  // the first one stays
    }
    if (releases.empty()) {
        info.version = running;
        info.state = UpdateInfo::kUpToDate;
        return true;
    }
    const auto& newest = *releases.rbegin();
    info.version = newest.first;
    info.time = newest.second.time;
    info.url = newest.second.url;
    info.sha1 = newest.second.sha1;
    info.size = newest.second.size;

    auto first = releases.upper_bound(running);
    if (first == releases.end()) {
        info.state = CompareLauncherVersions(newest.first, running) < 0 ? UpdateInfo::kRunningIsNewer
                                                                        : UpdateInfo::kUpToDate;
        return true;
    }
    // The offered executable replaces the launcher: without a SHA-1 to check
    // it against, the list offers nothing that can be taken.
    if (!IsSha1HexText(info.sha1, static_cast<size_t>(info.sha1.GetLength()))) {
        info.errorMessage = L"json解析错误";
        info.state = UpdateInfo::kFailed;
        return false;
    }
    WString description;
    for (auto it = first; it != releases.end(); ++it) {
        if (it != first) description.Append(L"\r\n");
        description.Append(it->second.description);
    }
    info.description = description;
    info.state = UpdateInfo::kNewer;
    return true;
}

namespace trelm {

TRELMUpdateService::TRELMUpdateService() { InitializeCriticalSectionAndSpinCount(&m_lock, 4000); }

TRELMUpdateService::~TRELMUpdateService() {
    m_abort = 1;
    if (m_thread != nullptr) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    DeleteCriticalSection(&m_lock);
}

bool TRELMUpdateService::StartCheck() {
    if (m_thread != nullptr) return false;
    m_thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &TRELMUpdateService::Worker, this, 0, nullptr));
    return m_thread != nullptr;
}

unsigned __stdcall TRELMUpdateService::Worker(void* service) {
    static_cast<TRELMUpdateService*>(service)->RunCheck();
    return 0;
}

void TRELMUpdateService::RunCheck() {
    LauncherVersion running;
    GetLauncherVersion(running);
    UpdateInfo result;
    WString text;
    if (FetchUpdateList(&m_abort, text, result.errorMessage)) ParseUpdateList(text, running, result);

    EnterCriticalSection(&m_lock);
    m_info = result;
    LeaveCriticalSection(&m_lock);
    m_done = true;
    Notify();
}

bool TRELMUpdateService::GetInfo(UpdateInfo& out) {
    // The flag is set only after the result is stored: read before the copy,
    // a true flag never comes with an empty result.
    const bool done = m_done;
    EnterCriticalSection(&m_lock);
    out = m_info;
    LeaveCriticalSection(&m_lock);
    return done;
}

bool TRELMUpdateService::MakeDownloadDest(WString& out) {
    WString path;
    if (!GetOwnImagePath(path, nullptr)) return false;
    wchar_t drive[_MAX_DRIVE], folder[_MAX_DIR], name[_MAX_FNAME], extension[_MAX_EXT];
    if (_wsplitpath_s(path, drive, _MAX_DRIVE, folder, _MAX_DIR, name, _MAX_FNAME, extension, _MAX_EXT) != 0)
        return false;
    out.Format(L"%s%s%s_latest%s", drive, folder, name, extension);
    return true;
}

bool TRELMUpdateService::AcceptUpdateFile(const wchar_t* path, const download::DownloadInfoCommonFile& info,
                                          WString* reason) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data) ||
        (info.size >= 0 && ((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow) != uint64_t(info.size))) {
        *reason = L"文件的大小不正确";
        return false;
    }
    int machine = -1;
    bool isDll = false;
    if (launcher::ReadPeMachine(path, &machine, &isDll) != launcher::kPeMachineOk ||
        machine != launcher::kPeMachineI386 || isDll) {
        *reason = L"此文件不是有效的可执行文件";
        return false;
    }
    return true;
}

bool TRELMUpdateService::TerminateOtherTRELMInstances(WString& error) {
    WString ownPath;
    if (!GetOwnImagePath(ownPath, &error)) return false;
    WString ownName;
    if (!GetFileNamePart(ownPath, &ownName)) {
        error = L"wendal_::file::GetFileName()=false";
        return false;
    }
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid()) {
        error.Format(L"CreateToolhelp32Snapshot()=INVALID_HANDLE_VALUE,%s", LastErrorText().GetString());
        return false;
    }
    const DWORD self = GetCurrentProcessId();
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == self || wcscmp(entry.szExeFile, ownName) != 0) continue;
        ScopedHandle process(OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                         entry.th32ProcessID));
        if (!process.IsValid()) continue;
        wchar_t path[MAX_PATH];
        DWORD length = MAX_PATH;
        // A program of the same name in another folder is someone else's.
        if (QueryFullProcessImageNameW(process.Get(), 0, path, &length) && ownPath == path)
            TerminateProcess(process.Get(), 2);
    }
    return true;
}

bool TRELMUpdateService::CreateUpdateHelperProcess(const wchar_t* newFile, WString& error) {
    WString ownPath, helperPath;
    if (!GetOwnImagePath(ownPath, &error) || !GetHelperCopyPath(helperPath, &error)) return false;
    if (!CopyFileW(ownPath, helperPath, FALSE)) {
        error.Format(L"CopyFileW()=0,%s", LastErrorText().GetString());
        return false;
    }
    WString before;
    before.Format(L"\"%s\" -update_rename_file \"%s\" \"%s\" \"", helperPath.GetString(), ownPath.GetString(),
                  newFile);
    if (StartHandOverProcess(before, WString(L"\""), error)) return true;
    DeleteFileW(helperPath);
    return false;
}

void TRELMUpdateServiceWindowNotify::Notify() { PostMessageW(m_window, m_message, 0, 0); }

}  // namespace trelm
