// A part of the screen saved as a PNG file: the tests' screenshots and the
// end-to-end probe's captures. GDI+ must have been started.
#pragma once

#include <windows.h>

// False when the area is empty or the picture cannot be encoded or written.
bool SaveScreenAreaAsPng(const RECT& area, const wchar_t* path);
