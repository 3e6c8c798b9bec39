#include "ui/BoundedText.h"

namespace trelm {
namespace ui {

namespace {

bool IsLineEnd(wchar_t c) { return c == L'\r' || c == L'\n'; }

// Where a row of at most `count` characters from text may end: never between
// the two halves of a surrogate pair.
int RowLength(const wchar_t* text, int count) {
    if (count > 1 && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF) return count - 1;
    return count;
}

}  // namespace

void AppendBoundedText(WString& out, const wchar_t* text, int length, int maxChars) {
    if (!text || length <= 0) return;
    const int budgetEnd = out.GetLength() + (maxChars > 0 ? maxChars : 0);
    WString note;
    int at = 0;
    while (at < length) {
        int end = at;
        while (end < length && !IsLineEnd(text[end])) ++end;
        int ending = end;  // one line end: "\r\n", "\r" or "\n"
        if (ending < length && text[ending] == L'\r') ++ending;
        if (ending < length && text[ending] == L'\n' && (ending == end || text[end] == L'\r')) ++ending;
        const int shown = end - at > kMaxLineChars ? kMaxLineChars : end - at;
        for (int row = 0; row < shown;) {
            const int rowLength = row + kMaxRowChars < shown ? RowLength(text + at + row, kMaxRowChars) : shown - row;
            const int breakLength = row + rowLength < shown ? 2 : 0;
            if (out.GetLength() + rowLength + breakLength > budgetEnd) {
                note.Format(L"\r\n……（内容过长，另有 %d 个字符未显示）\r\n", length - at - row);
                out.Append(note);
                return;
            }
            out.Append(text + at + row, rowLength);
            if (breakLength) out.Append(L"\r\n", 2);
            row += rowLength;
        }
        if (shown < end - at) {
            note.Format(L" ……（此行另有 %d 个字符未显示）", end - at - shown);
            out.Append(note);
        }
        if (out.GetLength() + (ending - end) > budgetEnd) {
            note.Format(L"\r\n……（内容过长，另有 %d 个字符未显示）\r\n", length - end);
            out.Append(note);
            return;
        }
        out.Append(text + end, ending - end);
        at = ending;
    }
}

WString BoundedText(const WString& text, int maxChars) {
    WString out;
    AppendBoundedText(out, text.GetString(), text.GetLength(), maxChars);
    return out;
}

}  // namespace ui
}  // namespace trelm
