#include "WendalDui/Core/FormattedText.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace wendaldui {

WString EscapeMarkup(const wchar_t* text) {
    WString out(text ? text : L"");
    out.Replace(L"<", L"<<");
    return out;
}

namespace {

enum TagKind { kTagNone, kTagLink, kTagBold, kTagItalic, kTagStrike, kTagUnderline, kTagColor };

struct TagEntry {
    TagKind kind;
    const wchar_t* attributeName;
    int attributeNameLength;
    const wchar_t* value;  // null when the tag has no quoted value
    int valueLength;
};

bool EqualsIgnoringCase(const wchar_t* text, int length, const wchar_t* word) {
    const int wordLength = static_cast<int>(wcslen(word));
    if (length != wordLength) return false;
    for (int i = 0; i < length; ++i) {
        if (towlower(text[i]) != word[i]) return false;
    }
    return true;
}

TagKind TagKindOf(const wchar_t* name, int length) {
    if (length == 1) {
        switch (towlower(name[0])) {
        case L'a': return kTagLink;
        case L'b': return kTagBold;
        case L'i': return kTagItalic;
        case L's': return kTagStrike;
        case L'u': return kTagUnderline;
        default: return kTagNone;
        }
    }
    return EqualsIgnoringCase(name, length, L"color") ? kTagColor : kTagNone;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// "rrggbb" as a COLORREF; false unless exactly six hex digits.
bool ParseColor(const wchar_t* text, int length, COLORREF& color) {
    if (!text || length != 6) return false;
    int value[6];
    for (int i = 0; i < 6; ++i) {
        value[i] = HexDigit(text[i]);
        if (value[i] < 0) return false;
    }
    color = RGB(value[0] * 16 + value[1], value[2] * 16 + value[3], value[4] * 16 + value[5]);
    return true;
}

// Reads the tag that starts at p ('<') and updates the stack; returns the
// position after its '>' (or the end of the text).
const wchar_t* ReadTag(const wchar_t* p, const wchar_t* end, std::vector<TagEntry>& stack) {
    ++p;
    const bool closing = p < end && *p == L'/';
    if (closing) ++p;
    const wchar_t* name = p;
    while (p < end && *p != L' ' && *p != L'>') ++p;
    const TagKind kind = TagKindOf(name, static_cast<int>(p - name));

    while (p < end && *p == L' ') ++p;
    const wchar_t* attributeName = p;
    while (p < end && *p != L'=' && *p != L' ' && *p != L'>') ++p;
    const int attributeNameLength = static_cast<int>(p - attributeName);
    while (p < end && *p == L' ') ++p;
    const wchar_t* value = nullptr;
    int valueLength = 0;
    if (p < end && *p == L'=') {
        ++p;
        while (p < end && *p == L' ') ++p;
        if (p < end && *p == L'"') {
            value = ++p;
            while (p < end && *p != L'"') ++p;
            valueLength = static_cast<int>(p - value);
            if (p < end) ++p;
        }
    }
    while (p < end && *p != L'>') ++p;
    if (p < end) ++p;

    if (kind == kTagNone) return p;
    if (!closing) {
        stack.push_back({kind, attributeName, attributeNameLength, value, valueLength});
        return p;
    }
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if (it->kind == kind) {
            stack.erase(std::next(it).base());
            break;
        }
    }
    return p;
}

struct RunStyle {
    uint32_t style = 0;
    COLORREF color = 0;
    const wchar_t* target = nullptr;
    int targetLength = 0;
};

RunStyle StyleOf(const std::vector<TagEntry>& stack, COLORREF defaultColor) {
    RunStyle run;
    run.color = defaultColor;
    bool explicitColor = false;
    for (const TagEntry& tag : stack) {
        switch (tag.kind) {
        case kTagLink:
            if (tag.value && EqualsIgnoringCase(tag.attributeName, tag.attributeNameLength, L"href")) {
                run.style |= CFormattedText::kStyleLink;
                run.target = tag.value;
                run.targetLength = tag.valueLength;
            }
            break;
        case kTagBold: run.style |= CFormattedText::kStyleBold; break;
        case kTagItalic: run.style |= CFormattedText::kStyleItalic; break;
        case kTagStrike: run.style |= CFormattedText::kStyleStrikeOut; break;
        case kTagUnderline: run.style |= CFormattedText::kStyleUnderline; break;
        case kTagColor:
            explicitColor = EqualsIgnoringCase(tag.attributeName, tag.attributeNameLength, L"cr") &&
                            ParseColor(tag.value, tag.valueLength, run.color);
            if (!explicitColor) run.color = defaultColor;
            break;
        case kTagNone: break;
        }
    }
    if (run.style & CFormattedText::kStyleLink) {
        run.style |= CFormattedText::kStyleUnderline;
        if (!explicitColor) run.color = CFormattedText::kLinkColor;
    }
    return run;
}

// A line may end after this character: a space, a character beyond Latin-1,
// or one followed by such a character.
bool IsBreakAfter(const wchar_t* text, int length, int i) {
    return text[i] == L' ' || text[i] > 0xFF || (i + 1 < length && text[i + 1] > 0xFF);
}

int WordEnd(const wchar_t* text, int length, int start) {
    int end = start;
    while (end < length && text[end] != L' ') {
        if (IsBreakAfter(text, length, end++)) break;
    }
    return end;
}

class GdiMeasurer : public ITextMeasurer {
public:
    GdiMeasurer(HDC dc, CFormattedText& owner) : m_dc(dc), m_owner(owner) {}

    void SelectStyle(uint32_t style) override { SelectObject(m_dc, m_owner.GetFont(style)); }

    int GetLineHeight() override {
        TEXTMETRICW metrics = {};
        GetTextMetricsW(m_dc, &metrics);
        return metrics.tmHeight;
    }

    int FitText(const wchar_t* text, int length, int maxExtent, int& fitExtent) override {
        m_extents.resize(static_cast<size_t>(length > 0 ? length : 1));
        INT fit = 0;
        SIZE size = {};
        if (!GetTextExtentExPointW(m_dc, text, length, maxExtent, &fit, m_extents.data(), &size)) fit = 0;
        fitExtent = fit > 0 ? m_extents[static_cast<size_t>(fit - 1)] : 0;
        return fit;
    }

    int GetTextExtent(const wchar_t* text, int length) override {
        SIZE size = {};
        GetTextExtentPoint32W(m_dc, text, length, &size);
        return size.cx;
    }

private:
    HDC m_dc;
    CFormattedText& m_owner;
    std::vector<INT> m_extents;
};

}  // namespace

struct CFormattedText::Walk {
    ITextMeasurer& measurer;
    int width;
    std::vector<Piece>* pieces;  // null when only measuring
    std::vector<Link>* links;
    int x;
    int y;
    int lineHeight;
    int maxX;
};

CFormattedText::CFormattedText() { SetFontFace(L"微软雅黑"); }

CFormattedText::~CFormattedText() { ClearFonts(); }

void CFormattedText::ClearFonts() {
    for (auto& font : m_fonts) DeleteObject(font.second);
    m_fonts.clear();
}

void CFormattedText::SetText(const wchar_t* text, int length) {
    if (!text) text = L"";
    if (length < 0) length = static_cast<int>(wcslen(text));
    m_text.assign(text, static_cast<size_t>(length));
    ClearFonts();
    m_pieces.clear();
    m_links.clear();
    m_laidOut = false;
}

void CFormattedText::SetFontFace(const wchar_t* face) {
    wcsncpy(m_faceName, face ? face : L"", 31);
    m_faceName[31] = 0;
    ClearFonts();
    m_laidOut = false;
}

void CFormattedText::SetFontSize(int pixels) {
    m_fontSize = pixels;
    ClearFonts();
    m_laidOut = false;
}

HFONT CFormattedText::GetFont(uint32_t style) {
    style &= ~kStyleLink;
    auto found = m_fonts.find(style);
    if (found != m_fonts.end()) return found->second;
    LOGFONTW lf = {};
    lf.lfHeight = -m_fontSize;
    lf.lfWeight = (style & kStyleBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style & kStyleItalic) ? TRUE : FALSE;
    lf.lfUnderline = (style & kStyleUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (style & kStyleStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcscpy(lf.lfFaceName, m_faceName);
    HFONT font = CreateFontIndirectW(&lf);
    m_fonts[style] = font;
    return font;
}

void CFormattedText::WalkText(Walk& walk) const {
    walk.measurer.SelectStyle(0);
    walk.lineHeight = walk.measurer.GetLineHeight();
    if (m_flags & kNoLayout) return;

    std::vector<TagEntry> stack;
    const wchar_t* p = m_text.c_str();
    const wchar_t* end = p + m_text.size();
    const wchar_t* runStart = p;
    auto flushRun = [&](const wchar_t* runEnd) {
        if (runEnd <= runStart) return;
        const RunStyle run = StyleOf(stack, m_defaultColor);
        LayoutRun(walk, runStart, static_cast<int>(runEnd - runStart), run.style, run.color, run.target,
                  run.targetLength);
    };
    while (p < end) {
        if (*p != L'<') {
            ++p;
            continue;
        }
        flushRun(p);
        if (p + 1 < end && p[1] == L'<') {
            // "<<" is a literal '<': the second one starts the next run.
            runStart = p + 1;
            p += 2;
            continue;
        }
        p = ReadTag(p, end, stack);
        runStart = p;
    }
    flushRun(end);
}

void CFormattedText::LayoutRun(Walk& walk, const wchar_t* run, int length, uint32_t style, COLORREF color,
                               const wchar_t* target, int targetLength) const {
    walk.measurer.SelectStyle(style & ~kStyleLink);
    if ((style & kStyleLink) && walk.links) walk.links->push_back({{}, target, targetLength});
    const wchar_t* segment = run;
    const wchar_t* end = run + length;
    for (;;) {
        const wchar_t* lineEnd = segment;
        while (lineEnd + 1 < end && !(lineEnd[0] == L'\r' && lineEnd[1] == L'\n')) ++lineEnd;
        if (lineEnd + 1 >= end) lineEnd = end;
        LayoutSegment(walk, segment, static_cast<int>(lineEnd - segment), style, color);
        if (lineEnd == end) break;
        walk.x = 0;
        walk.y += walk.lineHeight;
        segment = lineEnd + 2;
    }
}

void CFormattedText::LayoutSegment(Walk& walk, const wchar_t* text, int length, uint32_t style,
                                   COLORREF color) const {
    auto addPiece = [&](int start, int count, int extent) {
        walk.maxX = std::max(walk.maxX, walk.x + extent);
        if (!walk.pieces) return;
        walk.pieces->push_back({text + start, count, walk.x, walk.y, style, color});
        if (style & kStyleLink) walk.links->back().rects.push_back(UIRect(walk.x, walk.y, extent, walk.lineHeight));
    };
    const bool wrap = !(m_flags & kNoWrap);
    bool first = true;
    int pos = 0;
    while (pos < length) {
        const int rest = length - pos;
        int fitExtent = 0;
        const int fit = walk.measurer.FitText(text + pos, rest, std::max(walk.width - walk.x, 0), fitExtent);
        if (fit >= rest || !wrap) {
            // Unwrapped, the segment keeps to its line: what does not fit there
            // is not shown.
            const int count = std::min(fit, rest);
            if (count > 0) addPiece(pos, count, fitExtent);
            walk.x += fitExtent;
            return;
        }
        int count = -1;
        for (int k = fit - 1; k >= 0; --k) {
            if (IsBreakAfter(text, length, pos + k)) {
                count = k + 1;
                break;
            }
        }
        if (count < 0) count = first ? 0 : fit;
        if (count < fit) {
            // A word too long for any line is broken where the line ends.
            const int wordStart = pos + count;
            const int wordEnd = WordEnd(text, length, wordStart);
            if (walk.measurer.GetTextExtent(text + wordStart, wordEnd - wordStart) > walk.width) count = fit;
        }
        if (walk.x == 0 && count == 0) count = 1;
        if (count > 0) {
            addPiece(pos, count, count == fit ? fitExtent : walk.measurer.GetTextExtent(text + pos, count));
        }
        walk.y += walk.lineHeight;
        walk.x = 0;
        pos += count;
        first = false;
    }
}

void CFormattedText::Layout(ITextMeasurer& measurer, int width) {
    m_pieces.clear();
    m_links.clear();
    Walk walk{measurer, std::max(width, 1), &m_pieces, &m_links, 0, 0, 0, 0};
    WalkText(walk);
    m_lineHeight = walk.lineHeight;
    m_layoutWidth = width;
    m_laidOut = true;
}

SIZE CFormattedText::Measure(ITextMeasurer& measurer, int maxWidth) {
    Walk walk{measurer, std::max(maxWidth, 1), nullptr, nullptr, 0, 0, 0, 1};
    WalkText(walk);
    return SIZE{walk.maxX, walk.y + walk.lineHeight};
}

SIZE CFormattedText::Measure(HDC dc, int maxWidth) {
    const int saved = SaveDC(dc);
    GdiMeasurer measurer(dc, *this);
    const SIZE size = Measure(measurer, maxWidth);
    RestoreDC(dc, saved);
    return size;
}

void CFormattedText::Draw(HDC dc, const RECT& rect) {
    // SaveDC keeps the caller's font, colours, background mode and clip.
    const int saved = SaveDC(dc);
    SetBkMode(dc, TRANSPARENT);
    const int width = rect.right - rect.left;
    if (!m_laidOut || width != m_layoutWidth) {
        GdiMeasurer measurer(dc, *this);
        Layout(measurer, width);
    }
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    const int height = rect.bottom - rect.top;
    for (const Piece& piece : m_pieces) {
        if (piece.y > height) break;
        SetTextColor(dc, piece.color);
        SelectObject(dc, GetFont(piece.style));
        TextOutW(dc, rect.left + piece.x, rect.top + piece.y, piece.text, piece.length);
    }
    RestoreDC(dc, saved);
}

int CFormattedText::HitTestLink(POINT pt, const wchar_t** target, int* length) const {
    for (size_t i = 0; i < m_links.size(); ++i) {
        for (const UIRect& rect : m_links[i].rects) {
            if (rect.PtInRect(pt.x, pt.y)) {
                if (target) *target = m_links[i].target;
                if (length) *length = m_links[i].targetLength;
                return static_cast<int>(i);
            }
        }
    }
    if (target) *target = nullptr;
    if (length) *length = 0;
    return -1;
}

const CFormattedText::Link* CFormattedText::GetLink(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_links.size()) return nullptr;
    return &m_links[static_cast<size_t>(index)];
}

}  // namespace wendaldui
