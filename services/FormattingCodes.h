// The game's formatting codes (a section sign U+00A7 and one code character)
// in server descriptions and player names: removed for plain text, or turned
// into the UI's mark-up (<b>, <s>, <u>, <i>, <color cr="rrggbb">) for coloured
// text.
#pragma once

#include <windows.h>

#include "core/WString.h"

namespace mcmotd {

// out = text without every section sign and the character after it.
void StripFormattingCodes(const wchar_t* text, WString& out);

// out = one mark-up run per stretch of text between codes, each wrapped in a
// colour tag (defaultColor, a COLORREF, when no colour code precedes it) and
// in the tags of its flag codes. A '<' of the server's text is written as
// "<<", the mark-up's literal '<', so it is shown and never read as a tag.
void FormattingCodesToMarkup(const wchar_t* text, WString& out, COLORREF defaultColor);

}  // namespace mcmotd
