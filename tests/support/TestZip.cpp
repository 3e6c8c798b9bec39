#include "tests/support/TestZip.h"

#include <gtest/gtest.h>
#include <zip.h>

#include "core/FileUtils.h"
#include "tests/support/TestPaths.h"

namespace testing_support {

void BuildZip(const std::wstring& path, const std::vector<TestZipEntry>& entries) {
    ASSERT_TRUE(CreateParentDirectory(path.c_str())) << Narrow(path);
    int error = 0;
    zip_t* zip = zip_open(Narrow(path).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(nullptr, zip) << "libzip error " << error;
    for (const TestZipEntry& e : entries) {
        // libzip reads the data at zip_close; the entries outlive it.
        zip_source_t* source = zip_source_buffer(zip, e.data.data(), e.data.size(), 0);
        const zip_int64_t index = zip_file_add(zip, Narrow(e.name).c_str(), source, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(index, 0) << Narrow(e.name);
        if (e.stored) {
            ASSERT_EQ(0, zip_set_file_compression(zip, index, ZIP_CM_STORE, 0));
        }
    }
    ASSERT_EQ(0, zip_close(zip)) << zip_strerror(zip);
}

}  // namespace testing_support
