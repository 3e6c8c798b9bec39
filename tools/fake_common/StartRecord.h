// What a fake tool saw when it started, appended to a record file so a test
// can check the exact command line, folder and environment it was given.
//
// One record per start, UTF-8, each line "key=value":
//   begin
//   module=<path of the executable>
//   cmdline=<GetCommandLineW>
//   cwd=<working folder>
//   stdin=|stdout=|stderr=<pipe, file, char, none or unknown>
//   show=<wShowWindow, or empty when STARTF_USESHOWWINDOW is not set>
//   env=<NAME=value>          one line per entry, in block order
//   end
// Values escape "\" as "\\" and every UTF-16 unit below 0x20, and every
// lone surrogate, as "\uXXXX"; the rest is UTF-8. That keeps one value per
// line and round-trips any command line exactly.
#pragma once

#include <string>

namespace fake_tool {

std::string EscapeRecordValue(const std::wstring& value);
std::string BuildStartRecord();
// Appends in one write, one tool at a time, so two tools sharing a record
// file neither interleave nor write over each other.
bool AppendToFile(const std::wstring& path, const std::string& bytes);

}  // namespace fake_tool
