#include "launcher/MinecraftList.h"

#include <algorithm>
#include <cwchar>
#include <map>
#include <memory>
#include <string>

#include "core/GlobalOrder.h"
#include "core/JsonFile.h"
#include "launcher/MinecraftFileManager.h"

namespace trelm {
namespace launcher {

// Built in its place among the process-wide objects (core/GlobalOrder.h).
MinecraftList g_minecraftList QUORVEL_GLOBAL_ORDER(kOrderVersionList);

namespace {

uint64_t TimeValue(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Every version JSON read during one scan, by id; null for one that could
// not be loaded. Versions sharing a parent read it once.
class JsonCache {
public:
    JsonCache(const MinecraftFileManagerBase& tree) : m_tree(tree) {}

    const JsonDocument* Get(const WString& id) {
        const std::wstring key(id.GetString(), static_cast<size_t>(id.GetLength()));
        auto found = m_documents.find(key);
        if (found != m_documents.end()) return found->second.get();
        std::unique_ptr<JsonDocument> document(new JsonDocument);
        // An "inheritsFrom" that climbs out of versions\ names no version.
        WString path;
        m_tree.GetVersionJsonPath(path, id.GetString());
        if (!IsValidVersionId(id.GetString(), static_cast<size_t>(id.GetLength())) ||
            !LoadJsonFile(document.get(), path.GetString()) || !document->IsObject()) {
            document.reset();
        }
        return (m_documents[key] = std::move(document)).get();
    }

private:
    const MinecraftFileManagerBase& m_tree;
    std::map<std::wstring, std::unique_ptr<JsonDocument>> m_documents;
};

bool InheritsFrom(const JsonValue& document, WString& parent) {
    const JsonValue* value = FindJsonMember(document, L"inheritsFrom");
    if (!IsJsonString(value)) return false;
    parent.Assign(value->GetString(), static_cast<int>(value->GetStringLength()));
    return true;
}

void ResolveInheritance(const JsonValue& document, JsonCache& cache, VersionInfo& info) {
    WString parent;
    if (!InheritsFrom(document, parent)) {
        info.rootId = info.id;
        return;
    }
    WString root = parent;
    std::vector<WString> seen;  // ancestors from the grandparent on
    WString current = parent;
    while (true) {
        const JsonDocument* ancestor = cache.Get(current);
        WString next;
        if (ancestor == nullptr || !InheritsFrom(*ancestor, next)) break;
        // A loop, or a chain deeper than a version may be: the direct
        // parent is the best guess (and the climb stays short).
        if (seen.size() + 2 >= kMaxVersionChainLength || std::find(seen.begin(), seen.end(), next) != seen.end()) {
            root = parent;
            break;
        }
        root = next;
        seen.push_back(next);
        current = next;
    }
    info.rootId = root;
    info.parentId = parent;
}

bool IsDotEntry(const wchar_t* name) {
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

}  // namespace

bool ParseReleaseTime(const wchar_t* text, FILETIME& out) {
    SYSTEMTIME time = {};
    if (swscanf(text, L"%hu-%hu-%huT%hu:%hu:%hu", &time.wYear, &time.wMonth, &time.wDay, &time.wHour,
                &time.wMinute, &time.wSecond) != 6) {
        return false;
    }
    return SystemTimeToFileTime(&time, &out) != FALSE;
}

uint32_t VersionKindOf(const wchar_t* id) {
    uint32_t kind = kVersionKindAny;
    if (ContainsNoCase(id, L"forge")) kind |= kVersionKindForge;
    if (ContainsNoCase(id, L"liteloader")) kind |= kVersionKindLiteLoader;
    if (ContainsNoCase(id, L"optifine")) kind |= kVersionKindOptiFine;
    return kind;
}

MinecraftList::MinecraftList(const wchar_t* rootPath) { SetRoot(rootPath); }

MinecraftList::~MinecraftList() = default;

bool MinecraftList::Refresh() {
    versions.clear();
    JsonCache cache(*this);
    WString pattern;
    pattern.Format(L"%s.minecraft\\versions\\*.*", root.GetString());
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(pattern.GetString(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    bool ok;
    if (find == INVALID_HANDLE_VALUE) {
        ok = GetLastError() == ERROR_NO_MORE_FILES;
    } else {
        do {
            if (IsDotEntry(data.cFileName) || !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            VersionInfo info;
            info.id = data.cFileName;
            const JsonDocument* document = cache.Get(info.id);
            if (document == nullptr) continue;
            const JsonValue* releaseTime = FindJsonMember(*document, L"releaseTime");
            if (!IsJsonString(releaseTime) || !ParseReleaseTime(releaseTime->GetString(), info.releaseTime))
                info.releaseTime = FILETIME{0, 0};
            info.kind = VersionKindOf(info.id.GetString());
            ResolveInheritance(*document, cache, info);
            versions.push_back(std::move(info));
        } while (FindNextFileW(find, &data));
        ok = GetLastError() == ERROR_NO_MORE_FILES;
        FindClose(find);
    }
    // Equal times keep the enumeration order.
    std::stable_sort(versions.begin(), versions.end(), [](const VersionInfo& a, const VersionInfo& b) {
        return TimeValue(a.releaseTime) > TimeValue(b.releaseTime);
    });
    return ok;
}

int MinecraftList::FindById(const wchar_t* id) const {
    for (size_t i = 0; i < versions.size(); ++i)
        if (versions[i].id == id) return static_cast<int>(i);
    return -1;
}

}  // namespace launcher
}  // namespace trelm
