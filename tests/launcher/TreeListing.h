// Every file and folder below a folder, to show what a deletion or an
// install left behind.
#pragma once

#include <set>
#include <string>

namespace testing_support {

// Relative paths; folders end with "\".
std::set<std::wstring> ListTree(const std::wstring& folder);


}  // namespace testing_support
