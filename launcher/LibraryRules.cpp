#include "launcher/LibraryRules.h"

#include "core/FileUtils.h"

namespace trelm {
namespace launcher {

const wchar_t* const kArchTexts[2] = {L"32", L"64"};

bool CheckLibraryRules(const JsonValue& library, bool& allowed) {
    if (!library.IsObject()) return false;
    const JsonValue* rules = FindJsonMember(library, L"rules");
    bool result = true;
    if (rules != nullptr) {
        if (!rules->IsArray()) return false;
        bool generic = false;
        bool windowsSeen = false;
        bool windows = false;
        for (const JsonValue& rule : rules->GetArray()) {
            const JsonValue* action = FindJsonMember(rule, L"action");
            if (!IsJsonString(action)) return false;
            const bool allow = wcscmp(action->GetString(), L"allow") == 0;
            const JsonValue* os = FindJsonMember(rule, L"os");
            const JsonValue* osName = os != nullptr ? FindJsonMember(*os, L"name") : nullptr;
            if (!IsJsonString(osName)) {
                generic = allow;
            } else if (wcscmp(osName->GetString(), L"windows") == 0) {
                windowsSeen = true;
                windows = allow;
            }
        }
        result = windowsSeen ? windows : generic;
    }
    const JsonValue* clientreq = FindJsonMember(library, L"clientreq");
    if (result && clientreq != nullptr && clientreq->IsFalse()) result = false;
    allowed = result;
    return true;
}

bool GetNativeClassifier(const JsonValue& library, int arch, WString& classifier) {
    const JsonValue* natives = FindJsonMember(library, L"natives");
    const JsonValue* windows = natives != nullptr ? FindJsonMember(*natives, L"windows") : nullptr;
    if (!IsJsonString(windows)) return false;
    classifier.Assign(windows->GetString(), static_cast<int>(windows->GetStringLength()));
    classifier.Replace(L"${arch}", kArchTexts[arch == 1 ? 1 : 0]);
    return true;
}

bool MavenNameToPath(WString& out, const wchar_t* name, const wchar_t* classifier) {
    const wchar_t* first = wcschr(name, L':');
    if (first == nullptr) return false;
    const wchar_t* second = wcschr(first + 1, L':');
    if (second == nullptr) return false;
    WString group;
    group.Assign(name, static_cast<int>(first - name));
    group.Replace(L'.', L'/');
    WString artifact;
    artifact.Assign(first + 1, static_cast<int>(second - first - 1));
    const wchar_t* version = second + 1;
    WString path;
    if (classifier != nullptr && classifier[0] != L'\0') {
        path.Format(L"%s/%s/%s/%s-%s-%s.jar", group.GetString(), artifact.GetString(), version,
                    artifact.GetString(), version, classifier);
    } else {
        path.Format(L"%s/%s/%s/%s-%s.jar", group.GetString(), artifact.GetString(), version,
                    artifact.GetString(), version);
    }
    if (!IsSafeRelativePath(path.GetString(), static_cast<size_t>(path.GetLength()))) return false;
    out = path;
    return true;
}

const JsonValue* FindDownloadEntry(const JsonValue& library, bool isNative, const WString& classifier) {
    const JsonValue* downloads = FindJsonMember(library, L"downloads");
    if (downloads == nullptr || !downloads->IsObject()) return nullptr;
    if (!isNative) return FindJsonMember(*downloads, L"artifact");
    const JsonValue* classifiers = FindJsonMember(*downloads, L"classifiers");
    return classifiers != nullptr ? FindJsonMember(*classifiers, classifier.GetString()) : nullptr;
}

bool GetLibraryPath(const JsonValue& library, int arch, bool& allowed, WString& path) {
    path.Empty();
    if (!CheckLibraryRules(library, allowed)) return false;
    if (!allowed) return true;
    WString classifier;
    const bool isNative = GetNativeClassifier(library, arch, classifier);

    const JsonValue* entry = FindDownloadEntry(library, isNative, classifier);
    const JsonValue* entryPath = entry != nullptr ? FindJsonMember(*entry, L"path") : nullptr;
    if (IsJsonString(entryPath)) {
        path.Assign(entryPath->GetString(), static_cast<int>(entryPath->GetStringLength()));
        if (!IsSafeRelativePath(path.GetString(), static_cast<size_t>(path.GetLength()))) return false;
    } else {
        const JsonValue* name = FindJsonMember(library, L"name");
        if (!IsJsonString(name)) return false;
        if (!MavenNameToPath(path, name->GetString(), isNative ? classifier.GetString() : nullptr)) return false;
    }
    path.Replace(L'/', L'\\');
    return true;
}

}  // namespace launcher
}  // namespace trelm
