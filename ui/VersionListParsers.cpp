#include "ui/VersionListParsers.h"

#include <algorithm>
#include <cwchar>
#include <cstdlib>
#include <utility>

#include "core/Endpoints.h"
#include "core/TextFormat.h"

namespace trelm {
namespace ui {

namespace {

bool StringIs(const JsonValue* value, const wchar_t* text) {
    return IsJsonString(value) && static_cast<size_t>(value->GetStringLength()) == wcslen(text) &&
           wmemcmp(value->GetString(), text, value->GetStringLength()) == 0;
}

WString StringOf(const JsonValue& value) {
    WString text;
    JsonStringToWString(value, &text);
    return text;
}

struct ForgeEntry {
    uint64_t key;
    WString version;
    int64_t modified;
    bool latest;
    bool recommended;
};

int PromoBuild(const JsonValue* promos, const wchar_t* gameVersion, const wchar_t* suffix) {
    WString name;
    name.Format(L"%s-%s", gameVersion, suffix);
    const JsonValue* value = promos ? FindJsonMember(*promos, name.GetString()) : nullptr;
    return value && value->IsInt() ? value->GetInt() : -1;
}

}  // namespace

uint64_t ForgeSortKey(bool recommended, bool latest, int32_t build) {
    return (recommended ? 1ull << 63 : 0) | (latest ? 1ull << 62 : 0) | static_cast<uint32_t>(build);
}

bool ReadVanillaList(const JsonValue& root, VersionListRows& out) {
    out = VersionListRows();
    if (!root.IsObject()) return false;
    WString latestSnapshot, latestRelease;
    if (const JsonValue* latest = FindJsonMember(root, L"latest")) {
        GetJsonStringMember(*latest, L"snapshot", latestSnapshot);
        GetJsonStringMember(*latest, L"release", latestRelease);
    }
    const JsonValue* versions = FindJsonMember(root, L"versions");
    if (!versions) return false;
    if (!versions->IsArray()) return true;
    for (const JsonValue& entry : versions->GetArray()) {
        const JsonValue* id = FindJsonMember(entry, L"id");
        const JsonValue* type = FindJsonMember(entry, L"type");
        if (!IsJsonString(id) || !IsJsonString(type)) continue;
        std::vector<WString> row(4);
        row[0] = StringOf(*id);
        row[1] = StringOf(*type);
        GetJsonStringMember(entry, L"releaseTime", row[2]);
        const bool release = latestRelease.GetLength() > 0 && row[0] == latestRelease;
        if (latestSnapshot.GetLength() > 0 && row[0] == latestSnapshot) {
            row[3] = L"最新测试版";
        } else if (release) {
            row[3] = L"最新正式版";
        }
        // The manifest names a release as the latest snapshot too when no snapshot is newer.
        if (release) out.selected = static_cast<int>(out.rows.size());
        out.rows.push_back(std::move(row));
    }
    return true;
}

bool ReadForgeList(const JsonValue& root, const wchar_t* gameVersion, VersionListRows& out) {
    out = VersionListRows();
    if (!root.IsObject()) return false;
    const JsonValue* promos = FindJsonMember(root, L"promos");
    if (promos && !promos->IsObject()) promos = nullptr;
    const int latest = PromoBuild(promos, gameVersion, L"latest");
    const int recommended = PromoBuild(promos, gameVersion, L"recommended");
    std::vector<ForgeEntry> entries;
    const JsonValue* number = FindJsonMember(root, L"number");
    if (number && number->IsObject()) {
        for (const auto& member : number->GetObject()) {
            const JsonValue& build = member.value;
            if (!build.IsObject() || !StringIs(FindJsonMember(build, L"mcversion"), gameVersion)) continue;
            const JsonValue* files = FindJsonMember(build, L"files");
            if (!files || !files->IsArray()) continue;
            bool hasInstaller = false;
            for (const JsonValue& file : files->GetArray()) {
                if (!file.IsArray()) continue;
                bool jar = false, installer = false;
                for (const JsonValue& item : file.GetArray()) {
                    jar = jar || StringIs(&item, L"jar");
                    installer = installer || StringIs(&item, L"installer");
                }
                if (jar && installer) {
                    hasInstaller = true;
                    break;
                }
            }
            const JsonValue* version = FindJsonMember(build, L"version");
            const JsonValue* buildNumber = FindJsonMember(build, L"build");
            if (!hasInstaller || !IsJsonString(version) || !buildNumber || !buildNumber->IsInt()) continue;
            const JsonValue* modified = FindJsonMember(build, L"modified");
            ForgeEntry entry;
            const int n = buildNumber->GetInt();
            entry.latest = n == latest;
            entry.recommended = n == recommended;
            entry.key = ForgeSortKey(entry.recommended, entry.latest, n);
            entry.version = StringOf(*version);
            entry.modified = modified && modified->IsDouble() ? static_cast<int64_t>(modified->GetDouble()) : 0;
            entries.push_back(std::move(entry));
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ForgeEntry& a, const ForgeEntry& b) { return a.key > b.key; });
    for (const ForgeEntry& entry : entries) {
        std::vector<WString> row(3);
        row[0] = entry.version;
        row[1] = FormatTimeT(entry.modified);
        if (entry.latest && entry.recommended) {
            row[2] = L"最新 推荐";
        } else if (entry.latest) {
            row[2] = L"最新";
        } else if (entry.recommended) {
            row[2] = L"推荐";
        }
        if (entry.recommended && out.selected < 0) out.selected = static_cast<int>(out.rows.size());
        out.rows.push_back(std::move(row));
    }
    if (out.rows.empty()) out.message = L"没有适用的Forge";
    return true;
}

bool ReadOptiFineList(const JsonValue& root, const wchar_t* gameVersion, VersionListRows& out) {
    out = VersionListRows();
    if (!root.IsArray()) return false;
    WString withZero = gameVersion;
    withZero.Append(L".0");
    std::vector<std::pair<WString, WString>> pairs;
    for (const JsonValue& entry : root.GetArray()) {
        const JsonValue* mcversion = FindJsonMember(entry, L"mcversion");
        if (!StringIs(mcversion, gameVersion) && !StringIs(mcversion, withZero.GetString())) continue;
        const JsonValue* patch = FindJsonMember(entry, L"patch");
        if (!StringIs(FindJsonMember(entry, L"type"), L"HD_U") || !IsJsonString(patch)) continue;
        pairs.emplace_back(L"HD_U", StringOf(*patch));
    }
    // Text order by UTF-16 code units, largest first: the newest patch letter leads.
    auto less = [](const WString& a, const WString& b) {
        return std::lexicographical_compare(a.GetString(), a.GetString() + a.GetLength(), b.GetString(),
                                            b.GetString() + b.GetLength());
    };
    std::sort(pairs.begin(), pairs.end(), [&](const std::pair<WString, WString>& a,
                                              const std::pair<WString, WString>& b) {
        if (!(a.first == b.first)) return less(b.first, a.first);
        return less(b.second, a.second);
    });
    // Identical pairs are neighbours once sorted: dropped in one pass, not
    // searched for at every entry (a list of 150,000 entries took a minute).
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    for (const auto& pair : pairs) out.rows.push_back({pair.first, pair.second});
    if (!out.rows.empty()) out.selected = 0;
    if (out.rows.empty()) out.message = L"没有适用的OptiFine";
    return true;
}

bool ReadLiteLoaderList(const JsonValue& root, const wchar_t* gameVersion, VersionListRows& out) {
    out = VersionListRows();
    if (!root.IsArray()) return false;
    for (const JsonValue& entry : root.GetArray()) {
        const JsonValue* version = FindJsonMember(entry, L"version");
        const JsonValue* type = FindJsonMember(entry, L"type");
        if (!StringIs(FindJsonMember(entry, L"mcversion"), gameVersion) || !IsJsonString(version) ||
            !IsJsonString(type)) {
            continue;
        }
        std::vector<WString> row(3);
        row[0] = StringOf(*version);
        row[1] = StringOf(*type);
        const JsonValue* build = FindJsonMember(entry, L"build");
        WString timestamp;
        if (build && GetJsonStringMember(*build, L"timestamp", timestamp)) {
            row[2] = FormatTimeT(_wcstoi64(timestamp.GetString(), nullptr, 10));
        }
        out.rows.push_back(std::move(row));
    }
    if (!out.rows.empty()) out.selected = 0;
    if (out.rows.empty()) out.message = L"没有适用的LiteLoader";
    return true;
}

void BuildForgeInstallerUrl(WString& out, const wchar_t* gameVersion, const wchar_t* forgeVersion,
                            const wchar_t* branch) {
    const wchar_t* base = EndpointBase(Endpoint::MirrorMaven).GetString();
    if (branch && *branch) {
        out.Format(L"%s/maven/net/minecraftforge/forge/%s-%s-%s/forge-%s-%s-%s-%s.%s", base, gameVersion,
                   forgeVersion, branch, gameVersion, forgeVersion, branch, L"installer", L"jar");
    } else {
        out.Format(L"%s/maven/net/minecraftforge/forge/%s-%s/forge-%s-%s-%s.%s", base, gameVersion, forgeVersion,
                   gameVersion, forgeVersion, L"installer", L"jar");
    }
}

void FindForgeBranch(const JsonValue& root, const wchar_t* forgeVersion, WString& branch) {
    branch.Truncate(0);
    const JsonValue* number = FindJsonMember(root, L"number");
    if (!number || !number->IsObject()) return;
    for (const auto& member : number->GetObject()) {
        if (!StringIs(FindJsonMember(member.value, L"version"), forgeVersion)) continue;
        GetJsonStringMember(member.value, L"branch", branch);
        return;
    }
}

}  // namespace ui
}  // namespace trelm
