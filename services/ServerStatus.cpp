#include "services/ServerStatus.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

#include "WendalDui/Core/ImageProcessing.h"
#include "core/JsonFile.h"

namespace mcmotd {

namespace {

const wchar_t kStartingText[] = L"\"Server is still starting! Please wait before reconnecting.\"";
// The server's own wording is English; compare it as such, in any case.
const LCID kStartingTextLocale = 0x2409;

int Base64Value(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return c - L'A';
    if (c >= L'a' && c <= L'z') return c - L'a' + 26;
    if (c >= L'0' && c <= L'9') return c - L'0' + 52;
    if (c == L'+') return 62;
    if (c == L'/') return 63;
    return -1;
}

void TakeString(const JsonValue& object, const wchar_t* name, WString& out) {
    const JsonValue* value = FindJsonMember(object, name);
    if (value)
        JsonStringToWString(*value, &out);
    else
        out.Empty();
}

void TakeRowText(const JsonValue& object, const wchar_t* name, WString& out) {
    TakeString(object, name, out);
    if (out.GetLength() <= kMaxRowTextLength) return;
    // Never half of a surrogate pair.
    const bool split = IS_HIGH_SURROGATE(out.GetString()[kMaxRowTextLength - 1]);
    out.Truncate(split ? kMaxRowTextLength - 1 : kMaxRowTextLength);
}

template <typename Row>
void TakeRows(const JsonValue* array, const wchar_t* first, const wchar_t* second,
              WString Row::*firstField, WString Row::*secondField, size_t limit, std::vector<Row>& rows) {
    rows.clear();
    if (!array || !array->IsArray()) return;
    for (const JsonValue& item : array->GetArray()) {
        if (rows.size() == limit) break;
        Row row;
        TakeRowText(item, first, row.*firstField);
        TakeRowText(item, second, row.*secondField);
        rows.push_back(static_cast<Row&&>(row));
    }
}

uint32_t TakeCount(const JsonValue* players, const wchar_t* name) {
    const JsonValue* value = players ? FindJsonMember(*players, name) : nullptr;
    return value && value->IsInt() && value->GetInt() > 0 ? static_cast<uint32_t>(value->GetInt()) : 0;
}

// Standard Base64 with "=" padding, strictly: a length that is not a
// non-zero multiple of 4, or any other character, fails. (The crypto
// library's decoder skips what it does not know.)
bool DecodeBase64Strict(const wchar_t* text, int length, std::vector<uint8_t>& out) {
    out.clear();
    if (length <= 0 || length % 4 != 0) return false;
    int padding = 0;
    if (text[length - 1] == L'=') padding = text[length - 2] == L'=' ? 2 : 1;
    out.reserve(static_cast<size_t>(length) / 4 * 3);
    for (int i = 0; i < length; i += 4) {
        uint32_t group = 0;
        for (int j = 0; j < 4; ++j) {
            const bool padded = i + 4 == length && j >= 4 - padding;
            const int value = padded ? 0 : Base64Value(text[i + j]);
            if (value < 0) return false;
            group = (group << 6) | static_cast<uint32_t>(value);
        }
        const int count = i + 4 == length ? 3 - padding : 3;
        for (int k = 0; k < count; ++k) out.push_back(static_cast<uint8_t>(group >> (16 - 8 * k)));
    }
    return true;
}

Gdiplus::Bitmap* DecodeFavicon(const JsonValue& root) {
    const JsonValue* value = FindJsonMember(root, L"favicon");
    if (!IsJsonString(value)) return nullptr;
    WString text;
    JsonStringToWString(*value, &text);
    // Servers wrap the Base64 text in lines.
    text.Remove(L'\n');
    const int comma = text.Find(L",");
    if (comma < 0) return nullptr;
    std::vector<uint8_t> bytes;
    if (!DecodeBase64Strict(text.GetString() + comma + 1, text.GetLength() - comma - 1, bytes)) return nullptr;
    return wendaldui::LoadBitmapFromBytes(bytes.data(), bytes.size());
}

}  // namespace

int ParseServerStatus(const WString& json, ServerStatus& out, uint32_t parts, Gdiplus::Bitmap** favicon) {
    if (CompareStringW(kStartingTextLocale, NORM_IGNORECASE, json.GetString(), json.GetLength(), kStartingText,
                       -1) == CSTR_EQUAL)
        return kPingServerStarting;
    JsonDocument document;
    if (!ParseJsonText(json.GetString(), &document) || !document.IsObject()) return kPingBadJson;

    if (parts & kStatusDescription) {
        out.description.Empty();
        const JsonValue* description = FindJsonMember(document, L"description");
        if (description && description->IsString())
            JsonStringToWString(*description, &out.description);
        else if (description && description->IsObject())
            TakeString(*description, L"text", out.description);
    }
    if (parts & kStatusVersion) {
        out.versionName.Empty();
        const JsonValue* version = FindJsonMember(document, L"version");
        if (version) TakeString(*version, L"name", out.versionName);
    }
    const JsonValue* players = FindJsonMember(document, L"players");
    if (parts & kStatusPlayerCounts) {
        out.playersMax = TakeCount(players, L"max");
        out.playersOnline = TakeCount(players, L"online");
    }
    if (parts & kStatusPlayerSample) {
        TakeRows(players ? FindJsonMember(*players, L"sample") : nullptr, L"name", L"id", &ServerStatusPlayer::name,
                 &ServerStatusPlayer::id, kMaxSampleRows, out.sample);
    }
    if (parts & kStatusModList) {
        const JsonValue* modinfo = FindJsonMember(document, L"modinfo");
        TakeRows(modinfo ? FindJsonMember(*modinfo, L"modList") : nullptr, L"modid", L"version",
                 &ServerStatusMod::modid, &ServerStatusMod::version, kMaxModRows, out.mods);
    }
    if (favicon) *favicon = DecodeFavicon(document);
    return kPingOk;
}

const wchar_t* ServerStatusText(int code) {
    static const wchar_t* const kTexts[] = {
        L"成功",
        L"请求主动终止",
        L"无法解析主机名",
        L"连接到远程主机失败",
        L"数据包发送接收失败",
        L"数据包格式错误",
        L"服务器正在启动",
        L"无法解析Json",
    };
    if (code < 0 || code >= static_cast<int>(sizeof kTexts / sizeof kTexts[0])) return L"未知错误";
    return kTexts[code];
}

}  // namespace mcmotd
