#include "launcher/ErrorMsg.h"

#include <gtest/gtest.h>

namespace {

class Failing : public trelm::launcher::ErrorMsg {
public:
    bool Run(const wchar_t* path) { return Fail(L"读取文件失败:%s", path); }
};

TEST(ErrorMsg, FailKeepsTheFormattedTextAndReturnsFalse) {
    Failing manager;
    EXPECT_TRUE(manager.GetErrorMsg().IsEmpty());
    EXPECT_FALSE(manager.Run(L"C:\\a.json"));
    EXPECT_STREQ(L"读取文件失败:C:\\a.json", manager.GetErrorMsg().GetString());
}

}  // namespace
