// The mark-up engine: styles from the tag stack, wrapping, links and the
// measure, through a fake measurer; then once with real GDI text.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "WendalDui/Core/FormattedText.h"

namespace {

using wendaldui::CFormattedText;

constexpr COLORREF kDefault = 0x123456;
constexpr uint32_t kLinkStyle = CFormattedText::kStyleLink | CFormattedText::kStyleUnderline;

// Latin characters 10 pixels wide (12 in bold), the others 20; lines 16.
class FakeMeasurer : public wendaldui::ITextMeasurer {
public:
    void SelectStyle(uint32_t style) override { m_bold = (style & CFormattedText::kStyleBold) != 0; }
    int GetLineHeight() override { return 16; }
    int FitText(const wchar_t* text, int length, int maxExtent, int& fitExtent) override {
        int fit = 0;
        fitExtent = 0;
        while (fit < length && fitExtent + Advance(text[fit]) <= maxExtent) fitExtent += Advance(text[fit++]);
        return fit;
    }
    int GetTextExtent(const wchar_t* text, int length) override {
        int extent = 0;
        for (int i = 0; i < length; ++i) extent += Advance(text[i]);
        return extent;
    }

private:
    int Advance(wchar_t c) const { return c > 0xFF ? 20 : (m_bold ? 12 : 10); }
    bool m_bold = false;
};

typedef std::tuple<std::wstring, int, int, uint32_t, COLORREF> PieceRow;

std::vector<PieceRow> LayOut(CFormattedText& text, const wchar_t* markup, int width, uint32_t flags = 0) {
    text.SetDefaultColor(kDefault);
    text.SetFlags(flags);
    text.SetText(markup);
    FakeMeasurer measurer;
    text.Layout(measurer, width);
    std::vector<PieceRow> rows;
    for (const auto& p : text.GetPieces()) {
        rows.emplace_back(std::wstring(p.text, static_cast<size_t>(p.length)), p.x, p.y, p.style, p.color);
    }
    return rows;
}

TEST(FormattedText, StylesFollowTheTagStack) {
    const uint32_t b = CFormattedText::kStyleBold, i = CFormattedText::kStyleItalic;
    const uint32_t u = CFormattedText::kStyleUnderline, s = CFormattedText::kStyleStrikeOut;
    const struct {
        const wchar_t* markup;
        std::vector<PieceRow> pieces;
    } cases[] = {
        {L"a</b>b", {{L"a", 0, 0, 0, kDefault}, {L"b", 10, 0, 0, kDefault}}},  // a stray closing tag
        {L"<b>x<i>y</b>z</i>", {{L"x", 0, 0, b, kDefault}, {L"y", 12, 0, b | i, kDefault}, {L"z", 24, 0, i, kDefault}}},
        {L"<U>u</U><s>s</s>", {{L"u", 0, 0, u, kDefault}, {L"s", 10, 0, s, kDefault}}},
        {L"<color cr=\"ff0000\">r</color>", {{L"r", 0, 0, 0, RGB(255, 0, 0)}}},
        {L"<color cr=\"ff00\">r</color>", {{L"r", 0, 0, 0, kDefault}}},
        {L"<color cr=\"00ff00\"><color cr=\"zz0000\">r", {{L"r", 0, 0, 0, kDefault}}},
        {L"<a href=\"u\">l</a>", {{L"l", 0, 0, kLinkStyle, CFormattedText::kLinkColor}}},
        {L"<a href=\"u\"><color cr=\"00ff00\">g</color></a>", {{L"g", 0, 0, kLinkStyle, RGB(0, 255, 0)}}},
        {L"<A HREF = \"u\">l</A>", {{L"l", 0, 0, kLinkStyle, CFormattedText::kLinkColor}}},
        {L"<a href=u>l</a>", {{L"l", 0, 0, 0, kDefault}}},  // an unquoted value is ignored
        {L"<x y=\"1\">t</x>", {{L"t", 0, 0, 0, kDefault}}},
        {L"a<b", {{L"a", 0, 0, 0, kDefault}}},  // a tag runs to the end of the text
        // "<<" is a literal '<', so "We <3 you" from a server keeps its text.
        {L"We <<3 you", {{L"We ", 0, 0, 0, kDefault}, {L"<3 you", 30, 0, 0, kDefault}}},
        {L"<<<b>x</b>", {{L"<", 0, 0, 0, kDefault}, {L"x", 10, 0, b, kDefault}}},
    };
    CFormattedText text;
    for (const auto& c : cases) EXPECT_EQ(c.pieces, LayOut(text, c.markup, 1000)) << testing::PrintToString(c.markup);
}

TEST(FormattedText, WrapsAtSpacesAndBetweenChineseCharacters) {
    const uint32_t b = CFormattedText::kStyleBold;
    const struct {
        const wchar_t* markup;
        int width;
        uint32_t flags;
        std::vector<PieceRow> pieces;
    } cases[] = {
        {L"aaa bbb", 50, 0, {{L"aaa ", 0, 0, 0, kDefault}, {L"bbb", 0, 16, 0, kDefault}}},
        // Unwrapped: only what fits on the line is placed.
        {L"aaa bbb", 30, CFormattedText::kNoWrap, {{L"aaa", 0, 0, 0, kDefault}}},
        {L"aa\r\nbbbbb", 30, CFormattedText::kNoWrap, {{L"aa", 0, 0, 0, kDefault}, {L"bbb", 0, 16, 0, kDefault}}},
        {L"中文字符", 45, 0, {{L"中文", 0, 0, 0, kDefault}, {L"字符", 0, 16, 0, kDefault}}},
        {L"ab中", 25, 0, {{L"ab", 0, 0, 0, kDefault}, {L"中", 0, 16, 0, kDefault}}},
        // A word longer than the width breaks inside itself.
        {L"abcdefghij", 45, 0, {{L"abcd", 0, 0, 0, kDefault}, {L"efgh", 0, 16, 0, kDefault}, {L"ij", 0, 32, 0, kDefault}}},
        {L"ab", 5, 0, {{L"a", 0, 0, 0, kDefault}, {L"b", 0, 16, 0, kDefault}}},  // one character a line
        {L"ab", 0, 0, {{L"a", 0, 0, 0, kDefault}, {L"b", 0, 16, 0, kDefault}}},
        {L"a\r\nb", 100, 0, {{L"a", 0, 0, 0, kDefault}, {L"b", 0, 16, 0, kDefault}}},
        // A run that does not fit after its neighbour moves to the next line whole.
        {L"aaaa<b>bbbb</b>", 60, 0, {{L"aaaa", 0, 0, 0, kDefault}, {L"bbbb", 0, 16, b, kDefault}}},
    };
    CFormattedText text;
    for (const auto& c : cases) {
        EXPECT_EQ(c.pieces, LayOut(text, c.markup, c.width, c.flags))
            << testing::PrintToString(c.markup) << " at width " << c.width;
    }
}

TEST(FormattedText, LinksAreHitWherePlacedAndMeasureCountsLines) {
    CFormattedText text;
    LayOut(text, L"see <a href=\"http://x\">the docs</a>", 60);
    const CFormattedText::Link* link = text.GetLink(0);
    ASSERT_NE(nullptr, link);
    EXPECT_EQ(std::vector<wendaldui::UIRect>({{0, 16, 40, 16}, {0, 32, 40, 16}}), link->rects);
    EXPECT_EQ(nullptr, text.GetLink(1));
    EXPECT_EQ(nullptr, text.GetLink(-1));

    const wchar_t* target = nullptr;
    int length = -1;
    EXPECT_EQ(0, text.HitTestLink({5, 20}, &target, &length));
    EXPECT_EQ(L"http://x", std::wstring(target, static_cast<size_t>(length)));
    EXPECT_EQ(0, text.HitTestLink({39, 47}, &target, &length));
    EXPECT_EQ(-1, text.HitTestLink({40, 20}, &target, &length));  // the right edge is outside
    EXPECT_EQ(nullptr, target);
    EXPECT_EQ(0, length);
    EXPECT_EQ(-1, text.HitTestLink({5, 5}, &target, &length));  // "see " is no link

    FakeMeasurer measurer;
    const struct {
        const wchar_t* markup;
        int width;
        LONG cx, cy;
    } sizes[] = {
        {L"", 100, 1, 16},
        {L"aaa bbb", 50, 40, 32},
        {L"a\r\n\r\nbb", 100, 20, 48},
        {L"中文字符", 45, 40, 32},
    };
    for (const auto& s : sizes) {
        text.SetText(s.markup);
        const SIZE size = text.Measure(measurer, s.width);
        EXPECT_EQ(s.cx, size.cx) << testing::PrintToString(s.markup);
        EXPECT_EQ(s.cy, size.cy) << testing::PrintToString(s.markup);
    }
}

// With real fonts: the link colour is inked inside the rect the layout gave
// the link and nowhere else, and a click there finds it.
TEST(FormattedText, DrawsTheLinkWhereTheLayoutPutIt) {
    constexpr int kWidth = 320, kHeight = 60;
    HDC dc = CreateCompatibleDC(NULL);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    ASSERT_NE(nullptr, bitmap);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all = {0, 0, kWidth, kHeight};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    CFormattedText text;
    text.SetFontSize(20);
    text.SetDefaultColor(RGB(0, 0, 0));
    text.SetText(L"请访问 <a href=\"https://example.invalid/\">下载页面</a> 获取");
    text.Draw(dc, all);
    GdiFlush();

    const CFormattedText::Link* link = text.GetLink(0);
    ASSERT_NE(nullptr, link);
    ASSERT_EQ(1u, link->rects.size());
    const wendaldui::UIRect r = link->rects[0];
    EXPECT_GT(r.x, 0);
    EXPECT_GT(r.width, 40);
    int inside = 0, outside = 0;
    const uint32_t* pixels = static_cast<const uint32_t*>(bits);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if ((pixels[y * kWidth + x] & 0xFFFFFF) != 0x0066CC) continue;  // 0xCC6600 as a DIB pixel
            (r.PtInRect(x, y) ? inside : outside)++;
        }
    }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(0, outside);

    const wchar_t* target = nullptr;
    int length = 0;
    EXPECT_EQ(0, text.HitTestLink({r.x + r.width / 2, r.y + r.height / 2}, &target, &length));
    EXPECT_EQ(L"https://example.invalid/", std::wstring(target, static_cast<size_t>(length)));
    EXPECT_EQ(-1, text.HitTestLink({2, r.y + r.height / 2}, &target, &length));

    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

}  // namespace
