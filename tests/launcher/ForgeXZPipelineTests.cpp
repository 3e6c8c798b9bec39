// The unpacker run and the whole ".pack.xz" pipeline, with the fake
// unpack200.exe (its "copy" turns the pack, which is a jar here, into the jar).
#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/ForgeXZPipeline.h"
#include "launcher/Unpack200.h"
#include "tests/launcher/ForgeTestFiles.h"
#include "tests/support/FakeJava.h"
#include "tests/support/TestPaths.h"

namespace {

using namespace trelm::launcher;
using forge_test::DigestOf;
using forge_test::Exists;
using forge_test::FixtureBytes;
using forge_test::W2U;
using testing_support::FakeUnpacker;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

std::wstring Text(const WString& text) { return text.GetString(); }

// The batch's stop event.
class Event {
public:
    Event() : m_handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() { CloseHandle(m_handle); }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// ---------------------------------------------------------------- the unpacker's path

TEST(Unpack200Path, FollowsTheChosenRuntime) {
    struct Case {
        uint32_t origin;
        const wchar_t* path;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {kJavaFromRegistry, L"C:\\Program Files\\Java\\jre8\\", L"C:\\Program Files\\Java\\jre8\\bin\\unpack200.exe"},
        {kJavaAddedByPlayer, L"D:\\jdk\\bin\\javaw.exe", L"D:\\jdk\\bin\\unpack200.exe"},
        {kJavaAddedByPlayer, L"D:/jdk/bin/java.exe", L"D:/jdk/bin/unpack200.exe"},
        {0, L"E:\\odd\\java.exe", L"E:\\odd\\unpack200.exe"},  // any origin but the registry: the executable
    };
    for (const Case& c : cases) {
        JavaRuntimeInfo runtime;
        runtime.origin = c.origin;
        runtime.path = c.path;
        SetUnpack200PathFromJava(&runtime);
        EXPECT_EQ(std::wstring(c.expected), Text(GetUnpack200Path()));
    }
    SetUnpack200PathFromJava(nullptr);  // no runtime chosen changes nothing
    EXPECT_EQ(std::wstring(cases[3].expected), Text(GetUnpack200Path()));
    SetUnpack200Path(nullptr);
    EXPECT_TRUE(GetUnpack200Path().IsEmpty());
}

// ---------------------------------------------------------------- Unpack200JavaLibrary

class Unpack200Run : public testing::Test {
protected:
    void SetUp() override {
        SetUnpack200Path((unpacker.Folder() + L"javaw.exe").c_str());
        WriteBytes(work / L"lib.pack", std::string("pack\0bytes", 10));
    }
    void TearDown() override { SetUnpack200Path(nullptr); }

    bool Run(HANDLE abortEvent, DWORD timeoutMs, WString* message) {
        return Unpack200JavaLibrary(work.Path().c_str(), L"lib.pack", L"lib out.jar", abortEvent, message, timeoutMs);
    }

    FakeUnpacker unpacker;
    TempDir work;
};

TEST_F(Unpack200Run, RunsHiddenInTheFolderWithBothNames) {
    unpacker.SetScript("copy\n");
    WString message;
    ASSERT_TRUE(Run(nullptr, 60000, &message)) << W2U(message);
    EXPECT_EQ(std::string("pack\0bytes", 10), ReadBytes(work / L"lib out.jar"));
    const auto runs = unpacker.Runs();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ(L"\"" + unpacker.Exe() + L"\" \"lib.pack\" \"lib out.jar\"", runs[0].commandLine);
    EXPECT_EQ(work.Path().substr(0, work.Path().size() - 1), runs[0].workingDir);
    EXPECT_EQ(std::to_string(SW_HIDE), runs[0].show);
}

TEST_F(Unpack200Run, ExitCodesAreShownAsEightHexDigits) {
    const struct {
        const char* script;
        const char* message;
    } cases[] = {
        {"exit=0xC0000005\n", "Unpack200 exit with 0xC0000005"},
        {"copy\n", "Unpack200 exit with 0x00000002"},  // the fake's own failure: no such pack
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        unpacker.SetScript(c.script);
        WString message;
        EXPECT_FALSE(Unpack200JavaLibrary(work.Path().c_str(), L"absent.pack", L"x.jar", nullptr, &message, 60000));
        EXPECT_EQ(c.message, W2U(message));
    }
}

TEST_F(Unpack200Run, MissingPathOrProgramIsReported) {
    SetUnpack200Path(nullptr);
    WString message;
    EXPECT_FALSE(Run(nullptr, 60000, &message));
    EXPECT_EQ("Path of unpack200.exe is null ", W2U(message));

    SetUnpack200Path((work.Path() + L"no-java\\javaw.exe").c_str());
    EXPECT_FALSE(Run(nullptr, 60000, &message));
    EXPECT_EQ(0, message.Find(L"Failed to run unpack200 ")) << W2U(message);
    EXPECT_GT(message.GetLength(), 24);
}

// ---------------------------------------------------------------- the pipeline

class StatusLog : public IForgeXZStatusSink {
public:
    void OnForgeXZStatus(const wchar_t* text) override { texts.push_back(text); }
    std::vector<std::wstring> texts;
};

// Plays the download task: the body sits in target + ".dl", opened for
// reading and writing; after a failure the task closes and deletes it.
class ForgeXZPipelineRun : public testing::Test {
protected:
    void SetUp() override {
        // A non-ASCII folder: the jar is opened through its UTF-8 name.
        target = dir / L"库\\forge 1.0.jar";
        CreateDirectoryW((dir / L"库").c_str(), nullptr);
        SetUnpack200Path((unpacker.Folder() + L"javaw.exe").c_str());
        unpacker.SetScript("copy\n");
        accepted = {DigestOf("another accepted list"), DigestOf(FixtureBytes(L"lib.checksums.sha1"))};
    }
    void TearDown() override { SetUnpack200Path(nullptr); }

    bool Run(const wchar_t* body, WString* message, HANDLE stopEvent = nullptr, DWORD timeoutMs = 60000) {
        const std::wstring downloaded = target + L".dl";
        WriteBytes(downloaded, FixtureBytes(body));
        HANDLE file = forge_test::OpenReadWrite(downloaded);
        EXPECT_NE(INVALID_HANDLE_VALUE, file);
        ForgeXZPipeline pipeline(target.c_str(), accepted, stopEvent, &status);
        pipeline.SetUnpackTimeout(timeoutMs);
        handleClosed = true;
        const bool ok = pipeline.Run(file, &handleClosed, downloaded.c_str(), message);
        if (!handleClosed) CloseHandle(file);
        return ok;
    }

    // No file of the run is left but the ".dl", and only before it was unpacked.
    void ExpectNoLeftovers() {
        EXPECT_FALSE(Exists(target + L".dl.t"));
        EXPECT_FALSE(Exists(target + L".dl.jar"));
        if (handleClosed) {
            EXPECT_FALSE(Exists(target + L".dl"));
        }
    }

    TempDir dir;
    std::wstring target;
    FakeUnpacker unpacker;
    std::vector<ForgeChecksum> accepted;
    StatusLog status;
    bool handleClosed = false;
};

TEST_F(ForgeXZPipelineRun, PackBecomesAVerifiedJar) {
    WString message;
    ASSERT_TRUE(Run(L"lib.jar.pack.xz", &message)) << W2U(message);
    EXPECT_TRUE(handleClosed);
    ExpectNoLeftovers();
    EXPECT_EQ((std::vector<std::wstring>{L"正在验证Jar", L"正在解压", L"正在Unpack200", L"正在验证Jar"}), status.texts);

    // The jar holds the pack's entries and the signature as checksums.sha1,
    // and passes the check on its own.
    ASSERT_TRUE(Exists(target));
    const auto listed = forge_test::AcceptedDigestOfJar(target);
    ASSERT_EQ(1u, listed.size());
    EXPECT_EQ(0, memcmp(accepted[1].bytes, listed[0].bytes, sizeof listed[0].bytes));
    HANDLE jar = forge_test::OpenReadWrite(target);
    ASSERT_NE(INVALID_HANDLE_VALUE, jar);
    EXPECT_TRUE(VerifyForgeLibraryFile(jar, accepted, &message)) << W2U(message);
    CloseHandle(jar);

    const auto runs = unpacker.Runs();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ(L"\"" + unpacker.Exe() + L"\" \"forge 1.0.jar.dl.t\" \"forge 1.0.jar.dl.jar\"", runs[0].commandLine);
}

TEST_F(ForgeXZPipelineRun, PlainSignedJarIsMovedOntoTheTarget) {
    WriteBytes(target, "an older jar");
    WString message;
    ASSERT_TRUE(Run(L"signed.jar", &message)) << W2U(message);
    EXPECT_TRUE(handleClosed);
    EXPECT_TRUE(FixtureBytes(L"signed.jar") == ReadBytes(target));
    EXPECT_FALSE(Exists(target + L".dl"));
    EXPECT_TRUE(unpacker.Runs().empty());
    EXPECT_EQ(std::vector<std::wstring>{L"正在验证Jar"}, status.texts);
}

TEST_F(ForgeXZPipelineRun, JarThatCannotBeMovedOntoTheTargetFails) {
    CreateDirectoryW(target.c_str(), nullptr);  // a folder stands where the jar goes
    WriteBytes(target + L"\\keep.txt", "x");
    const std::string to = "到" + testing_support::Narrow(target);
    for (const auto& c : {std::make_pair(L"signed.jar", ".dl"), std::make_pair(L"lib.jar.pack.xz", ".dl.jar")}) {
        SCOPED_TRACE(c.second);
        WString message;
        EXPECT_FALSE(Run(c.first, &message));
        EXPECT_EQ("无法重命名文件 " + testing_support::Narrow(target) + c.second + to, W2U(message));
        EXPECT_FALSE(Exists(target + L".dl.t"));
        EXPECT_FALSE(Exists(target + L".dl.jar"));
        EXPECT_EQ("x", ReadBytes(target + L"\\keep.txt"));
        DeleteFileW((target + L".dl").c_str());  // as the task does after a failure
    }
}

TEST_F(ForgeXZPipelineRun, FailuresLeaveNoFilesAndKeepAnOldTarget) {
    struct Case {
        const char* what;
        const wchar_t* body;
        const char* script;
        const char* message;
        bool closesHandle;
        bool oldTarget;  // a jar was there before the run
        bool stop;
        DWORD timeoutMs;
    };
    const Case cases[] = {
        {"damaged xz", L"xz-corrupt.xz", "copy\n", "XZUncompress:lzma_code()=9", false, true, false, 60000},
        {"no SIGN trailer", L"lib-nosign.jar.pack.xz", "copy\n", "SplitForgeLibraryPack:signature missing SIGX", true,
         true, false, 60000},
        {"unpacker fails", L"lib.jar.pack.xz", "exit=3\n", "Unpack200JavaLibrary:Unpack200 exit with 0x00000003", true,
         true, false, 60000},
        {"unpacker writes nothing", L"lib.jar.pack.xz", "exit=0\n", "Failed to open jar", true, true, false, 60000},
        {"batch stopped", L"lib.jar.pack.xz", "sleep=60000\n", "Unpack200JavaLibrary:Aborted", true, true, true, 60000},
        {"unpacker hangs", L"lib.jar.pack.xz", "sleep=60000\n", "Unpack200JavaLibrary:Unpack200 timeout after 300ms",
         true, false, false, 300},
        {"entry digest wrong", L"lib-wrongdigest.jar.pack.xz", "copy\n",
         "VerifyForgeLibrary:data/blob.bin:checksum failure", true, false, false, 60000},
        {"entry digest wrong over an old jar", L"lib-wrongdigest.jar.pack.xz", "copy\n",
         "VerifyForgeLibrary:data/blob.bin:checksum failure", true, true, false, 60000},
    };
    accepted.push_back(DigestOf(FixtureBytes(L"lib-wrongdigest.checksums.sha1")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        status.texts.clear();
        unpacker.SetScript(c.script);
        DeleteFileW(target.c_str());
        if (c.oldTarget) WriteBytes(target, "an older jar");
        Event stop;
        if (c.stop) SetEvent(stop.Get());
        WString message;
        EXPECT_FALSE(Run(c.body, &message, stop.Get(), c.timeoutMs));
        EXPECT_EQ(c.message, W2U(message));
        EXPECT_EQ(c.closesHandle, handleClosed);
        ExpectNoLeftovers();
        if (c.oldTarget) {
            EXPECT_EQ("an older jar", ReadBytes(target));
        } else {
            EXPECT_FALSE(Exists(target));
        }
        DeleteFileW((target + L".dl").c_str());  // as the task does after a failure
    }
}

TEST_F(ForgeXZPipelineRun, UnwritableDecompressionFileIsReported) {
    CreateDirectoryW((target + L".dl.t").c_str(), nullptr);
    WString message;
    EXPECT_FALSE(Run(L"lib.jar.pack.xz", &message));
    EXPECT_FALSE(handleClosed);
    EXPECT_EQ(0, message.Find(L"创建文件失败 ")) << W2U(message);
    EXPECT_NE(-1, message.Find((L"," + target + L".dl.t").c_str())) << W2U(message);
    EXPECT_FALSE(Exists(target));
}

}  // namespace
