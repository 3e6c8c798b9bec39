// A part of the screen saved as a PNG file: the tests' screenshots and the
// end-to-end probe's captures. GDI+ must have been started.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// False when the area is empty or the picture cannot be encoded or written.
bool SaveScreenAreaAsPng(const RECT& area, const wchar_t* path);
// The area's colours, 0x00RRGGBB row by row from the top; false when empty.
bool ReadScreenArea(const RECT& area, std::vector<uint32_t>* pixels);
