// Formatting codes: stripped for plain text, turned into mark-up for coloured
// text; a server's '<' stays visible text.
#include <gtest/gtest.h>

#include <string>

#include "WendalDui/Core/FormattedText.h"
#include "services/FormattingCodes.h"

namespace {

std::wstring Markup(const wchar_t* text, COLORREF defaultColor = RGB(0x12, 0x34, 0x56)) {
    WString out;
    out = L"stale";
    mcmotd::FormattingCodesToMarkup(text, out, defaultColor);
    return out.GetString();
}

std::wstring Strip(const wchar_t* text) {
    WString out;
    mcmotd::StripFormattingCodes(text, out);
    return out.GetString();
}

TEST(FormattingCodes, MarkupOfEachKindOfCode) {
    const struct {
        const wchar_t* text;
        const wchar_t* markup;
    } cases[] = {
        {L"", L""},
        {L"plain", L"<color cr=\"123456\">plain</color>"},
        {L"\u00a7cRed", L"<color cr=\"ff5555\">Red</color>"},
        {L"\u00a7CRed", L"<color cr=\"ff5555\">Red</color>"},
        {L"\u00a7c\u00a7lA", L"<b><color cr=\"ff5555\">A</color></b>"},
        // nothing carries over from one run to the next
        {L"\u00a7lA\u00a7oB", L"<b><color cr=\"123456\">A</color></b><i><color cr=\"123456\">B</color></i>"},
        {L"\u00a7kword", L"<color cr=\"123456\">word</color>"},
        {L"\u00a7l\u00a7m\u00a7n\u00a7o\u00a79x",
         L"<b><s><u><i><color cr=\"5555ff\">x</color></i></u></s></b>"},
        {L"ab\u00a7", L"<color cr=\"123456\">ab</color>"},
        {L"A\u00a7zB", L"<color cr=\"123456\">A</color><color cr=\"123456\">B</color>"},
        {L"\u00a76\u00a7rX", L"<color cr=\"123456\">X</color>"},
        {L"\u00a70\u00a7fW", L"<color cr=\"ffffff\">W</color>"},
        // each of the sixteen colour codes, its own character in its colour
        {L"\u00a700\u00a711\u00a722\u00a733\u00a744\u00a755\u00a766\u00a777"
         L"\u00a788\u00a799\u00a7aa\u00a7bb\u00a7cc\u00a7dd\u00a7ee\u00a7ff",
         L"<color cr=\"000000\">0</color><color cr=\"0000aa\">1</color><color cr=\"00aa00\">2</color>"
         L"<color cr=\"00aaaa\">3</color><color cr=\"aa0000\">4</color><color cr=\"aa00aa\">5</color>"
         L"<color cr=\"ffaa00\">6</color><color cr=\"aaaaaa\">7</color><color cr=\"555555\">8</color>"
         L"<color cr=\"5555ff\">9</color><color cr=\"55ff55\">a</color><color cr=\"55ffff\">b</color>"
         L"<color cr=\"ff5555\">c</color><color cr=\"ff55ff\">d</color><color cr=\"ffff55\">e</color>"
         L"<color cr=\"ffffff\">f</color>"},
        {L"\u00a72\u00a7\u00a7ex", L"<color cr=\"ffff55\">x</color>"},
        // a server's '<' is doubled, the mark-up's literal '<'
        {L"We <3 you", L"<color cr=\"123456\">We <<3 you</color>"},
        {L"\u00a7a<a href=\"x\">", L"<color cr=\"55ff55\"><<a href=\"x\"></color>"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.markup, Markup(c.text)) << testing::PrintToString(c.text);
    EXPECT_EQ(L"", Markup(nullptr));
}

TEST(FormattingCodes, StripRemovesEachSignAndItsCode) {
    EXPECT_EQ(L"x", Strip(L"\u00a7a\u00a7\u00a7bx"));
    EXPECT_EQ(L"Hello World", Strip(L"\u00a7lHello \u00a7cWorld\u00a7"));
    EXPECT_EQ(L"", Strip(L""));
    EXPECT_EQ(L"We <3 you", Strip(L"We <3 you"));
}

// The coloured description shows exactly the stripped text: no server text
// is lost to a tag, and no server text becomes one.
TEST(FormattingCodes, ServerTextWithTagCharactersShowsAsSent) {
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 2000, 40);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (const wchar_t* text : {L"\u00a7eWe <3 you", L"\u00a7b<a href=\"file:///c:/\">click</a> \u00a7l<<b>>",
                                L"a < b > c", L"<"}) {
        wendaldui::CFormattedText formatted;
        formatted.SetText(Markup(text).c_str());
        const RECT rect = {0, 0, 2000, 40};
        formatted.Draw(dc, rect);
        std::wstring shown;
        for (const auto& piece : formatted.GetPieces()) shown.append(piece.text, static_cast<size_t>(piece.length));
        EXPECT_EQ(Strip(text), shown) << testing::PrintToString(text);
        EXPECT_EQ(nullptr, formatted.GetLink(0));
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

}  // namespace
