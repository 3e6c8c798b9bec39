#include "core/JsonFile.h"

#include <cstdio>
#include <memory>

#include <rapidjson/encodedstream.h>
#include <rapidjson/filereadstream.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include "core/FileUtils.h"

namespace {

typedef rapidjson::UTF16<wchar_t> JsonEncoding;

const size_t kReadBufferSize = 65536;

// Version JSONs and lists come from the network: the iterative parser keeps a
// file of deeply nested brackets from overflowing the thread's stack.
const unsigned kParseFlags = rapidjson::kParseDefaultFlags | rapidjson::kParseIterativeFlag;

// Hands the reader's events on to the document, failing the parse once
// arrays and objects nest deeper than kMaxJsonDepth.
class DepthLimitedHandler {
public:
    explicit DepthLimitedHandler(JsonDocument& document) : m_document(document) {}

    bool Null() { return m_document.Null(); }
    bool Bool(bool value) { return m_document.Bool(value); }
    bool Int(int value) { return m_document.Int(value); }
    bool Uint(unsigned value) { return m_document.Uint(value); }
    bool Int64(int64_t value) { return m_document.Int64(value); }
    bool Uint64(uint64_t value) { return m_document.Uint64(value); }
    bool Double(double value) { return m_document.Double(value); }
    bool RawNumber(const wchar_t* text, rapidjson::SizeType length, bool copy) {
        return m_document.RawNumber(text, length, copy);
    }
    bool String(const wchar_t* text, rapidjson::SizeType length, bool copy) {
        return m_document.String(text, length, copy);
    }
    bool Key(const wchar_t* text, rapidjson::SizeType length, bool copy) { return m_document.Key(text, length, copy); }
    bool StartObject() { return ++m_depth <= kMaxJsonDepth && m_document.StartObject(); }
    bool EndObject(rapidjson::SizeType count) {
        --m_depth;
        return m_document.EndObject(count);
    }
    bool StartArray() { return ++m_depth <= kMaxJsonDepth && m_document.StartArray(); }
    bool EndArray(rapidjson::SizeType count) {
        --m_depth;
        return m_document.EndArray(count);
    }

private:
    JsonDocument& m_document;
    unsigned m_depth = 0;
};

// Parses the stream into document, which keeps its old value on failure.
template <typename SourceEncoding, typename Stream>
bool ParseLimited(JsonDocument* document, Stream& stream) {
    bool parsed = false;
    auto generator = [&stream, &parsed](JsonDocument& target) {
        rapidjson::GenericReader<SourceEncoding, JsonEncoding> reader;
        DepthLimitedHandler handler(target);
        parsed = !reader.template Parse<kParseFlags>(stream, handler).IsError();
        return parsed;
    };
    document->Populate(generator);
    return parsed;
}

}  // namespace

bool LoadJsonFile(JsonDocument* document, const wchar_t* path) {
    uint64_t size = 0;
    if (!GetFileSize64(path, &size) || size > kMaxJsonFileSize) return false;
    FILE* file = _wfopen(path, L"rb");
    if (!file) return false;
    std::unique_ptr<char[]> buffer(new char[kReadBufferSize]);
    rapidjson::FileReadStream bytes(file, buffer.get(), kReadBufferSize);
    rapidjson::AutoUTFInputStream<unsigned, rapidjson::FileReadStream> text(bytes);
    const bool parsed = ParseLimited<rapidjson::AutoUTF<unsigned>>(document, text);
    fclose(file);
    return parsed;
}

bool ParseJsonBytes(const char* data, size_t size, JsonDocument* document) {
    rapidjson::MemoryStream bytes(data, size);
    rapidjson::AutoUTFInputStream<unsigned, rapidjson::MemoryStream> text(bytes);
    return ParseLimited<rapidjson::AutoUTF<unsigned>>(document, text);
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
    rapidjson::GenericStringStream<JsonEncoding> stream(text);
    return ParseLimited<JsonEncoding>(document, stream);
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
