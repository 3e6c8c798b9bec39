#include "services/JsonGetters.h"

#include <cfloat>
#include <cwchar>

#include "services/OfflineNameRule.h"

namespace {

const JsonValue* Member(const JsonValue& object, const wchar_t* key) {
    return FindJsonMember(object, key);  // null for a non-object container
}

// The member as T when is() accepts it and it lies in [minimum, maximum].
template <typename T>
bool GetRanged(const JsonValue& object, const wchar_t* key, bool (JsonValue::*is)() const,
               T (JsonValue::*get)() const, T& out, T minimum, T maximum) {
    const JsonValue* value = Member(object, key);
    if (value == nullptr || !(value->*is)()) return false;
    const T number = (value->*get)();
    if (number < minimum || number > maximum) return false;
    out = number;
    return true;
}

}  // namespace

JsonValue JsonKey(const wchar_t* key, JsonAllocator& allocator) {
    return JsonValue(key, static_cast<rapidjson::SizeType>(wcslen(key)), allocator);
}

bool GetJsonBool(const JsonValue& object, const wchar_t* key, bool& out) {
    const JsonValue* value = Member(object, key);
    if (value == nullptr || !value->IsBool()) return false;
    out = value->GetBool();
    return true;
}

bool GetJsonString(const JsonValue& object, const wchar_t* key, const wchar_t*& out, uint32_t minLength) {
    const JsonValue* value = Member(object, key);
    if (value == nullptr || !value->IsString() || value->GetStringLength() < minLength) return false;
    out = value->GetString();
    return true;
}

bool GetJsonString(const JsonValue& object, const wchar_t* key, WString& out, uint32_t minLength,
                   uint32_t maxLength) {
    const JsonValue* value = Member(object, key);
    if (value == nullptr || !value->IsString()) return false;
    const uint32_t length = value->GetStringLength();
    if (length < minLength || length > maxLength) return false;
    out.Assign(value->GetString(), static_cast<int>(length));
    return true;
}

bool GetJsonUnsigned(const JsonValue& object, const wchar_t* key, uint32_t& out, uint32_t minimum,
                     uint32_t maximum) {
    return GetRanged<uint32_t>(object, key, &JsonValue::IsUint, &JsonValue::GetUint, out, minimum, maximum);
}

bool GetJsonSigned(const JsonValue& object, const wchar_t* key, int32_t& out, int32_t minimum, int32_t maximum) {
    return GetRanged<int32_t>(object, key, &JsonValue::IsInt, &JsonValue::GetInt, out, minimum, maximum);
}

bool GetJsonTime(const JsonValue& object, int64_t& out, int64_t minimum, int64_t maximum) {
    return GetRanged<int64_t>(object, L"time", &JsonValue::IsInt64, &JsonValue::GetInt64, out, minimum, maximum);
}

bool GetJsonFloat(const JsonValue& object, const wchar_t* key, float& out, float minimum, float maximum) {
    const JsonValue* value = Member(object, key);
    // IsDouble is true only for literals with a fraction or an exponent.
    if (value == nullptr || !value->IsDouble()) return false;
    const double number = value->GetDouble();
    if (!(number >= -FLT_MAX && number <= FLT_MAX)) return false;
    const float single = static_cast<float>(number);
    if (single < minimum || single > maximum) return false;
    out = single;
    return true;
}

bool GetJsonHsl(const JsonValue& object, const wchar_t* key, HslColor& out) {
    const JsonValue* value = Member(object, key);
    if (value == nullptr) return false;
    HslColor color;
    if (!GetJsonFloat(*value, L"h", color.h, 0.0f, 360.0f) || !GetJsonFloat(*value, L"s", color.s, 0.0f, 1.0f) ||
        !GetJsonFloat(*value, L"l", color.l, 0.0f, 1.0f))
        return false;
    out = color;
    return true;
}

void PutJsonHsl(JsonValue& object, const wchar_t* key, const HslColor& color, JsonAllocator& allocator) {
    JsonValue hsl(rapidjson::kObjectType);
    // Written as doubles, which always carry a fraction, so the file reads back.
    hsl.AddMember(JsonKey(L"h", allocator), JsonValue(static_cast<double>(color.h)), allocator);
    hsl.AddMember(JsonKey(L"s", allocator), JsonValue(static_cast<double>(color.s)), allocator);
    hsl.AddMember(JsonKey(L"l", allocator), JsonValue(static_cast<double>(color.l)), allocator);
    object.AddMember(JsonKey(key, allocator), hsl, allocator);
}

bool ParseVersionText(const wchar_t* text, LauncherVersion& out) {
    // By hand: the runtime's scanners take signs and blanks, wrap negative
    // numbers and saturate large ones, any of which could make a version
    // look newer than every other.
    uint32_t numbers[4];
    const wchar_t* c = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && *c++ != L'.') return false;
        if (*c < L'0' || *c > L'9') return false;
        uint64_t value = 0;
        for (; *c >= L'0' && *c <= L'9'; ++c) {
            value = value * 10 + static_cast<uint64_t>(*c - L'0');
            if (value > UINT32_MAX) return false;
        }
        numbers[i] = static_cast<uint32_t>(value);
    }
    if (*c != L'\0') return false;
    out.major = numbers[0];
    out.minor = numbers[1];
    out.build = numbers[2];
    out.revision = numbers[3];
    return true;
}

bool GetJsonVersion(const JsonValue& object, LauncherVersion& out) {
    const wchar_t* text = nullptr;
    return GetJsonString(object, L"version", text, 0) && ParseVersionText(text, out);
}

void PutJsonVersion(JsonValue& object, const LauncherVersion& version, JsonAllocator& allocator) {
    WString text;
    text.Format(L"%u.%u.%u.%u", version.major, version.minor, version.build, version.revision);
    PutJsonString(object, L"version", text, allocator);
}

bool GetJsonRegex(const JsonValue& object, WString& out) {
    const JsonValue* value = Member(object, L"offline_name_regex");
    if (value == nullptr || !value->IsString()) return false;
    std::wregex check;
    if (!trelm::CompileNameRule(value->GetString(), value->GetStringLength(), &check)) return false;
    out.Assign(value->GetString(), static_cast<int>(value->GetStringLength()));
    return true;
}

void PutJsonString(JsonValue& object, const wchar_t* key, const wchar_t* text, JsonAllocator& allocator) {
    object.AddMember(JsonKey(key, allocator),
                     JsonValue(text, static_cast<rapidjson::SizeType>(wcslen(text)), allocator), allocator);
}
