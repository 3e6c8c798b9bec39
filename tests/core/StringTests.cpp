// WString and AString: block ownership, growth and the text operations.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

#include "core/AString.h"
#include "core/WString.h"

namespace {

TEST(WStringBlock, DefaultIsTheSharedEmptyText) {
    WString a, b;
    EXPECT_EQ(0, a.GetLength());
    EXPECT_EQ(0, a.GetCapacity());
    EXPECT_EQ(L'\0', a.GetString()[0]);
    // One shared representation for every default-constructed string.
    EXPECT_EQ(a.GetString(), b.GetString());
    AString n;
    EXPECT_EQ(0, n.GetCapacity());
    EXPECT_STREQ("", n.GetString());
}

TEST(WStringBlock, CapacitiesDoubleFromSixteen) {
    WString s;
    s = L"123456789012345";  // 15 + NUL fits 16
    EXPECT_EQ(16, s.GetCapacity());
    WString t;
    t = L"1234567890123456";  // 16 + NUL needs 32
    EXPECT_EQ(32, t.GetCapacity());
    WString u;
    u = L"1234567890123456789012345678901";  // 31: capacity 32
    ASSERT_EQ(32, u.GetCapacity());
    u.Append(L"x", 1);
    EXPECT_EQ(64, u.GetCapacity());
    EXPECT_TRUE(u == L"1234567890123456789012345678901x");
}

TEST(WStringBlock, AssigningEmptyTextGivesABlockAndCapacityNeverShrinks) {
    WString s;
    s = L"";
    EXPECT_EQ(16, s.GetCapacity());
    s = L"a long text that needs more than sixteen characters";
    const int grown = s.GetCapacity();
    s = L"x";
    EXPECT_EQ(grown, s.GetCapacity());
    EXPECT_TRUE(s == L"x");
    s.Empty();
    EXPECT_EQ(grown, s.GetCapacity());
    EXPECT_EQ(0, s.GetLength());
}

TEST(WStringBlock, SelfAssignAndSelfAppendKeepTheText) {
    WString s(L"abc");
    s.Assign(s.GetString(), s.GetLength());
    EXPECT_TRUE(s == L"abc");
    s = s;
    EXPECT_TRUE(s == L"abc");
    // Appending our own text must survive the block moving while growing.
    WString t(L"0123456789abcde");  // capacity 16, full
    t.Append(t.GetString(), t.GetLength());
    EXPECT_TRUE(t == L"0123456789abcde0123456789abcde");
}

TEST(WStringBlock, CopiesNeverShareABlock) {
    WString a(L"text");
    WString b(a);
    EXPECT_NE(a.GetString(), b.GetString());
    b.Append(L"!", 1);
    EXPECT_TRUE(a == L"text");
    WString moved(static_cast<WString&&>(b));
    EXPECT_TRUE(moved == L"text!");
    EXPECT_EQ(0, b.GetLength());
}

TEST(WStringBlock, PlusAllocatesExactlyTheSum) {
    WString a(L"abc");
    WString sum = a + L"de";
    EXPECT_TRUE(sum == L"abcde");
    EXPECT_EQ(6, sum.GetCapacity());
}

TEST(WStringBlock, BufferAccess) {
    WString s(L"keep");
    wchar_t* p = s.GetBuffer(40, true);
    EXPECT_EQ(0, wcscmp(p, L"keep"));
    wcscpy(p, L"written directly");
    s.ReleaseBuffer(-1);
    EXPECT_EQ(16, s.GetLength());
    p = s.GetBuffer(4, false);
    EXPECT_EQ(L'\0', p[0]);
    p[0] = L'z';
    p[1] = L'q';
    s.ReleaseBuffer(1);
    EXPECT_TRUE(s == L"z");
}

TEST(WStringText, ReplaceCountsNonOverlappingMatches) {
    struct Case {
        const wchar_t* text;
        const wchar_t* from;
        const wchar_t* to;
        const wchar_t* expected;
        int count;
    } cases[] = {
        {L"aaa", L"aa", L"b", L"ba", 1},        // matches do not overlap
        {L"abab", L"ab", L"", L"abab", 0},      // an empty replacement changes nothing
        {L"abab", L"", L"x", L"abab", 0},       // nor does an empty pattern
        {L"a/b/c", L"/", L"\\\\", L"a\\\\b\\\\c", 2},  // growing text
        {L"xxabcxx", L"abc", L"-", L"xx-xx", 1},
        {L"none", L"zz", L"y", L"none", 0},
        {L"${a}${a}", L"${a}", L"long value", L"long valuelong value", 2},
    };
    for (const Case& c : cases) {
        WString s(c.text);
        EXPECT_EQ(c.count, s.Replace(c.from, c.to)) << c.text;
        EXPECT_TRUE(s == c.expected) << c.text;
    }
    AString n("aaa");
    EXPECT_EQ(1, n.Replace("aa", "b"));
    EXPECT_TRUE(n == "ba");
}

TEST(WStringText, RemoveAndCharReplace) {
    WString s(L"banana");
    EXPECT_EQ(3, s.Remove(L'a'));
    EXPECT_TRUE(s == L"bnn");
    EXPECT_EQ(0, s.Remove(L'\0'));
    EXPECT_TRUE(s == L"bnn");
    WString empty;
    EXPECT_EQ(0, empty.Remove(L'x'));  // the shared empty text is never written
    WString path(L"a/b/c");
    path.Replace(L'/', L'\\');
    EXPECT_TRUE(path == L"a\\b\\c");
}

TEST(WStringText, MidLeftTruncate) {
    const WString s(L"abcdef");
    EXPECT_TRUE(s.Mid(2, -1) == L"cdef");
    EXPECT_TRUE(s.Mid(4, 10) == L"ef");
    EXPECT_TRUE(s.Mid(-3, 2) == L"ab");
    EXPECT_TRUE(s.Mid(6, 3) == L"");
    EXPECT_TRUE(s.Mid(9, 1) == L"");  // past the end is clamped, not read
    EXPECT_TRUE(s.Left(3) == L"abc");
    WString t(L"abc");
    t.Truncate(10);
    EXPECT_TRUE(t == L"abc");
    t.Truncate(-1);
    EXPECT_TRUE(t == L"abc");
    t.Truncate(1);
    EXPECT_TRUE(t == L"a");
}

TEST(WStringText, InsertPrepends) {
    WString s(L"world");
    EXPECT_EQ(10, s.Insert(0, L"hello", 5));
    EXPECT_TRUE(s == L"helloworld");
    WString t(L"ab");
    t.Insert(99, L"c", 1);  // the index is clamped to the length
    EXPECT_TRUE(t == L"abc");
    WString u(L"xy");
    u.Insert(0, u.GetString(), 2);  // inserting our own text
    EXPECT_TRUE(u == L"xyxy");
}

TEST(WStringText, EqualityIsExactAndCaseSensitive) {
    WString s(L"Forge");
    EXPECT_TRUE(s == L"Forge");
    EXPECT_FALSE(s == L"forge");
    EXPECT_FALSE(s == L"Forg");
    EXPECT_FALSE(s == L"Forge1");
}

// A C string that ends right before a page nobody may read: a comparison
// that reads past its terminator faults instead of passing by luck.
class GuardedText {
public:
    explicit GuardedText(const wchar_t* text) {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        const size_t page = system.dwPageSize;
        m_block = static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(m_block + page, page, PAGE_NOACCESS, &old);
        const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
        m_text = reinterpret_cast<wchar_t*>(m_block + page - bytes);
        memcpy(m_text, text, bytes);
    }
    ~GuardedText() { VirtualFree(m_block, 0, MEM_RELEASE); }
    const wchar_t* Get() const { return m_text; }

private:
    char* m_block;
    wchar_t* m_text;
};

// Equality compares lengths and every character, embedded NULs included
// (a JSON "\u0000" puts one in a string), and never reads past either end.
TEST(WStringText, EqualityCountsEmbeddedNuls) {
    struct Case {
        const wchar_t* left;
        int leftLength;
        const wchar_t* right;
        int rightLength;
        bool equal;
    };
    const Case cases[] = {
        {L"a\0b", 3, L"a", 1, false}, {L"a\0", 2, L"a", 1, false}, {L"a", 1, L"a\0", 2, false},
        {L"a\0b", 3, L"a\0c", 3, false}, {L"a\0b", 3, L"a\0b", 3, true}, {L"ab", 2, L"abc", 3, false},
        {L"", 0, L"", 0, true},
    };
    for (const Case& c : cases) {
        WString left, right;
        left.Assign(c.left, c.leftLength);
        right.Assign(c.right, c.rightLength);
        SCOPED_TRACE(testing::Message() << c.leftLength << " vs " << c.rightLength << " characters");
        EXPECT_EQ(c.equal, left == right);
        EXPECT_EQ(!c.equal, left != right);
        if (wcslen(c.right) == static_cast<size_t>(c.rightLength)) {
            const GuardedText guarded(c.right);
            EXPECT_EQ(c.equal, left == guarded.Get());
            EXPECT_EQ(!c.equal, left != guarded.Get());
        }
    }
}

TEST(WStringFormat, WindowsWideSpecifiers) {
    WString s;
    s.Format(L"%s|%S|%I64d|%I64u|%u|%hu|%.1lf", L"宽", "narrow", static_cast<long long>(-9000000000LL),
             static_cast<unsigned long long>(18000000000ULL), 42u, static_cast<unsigned short>(7), 1.24);
    EXPECT_EQ(L"宽|narrow|-9000000000|18000000000|42|7|1.2", std::wstring(s.GetString()));
    s.Format(L"%s", L"");
    EXPECT_EQ(0, s.GetLength());
    // A long result grows once, to the doubled capacity.
    std::wstring big(1000, L'x');
    s.Format(L"%s!", big.c_str());
    EXPECT_EQ(1001, s.GetLength());
    EXPECT_EQ(1024, s.GetCapacity());
}

TEST(AnsiConversion, ChineseRoundTripsThroughCodePage936) {
    if (GetACP() != 936) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 936";
    const wchar_t* text = L"启动器 launcher";
    AString narrow;
    narrow.AssignWide(text, static_cast<int>(wcslen(text)));
    EXPECT_EQ(15, narrow.GetLength());  // three GBK characters of two bytes each
    WString back;
    back.AssignAnsi(narrow.GetString(), narrow.GetLength());
    EXPECT_TRUE(back == text);
}

TEST(AnsiConversion, UnrepresentableAndInvalidInput) {
    AString narrow;
    // A character no ANSI code page here holds becomes the default character.
    narrow.AssignWide(L"a\U0001F600b", 4);
    EXPECT_GE(narrow.GetLength(), 3);
    EXPECT_EQ('a', narrow[0]);
    EXPECT_EQ('b', narrow[narrow.GetLength() - 1]);
    narrow.AssignWide(L"x", -1);
    EXPECT_EQ(0, narrow.GetLength());
    WString wide(L"old");
    wide.AssignAnsi("abc", -5);
    EXPECT_EQ(0, wide.GetLength());  // replaced by the empty text, not left as it was
}

}  // namespace
