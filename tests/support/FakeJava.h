// Fakes of the programs the launcher starts (tools/fake_java,
// tools/fake_unpack200), copied into a throw-away folder per test, with
// their scripts and the records of what they were started with.
#pragma once

#include <string>
#include <vector>

#include "tests/support/TestPaths.h"

namespace testing_support {

// One start of a fake tool, as its record file tells it.
struct FakeToolRun {
    std::wstring module;       // the executable that ran
    std::wstring commandLine;  // exactly as GetCommandLineW returned it
    std::wstring workingDir;
    std::string stdinKind, stdoutKind, stderrKind;  // "pipe", "file", "char", "none"
    std::string show;          // wShowWindow, empty without STARTF_USESHOWWINDOW
    std::vector<std::wstring> environment;  // "NAME=value", in block order

    // The variable's value (names in any case, as on Windows); false when absent.
    bool Env(const std::wstring& name, std::wstring* value) const;
};

// Every start in a record file, in order; none when the file is missing.
std::vector<FakeToolRun> ReadFakeToolRecord(const std::wstring& path);

// Under Wine the first window of a session starts the desktop process
// (explorer.exe /desktop), handing it the standard error of whichever
// process made that window. Were that a fake Java with a pipe the test
// reads, the pipe would never reach its end. This starts the desktop now,
// from the test itself with its standard error set aside; FakeJavaHome
// calls it.
void StartDesktopProcess();

// A file of the build tree, e.g. L"tools\\fake_java\\bin\\java.exe".
std::wstring BuildTreePath(const std::wstring& relative);

// A Java home holding bin\java.exe and bin\javaw.exe: the i686 fakes, or
// the x86-64 ones, which only a 64-bit system (the 64-bit prefix) can start.
class FakeJavaHome {
public:
    enum Bits { k32Bit, k64Bit };

    // Throws std::runtime_error when the fakes are not built.
    explicit FakeJavaHome(Bits bits = k32Bit);

    const std::wstring& Home() const { return m_dir.Path(); }  // ends with "\"
    std::wstring JavaExe() const { return Home() + L"bin\\java.exe"; }
    std::wstring JavawExe() const { return Home() + L"bin\\javaw.exe"; }
    std::wstring RecordPath() const { return Home() + L"record.txt"; }

    // The script both executables follow (bin\fake_java.txt); a record line
    // is put first. Lines as documented in tools/fake_java/fake_java.cpp.
    void SetScript(const std::string& lines);
    // A script for one of them only: L"java" or L"javaw" (bin\<name>.txt).
    void SetScript(const std::wstring& exeBaseName, const std::string& lines);
    std::vector<FakeToolRun> Runs() const { return ReadFakeToolRecord(RecordPath()); }

private:
    TempDir m_dir;
};

// A folder holding unpack200.exe.
class FakeUnpacker {
public:
    FakeUnpacker();  // throws std::runtime_error when the fake is not built

    const std::wstring& Folder() const { return m_dir.Path(); }  // ends with "\"
    std::wstring Exe() const { return Folder() + L"unpack200.exe"; }
    std::wstring RecordPath() const { return Folder() + L"record.txt"; }

    // Writes fake_unpack200.txt with a record line first; lines as documented
    // in tools/fake_unpack200/fake_unpack200.cpp.
    void SetScript(const std::string& lines);
    std::vector<FakeToolRun> Runs() const { return ReadFakeToolRecord(RecordPath()); }

private:
    TempDir m_dir;
};

}  // namespace testing_support
