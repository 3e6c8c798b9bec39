// Which Windows a test run stands for. The test entries run in two Wine
// prefixes: the 32-bit one is a 32-bit Windows (no WOW64, one registry
// view); in the 64-bit one this 32-bit program runs under WOW64 beside
// separate 32- and 64-bit registry views, as on most players' machines.
// Tests whose results differ between the two (suites named *BySystem) check
// with this that the process really is on the system its entry chose.
#pragma once

namespace testing_support {

// True in the 64-bit prefix: WINEARCH is "win64" (the scripts set it, and
// Wine hands it on to the program).
bool InWin64Prefix();

}  // namespace testing_support
