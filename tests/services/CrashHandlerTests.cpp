#include <windows.h>
#include <dbghelp.h>

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

#include "core/Win32Error.h"
#include "services/CrashHandler.h"
#include "tests/support/TestPaths.h"

using testing_support::Narrow;
using testing_support::ReadBytes;
using testing_support::TempDir;

namespace {

std::wstring FromUtf16Bytes(const std::string& bytes) {
    std::wstring text(bytes.size() / 2, L'\0');
    if (!text.empty()) std::memcpy(&text[0], bytes.data(), text.size() * 2);
    return text;
}

std::wstring ChildExe() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"services_crash_child.exe";
}

// The payload of the dump's first stream of the type; empty when absent.
std::string DumpStream(const std::string& dump, ULONG32 type) {
    if (dump.size() < sizeof(MINIDUMP_HEADER)) return std::string();
    MINIDUMP_HEADER header;
    std::memcpy(&header, dump.data(), sizeof header);
    for (ULONG32 i = 0; i < header.NumberOfStreams; ++i) {
        const size_t at = header.StreamDirectoryRva + i * sizeof(MINIDUMP_DIRECTORY);
        if (at + sizeof(MINIDUMP_DIRECTORY) > dump.size()) break;
        MINIDUMP_DIRECTORY entry;
        std::memcpy(&entry, dump.data() + at, sizeof entry);
        if (entry.StreamType != type) continue;
        if (static_cast<size_t>(entry.Location.Rva) + entry.Location.DataSize > dump.size()) break;
        return dump.substr(entry.Location.Rva, entry.Location.DataSize);
    }
    return std::string();
}

struct ChildCrash {
    const wchar_t* argument;  // for services_crash_child.exe
    DWORD code;
    const wchar_t* codeText;  // as the message shows it
    const wchar_t* name;
    const wchar_t* information;  // a pattern
    bool reported;  // else the process ends without dump or message
};

const ChildCrash kChildCrashes[] = {
    {L"", EXCEPTION_ACCESS_VIOLATION, L"C0000005", L"EXCEPTION_ACCESS_VIOLATION",
     L"0x00000001,0x00000010,0x00000000", true},
    // Too little stack is left on the thread for the dump writer.
    {L"stack_overflow", EXCEPTION_STACK_OVERFLOW, L"C00000FD", L"EXCEPTION_STACK_OVERFLOW",
     L"0x[0-9A-F]{8},0x[0-9A-F]{8},0x[0-9A-F]{8}", true},
    // The report cannot be made, but the process must still end.
    {L"stack_overflow_heap_locked", EXCEPTION_STACK_OVERFLOW, L"C00000FD", L"EXCEPTION_STACK_OVERFLOW", L"",
     false},
};

TEST(CrashHandler, ChildCrashLeavesDumpAndMessage) {
    for (const ChildCrash& crash : kChildCrashes) {
        SCOPED_TRACE(Narrow(crash.name));
        TempDir dir;
        std::wstring exe = ChildExe();
        std::wstring commandLine = L"\"" + exe + L"\" " + crash.argument;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   dir.Path().c_str(), &startup, &process))
            << Narrow(exe);
        CloseHandle(process.hThread);
        const ULONGLONG start = GetTickCount64();
        const DWORD waited = WaitForSingleObject(process.hProcess, 120000);
        const ULONGLONG elapsed = GetTickCount64() - start;
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        ASSERT_EQ(WAIT_OBJECT_0, waited);
        // The child ends with the exception code once the filter returned
        // EXCEPTION_CONTINUE_SEARCH.
        EXPECT_EQ(crash.code, exitCode);
        if (!crash.reported) {
            // The crashed thread waits 10 s for the dump, then lets go.
            EXPECT_GE(elapsed, 9000u);
            EXPECT_LT(elapsed, 60000u);
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"crash_message.txt").c_str()));
            continue;
        }

        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((dir / L"quorvel_launcher\\crash_dump\\*.dmp").c_str(), &found);
        ASSERT_NE(INVALID_HANDLE_VALUE, search) << "no dump written";
        EXPECT_FALSE(FindNextFileW(search, &found)) << "more than one dump";
        FindClose(search);
        const std::wstring name = found.cFileName;
        EXPECT_TRUE(std::regex_match(name, std::wregex(L"20\\d{6}_\\d{9}\\.dmp"))) << Narrow(name);

        const std::string dump = ReadBytes(dir / (L"quorvel_launcher\\crash_dump\\" + name));
        ASSERT_GE(dump.size(), 4u);
        EXPECT_EQ("MDMP", dump.substr(0, 4));
        const std::wstring comment = FromUtf16Bytes(DumpStream(dump, CommentStreamW));
        EXPECT_TRUE(std::regex_match(
            comment, std::wregex(L"1\\.2\\.4\\.0-release;\\w{3} [ \\d]\\d \\d{4} \\d\\d:\\d\\d:\\d\\d;")))
            << Narrow(comment);
        const std::string exception = DumpStream(dump, ExceptionStream);
        ASSERT_GE(exception.size(), sizeof(MINIDUMP_EXCEPTION_STREAM));
        MINIDUMP_EXCEPTION_STREAM record;
        std::memcpy(&record, exception.data(), sizeof record);
        EXPECT_EQ(static_cast<ULONG32>(crash.code), record.ExceptionRecord.ExceptionCode);
        // The thread that crashed, whichever thread wrote the dump.
        EXPECT_EQ(process.dwThreadId, record.ThreadId);

        const std::wstring message = FromUtf16Bytes(ReadBytes(dir / L"crash_message.txt"));
        const std::wregex expected(
            L"Minecraft QuorvelLauncher\\(TRELM\\)\n"
            L"QuorvelLauncher遇到了无法处理的错误，并且需要立刻关闭\r\nTRELMVersion:1\\.2\\.4\\.0-release\n"
            L"Module:0x[0-9A-F]{8}\\(services_crash_child\\.exe\\)\r\n"
            L"ExceptionCode:0x" + std::wstring(crash.codeText) + L"\\(" + crash.name + L"\\)\r\n"
            L"ExceptionAddress:0x[0-9A-F]{8}\\(services_crash_child\\.exe\\+0x[0-9A-F]{8}\\)\r\n"
            L"ExceptionInformation:" + crash.information + L"\r\n"
            L"MiniDump:quorvel_launcher\\\\crash_dump\\\\" + name);
        EXPECT_TRUE(std::regex_match(message, expected)) << Narrow(message);
    }
}

// Synthetic records, with the crash folder blocked by a file of that name
// so that no dump of the test process is written.
TEST(CrashHandler, MessageForSyntheticRecords) {
    TempDir dir;
    testing_support::WriteBytes(dir / L"quorvel_launcher", "not a folder");
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));

    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    void* const inKernel32 = reinterpret_cast<void*>(GetProcAddress(kernel32, "GetTickCount"));
    EXCEPTION_RECORD record{};
    CONTEXT context{};
    EXCEPTION_POINTERS pointers{&record, &context};

    WString path;
    const DWORD error = WriteCrashDump(&pointers, path);
    EXPECT_NE(0u, error);
    EXPECT_TRUE(path.IsEmpty());
    const WString reason = FormatWin32Error(error);

    record.ExceptionCode = 0xE0424242;
    record.ExceptionAddress = inKernel32;
    record.NumberParameters = 3;
    record.ExceptionInformation[0] = 7;
    record.ExceptionInformation[1] = 0xABCDEF;
    record.ExceptionInformation[2] = 1;
    const unsigned base = static_cast<unsigned>(reinterpret_cast<uintptr_t>(kernel32));
    const unsigned at = static_cast<unsigned>(reinterpret_cast<uintptr_t>(inKernel32));
    WString expected;
    expected.Format(L"QuorvelLauncher遇到了无法处理的错误，并且需要立刻关闭\r\nTRELMVersion:1.2.4.0-release\n"
                    L"Module:0x%08X(kernel32.dll)\r\nExceptionCode:0xE0424242(UNKNOWN EXCEPTION)\r\n"
                    L"ExceptionAddress:0x%08X(kernel32.dll+0x%08X)\r\n"
                    L"ExceptionInformation:0x00000007,0x00ABCDEF,0x00000001\r\nMiniDump:%s",
                    base, at, at - base, reason.GetString());
    EXPECT_EQ(Narrow(expected.GetString()), Narrow(BuildCrashMessage(&pointers).GetString()));

    // A call through a null pointer faults at 0, inside no module.
    record.ExceptionCode = EXCEPTION_INT_DIVIDE_BY_ZERO;
    record.ExceptionAddress = nullptr;
    const std::wstring text = BuildCrashMessage(&pointers).GetString();
    EXPECT_NE(std::wstring::npos, text.find(L"Module:0x00000000()\r\nExceptionCode:0xC0000094(EXCEPTION_INT_DIVIDE_BY_ZERO)\r\n"
                                            L"ExceptionAddress:0x00000000(+0x00000000)"))
        << Narrow(text);

    SetCurrentDirectoryW(previous);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"quorvel_launcher\\crash_dump").c_str()));
}

}  // namespace
