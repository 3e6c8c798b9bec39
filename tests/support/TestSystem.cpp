#include "tests/support/TestSystem.h"

#include <windows.h>

namespace testing_support {

bool InWin64Prefix() {
    wchar_t arch[16] = {};
    const DWORD n = GetEnvironmentVariableW(L"WINEARCH", arch, 16);
    return n > 0 && n < 16 && lstrcmpiW(arch, L"win64") == 0;
}

}  // namespace testing_support
