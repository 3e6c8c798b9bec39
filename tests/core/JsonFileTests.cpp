// JSON files: encoding detection, the 10 MiB cap, bad input, and the text
// form the launcher writes back.
#include <windows.h>

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/JsonFile.h"
#include "core/TextFile.h"
#include "tests/support/TestPaths.h"

namespace {

using testing_support::Narrow;
using testing_support::TempDir;
using testing_support::WriteBytes;

// {"id":"中文","n":1} in code units of width bytes, in the given byte order.
std::string Units(int width, bool big, bool mark) {
    const std::u32string text = U"\uFEFF{\"id\":\"中文\",\"n\":1}";
    std::string out;
    for (size_t i = mark ? 0 : 1; i < text.size(); ++i) {
        for (int b = 0; b < width; ++b) out += static_cast<char>(text[i] >> 8 * (big ? width - 1 - b : b));
    }
    return out;
}

bool IdIs(const JsonDocument& document, const wchar_t* id) {
    if (!document.IsObject() || !document.HasMember(L"id") || !document[L"id"].IsString()) return false;
    WString text;
    JsonStringToWString(document[L"id"], &text);
    return text == id;
}

TEST(LoadJsonFile, DetectsEveryUnicodeEncoding) {
    const std::string utf8 = "{\"id\":\"\xE4\xB8\xAD\xE6\x96\x87\",\"n\":1}";
    struct {
        const char* form;
        std::string bytes;
    } cases[] = {
        {"UTF-8", utf8},                           {"UTF-8 with mark", "\xEF\xBB\xBF" + utf8},
        {"UTF-16LE", Units(2, false, false)},      {"UTF-16LE with mark", Units(2, false, true)},
        {"UTF-16BE", Units(2, true, false)},       {"UTF-16BE with mark", Units(2, true, true)},
        {"UTF-32LE", Units(4, false, false)},      {"UTF-32LE with mark", Units(4, false, true)},
        {"UTF-32BE with mark", Units(4, true, true)},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::wstring path = dir / L"v.json";
        WriteBytes(path, c.bytes);
        JsonDocument document;
        ASSERT_TRUE(LoadJsonFile(&document, path.c_str())) << c.form;
        EXPECT_TRUE(IdIs(document, L"中文")) << c.form;
        EXPECT_EQ(1, document[L"n"].GetInt()) << c.form;
    }
}

TEST(LoadJsonFile, TenMebibyteCap) {
    TempDir dir;
    const std::wstring path = dir / L"big.json";
    // {"id":"xxx...x"} of exactly the given size.
    auto write = [&](size_t size) {
        std::string bytes = "{\"id\":\"";
        bytes.append(size - bytes.size() - 2, 'x');
        bytes += "\"}";
        ASSERT_EQ(size, bytes.size());
        WriteBytes(path, bytes);
    };
    write(10485760);
    JsonDocument document;
    ASSERT_TRUE(LoadJsonFile(&document, path.c_str()));
    EXPECT_EQ(10485760u - 9, document[L"id"].GetStringLength());

    // One byte more is refused without parsing: the valid JSON inside never
    // reaches the document.
    write(10485761);
    document.SetObject();
    document.AddMember(L"before", 1, document.GetAllocator());
    EXPECT_FALSE(LoadJsonFile(&document, path.c_str()));
    EXPECT_TRUE(document.HasMember(L"before"));
}

TEST(LoadJsonFile, BadInputFails) {
    TempDir dir;
    struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"truncated", "{\"id\":"},
        {"trailing value", "{} {}"},
        {"empty file", ""},
        {"mark only", "\xEF\xBB\xBF"},
        {"invalid UTF-8 in a string", "{\"id\":\"\xC3\x28\"}"},
        {"single quotes", "{'id':1}"},
        {"trailing comma", "[1,]"},
        {"truncated UTF-16", std::string("\xFF\xFE{\0\"\0", 6)},
    };
    for (const auto& c : cases) {
        const std::wstring path = dir / L"bad.json";
        WriteBytes(path, c.bytes);
        JsonDocument document;
        EXPECT_FALSE(LoadJsonFile(&document, path.c_str())) << c.what;
    }
    JsonDocument document;
    EXPECT_FALSE(LoadJsonFile(&document, (dir / L"missing.json").c_str()));
    EXPECT_FALSE(LoadJsonFile(&document, dir.Path().c_str())) << "a folder";
}

// Writing a value out recurses once per level: documents nested deeper
// than any real file are refused when read, by the file and the text reader
// alike, and 200,000 levels still do not exhaust the parser's stack.
TEST(LoadJsonFile, NestingDeeperThanTheBoundIsRefused) {
    TempDir dir;
    const std::wstring path = dir / L"deep.json";
    auto arrays = [](size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    auto objects = [](size_t depth) {
        std::string text;
        for (size_t i = 1; i < depth; ++i) text += "{\"a\":";
        return text + "{}" + std::string(depth - 1, '}');
    };
    const struct {
        std::string text;
        bool accepted;
    } cases[] = {
        {arrays(kMaxJsonDepth), true},       {objects(kMaxJsonDepth), true},
        {arrays(kMaxJsonDepth + 1), false},  {objects(kMaxJsonDepth + 1), false},
        {"[" + objects(kMaxJsonDepth) + "]", false}, {arrays(200000), false},
        {std::string(200000, '['), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        WriteBytes(path, c.text);
        JsonDocument document;
        EXPECT_EQ(c.accepted, LoadJsonFile(&document, path.c_str()));
        const std::wstring wide(c.text.begin(), c.text.end());
        EXPECT_EQ(c.accepted, ParseJsonText(wide.c_str(), &document));
        WString written;
        EXPECT_EQ(c.accepted, c.accepted && JsonToText(document, &written));
    }
}

TEST(JsonText, StringValues) {
    JsonDocument document;
    ASSERT_TRUE(ParseJsonText(L"{\"short\":\"ab\",\"long\":\"a string longer than any inline buffer\","
                              L"\"nul\":\"a\\u0000b\",\"n\":5,\"empty\":\"\"}",
                              &document));
    struct {
        const wchar_t* key;
        std::wstring expected;
    } cases[] = {
        {L"short", L"ab"},  // kept inside the value itself
        {L"long", L"a string longer than any inline buffer"},
        {L"nul", std::wstring(L"a\0b", 3)},  // the length, not the first NUL, ends it
        {L"empty", L""},
        {L"n", L""},  // not a string: nothing, rather than a read of garbage
    };
    for (const auto& c : cases) {
        WString text(L"stale");
        JsonStringToWString(document[c.key], &text);
        EXPECT_EQ(c.expected, std::wstring(text.GetString(), text.GetLength())) << c.key;
    }
}

TEST(JsonText, PrettyFormWithFourSpaces) {
    JsonDocument document;
    ASSERT_TRUE(ParseJsonText(L"{\"id\":\"中文\",\"list\":[1,2],\"o\":{},\"path\":\"a\\\\b/c\"}", &document));
    WString text;
    ASSERT_TRUE(JsonToText(document, &text));
    const wchar_t* expected =
        L"{\n"
        L"    \"id\": \"中文\",\n"  // no \u escapes: the files are Unicode text
        L"    \"list\": [\n"
        L"        1,\n"
        L"        2\n"
        L"    ],\n"
        L"    \"o\": {},\n"
        L"    \"path\": \"a\\\\b/c\"\n"
        L"}";
    EXPECT_TRUE(text == expected) << Narrow(text.GetString());

    // A member value alone, and numbers JSON cannot express.
    ASSERT_TRUE(JsonToText(document[L"list"], &text));
    EXPECT_TRUE(text == L"[\n    1,\n    2\n]");
    JsonValue nan(std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(JsonToText(nan, &text));

    EXPECT_FALSE(ParseJsonText(L"{\"a\":", &document));
    EXPECT_FALSE(ParseJsonText(L"", &document));
}

TEST(JsonText, WrittenSettingsLoadBack) {
    // The settings path: document -> text -> UTF-16 file -> LoadJsonFile.
    JsonDocument document;
    ASSERT_TRUE(ParseJsonText(L"{\"id\":\"中文\\n\\u00e9\",\"n\":1}", &document));
    WString text;
    ASSERT_TRUE(JsonToText(document, &text));
    TempDir dir;
    const std::wstring path = dir / L"quorvel_launcher\\setting.json";
    ASSERT_TRUE(WriteTextFile(path.c_str(), text, true));
    JsonDocument loaded;
    ASSERT_TRUE(LoadJsonFile(&loaded, path.c_str()));
    EXPECT_TRUE(IdIs(loaded, L"中文\n\x00E9"));
}

}  // namespace
