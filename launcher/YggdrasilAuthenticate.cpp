// winsock2.h must come before windows.h, which the project headers pull in.
#include <winsock2.h>

#include <curl/curl.h>

#include "launcher/YggdrasilAuthenticate.h"

#include <windows.h>

#include "core/AString.h"
#include "core/Endpoints.h"
#include "core/JsonFile.h"
#include "core/byte_buffer.h"
#include "download/BoundedAnswer.h"
#include "download/CurlInit.h"
#include "download/VerifiedTls.h"

namespace trelm {
namespace launcher {

namespace {

const char kBodyTemplate[] =
    "{\"agent\":{\"name\":\"Minecraft\",\"version\":1},\"username\":\"${user_name}\",\"password\":\"${password}\"}";

// UTF-8 text as the content of a JSON string.
std::string JsonEscapedUtf8(const wchar_t* text) {
    const int length = static_cast<int>(wcslen(text));
    std::string utf8;
    if (length > 0) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
        utf8.resize(size > 0 ? static_cast<size_t>(size) : 0);
        if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, &utf8[0], size, nullptr, nullptr);
    }
    std::string out;
    out.reserve(utf8.size() + 8);
    for (const char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20) {
                char escape[8];
                snprintf(escape, sizeof escape, "\\u%04x", byte);
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out;
}

// JSON travels as UTF-8; an answer that is not valid UTF-8 is read in the
// ANSI code page, as older servers wrote it.
void DecodeAnswer(const wendal_::byte_buffer& body, WString& out) {
    const char* bytes = reinterpret_cast<const char*>(body.GetData());
    const int size = static_cast<int>(body.GetSize());
    if (size == 0) {
        out.Empty();
        return;
    }
    const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, size, nullptr, 0);
    if (wide > 0) {
        wchar_t* buffer = out.GetBuffer(wide, false);
        out.ReleaseBuffer(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, size, buffer, wide));
    } else {
        out.AssignAnsi(bytes, size);
    }
}

}  // namespace

std::string YggdrasilAuthenticate::BuildRequestBody(const wchar_t* user, const wchar_t* password) {
    // Both values go where the template's placeholders stand; a name that
    // itself reads "${password}" stays as it is.
    const std::string body = kBodyTemplate;
    const size_t userAt = body.find("${user_name}");
    const size_t passwordAt = body.find("${password}");
    return body.substr(0, userAt) + JsonEscapedUtf8(user) +
           body.substr(userAt + strlen("${user_name}"), passwordAt - userAt - strlen("${user_name}")) +
           JsonEscapedUtf8(password) + body.substr(passwordAt + strlen("${password}"));
}

void YggdrasilAuthenticate::Abort() { abort = true; }

bool YggdrasilAuthenticate::Authenticate(const wchar_t* user, const wchar_t* password, WString* accessToken,
                                         WString* profileId, WString* profileName) {
    abort = false;
    const std::string body = BuildRequestBody(user, password);
    download::InitCurlOnce();
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        result = kAuthTransferFailed;
        message = L"curl_easy_init 失败";
        return false;
    }
    WString wideUrl = EndpointBase(Endpoint::Authentication);
    wideUrl.Append(L"/authenticate");
    AString url;
    url.AssignWide(wideUrl.GetString(), wideUrl.GetLength());

    char errorText[CURL_ERROR_SIZE + 1] = {};
    download::BoundedAnswer answer(kMaxAnswerSize, [this] { return abort.load(); });
    curl_slist* headers = curl_slist_append(nullptr, "Expect:");
    headers = curl_slist_append(headers, "Content-Type: application/json");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_URL, url.GetString());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    // The request carries the password: the server must prove who it is.
    download::RequireVerifiedTls(curl);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10000L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    answer.Attach(curl);
    const CURLcode code = curl_easy_perform(curl);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);

    if (code != CURLE_OK) {
        result = kAuthTransferFailed;
        const char* text = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
        message.AssignAnsi(text, static_cast<int>(strlen(text)));
        return false;
    }
    WString text;
    DecodeAnswer(answer.Body(), text);
    return ReadAnswer(text, accessToken, profileId, profileName);
}

bool YggdrasilAuthenticate::ReadAnswer(const WString& text, WString* accessToken, WString* profileId,
                                       WString* profileName) {
    JsonDocument document;
    if (!ParseJsonText(text.GetString(), &document) || !document.IsObject()) {
        result = kAuthNotJson;
        message = L"返回的数据不是有效的Json";
        return false;
    }
    const JsonValue* token = FindJsonMember(document, L"accessToken");
    const JsonValue* profile = FindJsonMember(document, L"selectedProfile");
    if (IsJsonString(token) && profile != nullptr && profile->IsObject() &&
        IsJsonString(FindJsonMember(*profile, L"id")) && IsJsonString(FindJsonMember(*profile, L"name"))) {
        JsonStringToWString(*token, accessToken);
        GetJsonStringMember(*profile, L"id", *profileId);
        GetJsonStringMember(*profile, L"name", *profileName);
        result = kAuthOk;
        message = L"OK";
        return true;
    }
    message = L"detail:";
    for (const wchar_t* field : {L"error", L"errorMessage", L"cause"}) {
        WString value;
        if (!GetJsonStringMember(document, field, value)) continue;
        message.Append(L"\r\n");
        message.Append(field);
        message.Append(L":");
        message.Append(value);
    }
    result = kAuthRefused;
    return false;
}

}  // namespace launcher
}  // namespace trelm
