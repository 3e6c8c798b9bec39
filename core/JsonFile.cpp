#include "core/JsonFile.h"

#include <cstdio>
#include <memory>

#include <rapidjson/encodedstream.h>
#include <rapidjson/filereadstream.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include "core/FileUtils.h"

namespace {

typedef rapidjson::UTF16<wchar_t> JsonEncoding;

const size_t kReadBufferSize = 65536;

// Version JSONs and lists come from the network: the iterative parser keeps a
// file of deeply nested brackets from overflowing the thread's stack.
const unsigned kParseFlags = rapidjson::kParseDefaultFlags | rapidjson::kParseIterativeFlag;

}  // namespace

bool LoadJsonFile(JsonDocument* document, const wchar_t* path) {
    uint64_t size = 0;
    if (!GetFileSize64(path, &size) || size > kMaxJsonFileSize) return false;
    FILE* file = _wfopen(path, L"rb");
    if (!file) return false;
    std::unique_ptr<char[]> buffer(new char[kReadBufferSize]);
    rapidjson::FileReadStream bytes(file, buffer.get(), kReadBufferSize);
    rapidjson::AutoUTFInputStream<unsigned, rapidjson::FileReadStream> text(bytes);
    document->ParseStream<kParseFlags, rapidjson::AutoUTF<unsigned>>(text);
    fclose(file);
    return !document->HasParseError();
}

void JsonStringToWString(const JsonValue& value, WString* out) {
    if (!value.IsString()) {
        out->Empty();
        return;
    }
    out->Assign(value.GetString(), static_cast<int>(value.GetStringLength()));
}

bool GetJsonStringMember(const JsonValue& value, const wchar_t* name, WString& out) {
    const JsonValue* member = FindJsonMember(value, name);
    if (!IsJsonString(member)) return false;
    out.Assign(member->GetString(), static_cast<int>(member->GetStringLength()));
    return true;
}

const JsonValue* FindJsonMember(const JsonValue& value, const wchar_t* name) {
    if (!value.IsObject()) return nullptr;
    auto member = value.FindMember(name);
    return member == value.MemberEnd() ? nullptr : &member->value;
}

bool ParseJsonText(const wchar_t* text, JsonDocument* document) {
    document->Parse<kParseFlags>(text);
    return !document->HasParseError();
}

bool JsonToText(const JsonValue& value, WString* out) {
    rapidjson::GenericStringBuffer<JsonEncoding> buffer;
    rapidjson::PrettyWriter<rapidjson::GenericStringBuffer<JsonEncoding>, JsonEncoding, JsonEncoding> writer(buffer);
    writer.SetIndent(L' ', 4);
    if (!value.Accept(writer)) return false;
    // GetSize counts bytes, not characters.
    out->Assign(buffer.GetString(), static_cast<int>(buffer.GetSize() / sizeof(wchar_t)));
    return true;
}
