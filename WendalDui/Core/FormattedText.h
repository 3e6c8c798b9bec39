// Lays out and draws the small mark-up language of labels, links and message
// boxes: <b>, <i>, <u>, <s>, <color cr="rrggbb"> and <a href="...">, word
// wrapped to a width (Chinese text breaks between any two characters), with
// hit-testing of links. "<<" stands for a literal '<', so foreign text can be
// shown as it is.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "WendalDui/Core/TextMeasurer.h"
#include "WendalDui/Utils/UIRect.h"
#include "core/WString.h"
#include "core/noncopyable.h"

namespace wendaldui {

// A text from outside (a server, a file, the system, the game) as mark-up
// that shows it as it is: every '<' doubled, so none of it is read as a tag
// or a link.
WString EscapeMarkup(const wchar_t* text);

class CFormattedText : private wendal_::noncopyable {
public:
    enum Style : uint32_t {
        kStyleBold = 0x1,
        kStyleItalic = 0x2,
        kStyleUnderline = 0x4,
        kStyleStrikeOut = 0x8,
        kStyleLink = 0x80000000u,
    };
    enum Flags : uint32_t {
        kNoWrap = 0x1,    // each segment stays on its line
        kNoLayout = 0x2,  // the text is skipped
    };
    static constexpr COLORREF kLinkColor = 0xCC6600;  // a blue, as COLORREF

    struct Piece {
        const wchar_t* text;
        int length;
        int x;
        int y;
        uint32_t style;
        COLORREF color;
    };
    struct Link {
        std::vector<UIRect> rects;  // one per piece of the link
        const wchar_t* target;
        int targetLength;
    };

    CFormattedText();
    ~CFormattedText();

    // A negative length takes the text up to its terminator.
    void SetText(const wchar_t* text, int length = -1);
    void SetFontFace(const wchar_t* face);
    void SetFontSize(int pixels);
    void SetDefaultColor(COLORREF color) {
        m_defaultColor = color;
        m_laidOut = false;
    }
    void SetFlags(uint32_t flags) {
        m_flags = flags;
        m_laidOut = false;
    }

    // Lays the text out for the rect's width when needed, then draws it
    // clipped to the rect.
    void Draw(HDC dc, const RECT& rect);
    // Size the text needs at that width: (1, line height) when empty.
    SIZE Measure(HDC dc, int maxWidth);

    // Index of the first link with a piece under the point, or -1 (target
    // null, length 0).
    int HitTestLink(POINT pt, const wchar_t** target, int* length) const;
    const Link* GetLink(int index) const;

    // The layout itself, through any measurer.
    void Layout(ITextMeasurer& measurer, int width);
    SIZE Measure(ITextMeasurer& measurer, int maxWidth);
    const std::vector<Piece>& GetPieces() const { return m_pieces; }
    int GetLineHeight() const { return m_lineHeight; }

    // The cached font of a style (the link bit does not count).
    HFONT GetFont(uint32_t style);

private:
    struct Walk;
    void WalkText(Walk& walk) const;
    void LayoutRun(Walk& walk, const wchar_t* run, int length, uint32_t style, COLORREF color,
                   const wchar_t* target, int targetLength) const;
    void LayoutSegment(Walk& walk, const wchar_t* text, int length, uint32_t style, COLORREF color) const;
    void ClearFonts();

    wchar_t m_faceName[32];
    std::map<uint32_t, HFONT> m_fonts;
    std::vector<Piece> m_pieces;
    std::vector<Link> m_links;
    std::wstring m_text;
    int m_layoutWidth = -1;
    int m_fontSize = 12;
    int m_lineHeight = 0;
    COLORREF m_defaultColor = 0xFFFFFF;
    uint32_t m_flags = 0;
    bool m_laidOut = false;
};

}  // namespace wendaldui
