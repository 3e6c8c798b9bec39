// Zip archives (jars, natives, installers) built by the tests with libzip.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct TestZipEntry {
    std::wstring name;  // stored as UTF-8
    std::string data;
    bool stored = false;  // no compression, so tests can damage the bytes in place
};

// Writes the archive, entries in index order; a failure is a test failure
// (check with ASSERT_NO_FATAL_FAILURE).
void BuildZip(const std::wstring& path, const std::vector<TestZipEntry>& entries);

}  // namespace testing_support
