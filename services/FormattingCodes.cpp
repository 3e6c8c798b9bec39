#include "services/FormattingCodes.h"

namespace mcmotd {

namespace {

constexpr wchar_t kSectionSign = 0x00A7;

enum CodeFlags : unsigned {
    kObfuscated = 1,  // shown as is: no tag
    kBold = 2,
    kStrikethrough = 4,
    kUnderline = 8,
    kItalic = 16,
};

// The sixteen colours of codes 0-9 and a-f, as COLORREF values.
const COLORREF kCodeColors[16] = {
    RGB(0x00, 0x00, 0x00), RGB(0x00, 0x00, 0xaa), RGB(0x00, 0xaa, 0x00), RGB(0x00, 0xaa, 0xaa),
    RGB(0xaa, 0x00, 0x00), RGB(0xaa, 0x00, 0xaa), RGB(0xff, 0xaa, 0x00), RGB(0xaa, 0xaa, 0xaa),
    RGB(0x55, 0x55, 0x55), RGB(0x55, 0x55, 0xff), RGB(0x55, 0xff, 0x55), RGB(0x55, 0xff, 0xff),
    RGB(0xff, 0x55, 0x55), RGB(0xff, 0x55, 0xff), RGB(0xff, 0xff, 0x55), RGB(0xff, 0xff, 0xff),
};

void AppendRun(WString& out, const wchar_t* run, int length, unsigned flags, COLORREF color) {
    if (flags & kBold) out.Append(L"<b>");
    if (flags & kStrikethrough) out.Append(L"<s>");
    if (flags & kUnderline) out.Append(L"<u>");
    if (flags & kItalic) out.Append(L"<i>");
    WString tag;
    tag.Format(L"<color cr=\"%02x%02x%02x\">", GetRValue(color), GetGValue(color), GetBValue(color));
    out.Append(tag);
    int start = 0;
    for (int i = 0; i < length; ++i) {
        if (run[i] != L'<') continue;
        out.Append(run + start, i + 1 - start);
        out.Append(L"<", 1);  // doubled: a literal '<'
        start = i + 1;
    }
    out.Append(run + start, length - start);
    out.Append(L"</color>");
    if (flags & kItalic) out.Append(L"</i>");
    if (flags & kUnderline) out.Append(L"</u>");
    if (flags & kStrikethrough) out.Append(L"</s>");
    if (flags & kBold) out.Append(L"</b>");
}

// Every character that is neither a section sign nor the code after one; a
// sign right after a sign keeps the next character a code.
template <typename Keep>
void ForEachShownCharacter(const wchar_t* text, Keep keep) {
    bool skip = false;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p == kSectionSign) {
            skip = true;
        } else if (skip) {
            skip = false;
        } else {
            keep(*p);
        }
    }
}

}  // namespace

void StripFormattingCodes(const wchar_t* text, WString& out) {
    if (!text) text = L"";
    int count = 0;
    ForEachShownCharacter(text, [&count](wchar_t) { ++count; });
    wchar_t* buffer = out.GetBuffer(count, false);
    int written = 0;
    ForEachShownCharacter(text, [buffer, &written](wchar_t c) { buffer[written++] = c; });
    out.ReleaseBuffer(written);
}

void FormattingCodesToMarkup(const wchar_t* text, WString& out, COLORREF defaultColor) {
    out.Empty();
    if (!text) return;
    const wchar_t* runStart = text;
    int runLength = 0;
    unsigned flags = 0;
    COLORREF color = defaultColor;
    bool code = false;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p == kSectionSign) {
            code = true;
            if (runLength > 0) {
                AppendRun(out, runStart, runLength, flags, color);
                color = defaultColor;
                flags = 0;
                runLength = 0;
            }
        } else if (code) {
            wchar_t c = *p;
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
            if (c >= L'0' && c <= L'9') {
                color = kCodeColors[c - L'0'];
            } else if (c >= L'a' && c <= L'f') {
                color = kCodeColors[c - L'a' + 10];
            } else if (c == L'k') {
                flags |= kObfuscated;
            } else if (c == L'l') {
                flags |= kBold;
            } else if (c == L'm') {
                flags |= kStrikethrough;
            } else if (c == L'n') {
                flags |= kUnderline;
            } else if (c == L'o') {
                flags |= kItalic;
            } else {
                color = defaultColor;  // 'r' and every unknown code reset
                flags = 0;
            }
            code = false;
            runStart = p + 1;
        } else {
            if (runLength == 0) runStart = p;
            ++runLength;
        }
    }
    if (runLength > 0) AppendRun(out, runStart, runLength, flags, color);
}

}  // namespace mcmotd
