// Text resources compiled into the executable.
#pragma once

#include <windows.h>

#include "core/WString.h"

// The UTF-8 text resource of type "TXT" and id 117 (the About dialog's text);
// false when the module has none, it is empty or cannot be locked.
bool LoadUtf8TextResource(HMODULE module, WString* out);
