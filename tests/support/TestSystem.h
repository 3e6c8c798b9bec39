// Which Windows a test run stands for. The test entries run in two Wine
// prefixes: the 32-bit one is a 32-bit Windows (no WOW64, one registry
// view); in the 64-bit one this 32-bit program runs under WOW64 beside
// separate 32- and 64-bit registry views, as on most players' machines.
// Tests whose results differ between the two (suites named *BySystem) check
// with this that the process really is on the system its entry chose.
#pragma once

#include <string>

namespace testing_support {

// True in the 64-bit prefix: WINEARCH is "win64" (the scripts set it, and
// Wine hands it on to the program).
bool InWin64Prefix();

// A Java runtime as its installer registers it (HKLM\SOFTWARE\JavaSoft\Java
// Runtime Environment\<version>, value JavaHome), in the 32- or the 64-bit
// registry view, removed again with the object; so are the parent keys it
// had to make. A 32-bit system has one view, which both names reach.
class RegisteredJava {
public:
    // Throws std::runtime_error when the key exists already or cannot be made.
    RegisteredJava(const std::wstring& version, const std::wstring& home, bool view64);
    ~RegisteredJava();
    RegisteredJava(const RegisteredJava&) = delete;
    RegisteredJava& operator=(const RegisteredJava&) = delete;

private:
    std::wstring m_version;
    unsigned long m_view;
    bool m_madeJavaSoft = false, m_madeBase = false;
};

}  // namespace testing_support
