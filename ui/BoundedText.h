// Bounds for texts from outside (game output, server answers, download
// addresses) on their way into the launcher's rich edits. Wine's rich edit
// lays a paragraph out in time and memory that grow with the square of its
// length: one line of 32,000 characters took 3.8 s and 190 MB, one of 256
// characters about a millisecond and 20 KB; and it keeps 50 to 100 bytes a
// character.
#pragma once

#include "core/WString.h"

namespace trelm {
namespace ui {

// A longer line is shown in rows of this many characters.
constexpr int kMaxRowChars = 256;
// Of a longer line only this many characters are shown, then a note of how
// many were left out; the game's own command line (32,767 at most) fits.
constexpr int kMaxLineChars = 32768;

// Appends `length` characters of text to out as they may be shown: every
// line at most kMaxLineChars, in rows of at most kMaxRowChars, and at most
// maxChars characters of it in all; a note says what was left out. Line
// ends are kept as they are.
void AppendBoundedText(WString& out, const wchar_t* text, int length, int maxChars);
WString BoundedText(const WString& text, int maxChars);

}  // namespace ui
}  // namespace trelm
