// A stand-in for unpack200.exe, called as
//   "<unpacker>" "<pack file>" "<jar file>"
// with names relative to its working folder.
//
// It follows a script read from its own folder: "<exe name>.txt" (for
// unpack200.exe: unpack200.txt) when present, else "fake_unpack200.txt".
// One directive per line; blank lines and lines starting with "#" are
// skipped:
//
//   record=<file>        append a start record (command line, working folder,
//                        environment; format in StartRecord.h) to <file>
//   copy                 copy the pack file's bytes to the jar file; when
//                        that fails, say why on standard error and exit 2
//   sleep=<ms>           pause, e.g. past the caller's time-out
//   waitfile=<file>      pause until <file> exists (at most two minutes)
//   stdout=<text>, stderr=<text>, stdout.raw=<text>, stderr.raw=<text>,
//   writefile=<file>|<text>, window=1
//                        as for the fake Java (see fake_java.cpp)
//   exit=<code>          stop now with <code>; the end of the script exits 0
//
// No script means: do nothing and exit 0. An unknown key writes a message
// to standard error and exits with 99.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "tools/fake_common/FakeRunner.h"
#include "tools/fake_common/FakeScript.h"

namespace {

long long CopyPackToJar(const fake_tool::Directive&) {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args == nullptr || count < 3) {
        fake_tool::FakeRunner::Write(STD_ERROR_HANDLE, "fake unpack200: expected a pack file and a jar file\r\n");
        if (args) LocalFree(args);
        return 2;
    }
    const std::wstring pack = args[1];
    const std::wstring jar = args[2];
    LocalFree(args);
    if (!CopyFileW(pack.c_str(), jar.c_str(), FALSE)) {
        fake_tool::FakeRunner::Write(STD_ERROR_HANDLE, "fake unpack200: cannot copy " + fake_tool::WideToUtf8(pack) +
                                                           " to " + fake_tool::WideToUtf8(jar) + " (error " +
                                                           std::to_string(GetLastError()) + ")\r\n");
        return 2;
    }
    return fake_tool::FakeRunner::kContinue;
}

}  // namespace

int main() {
    const fake_tool::FakeScript script = fake_tool::FakeScript::LoadBesideExecutable(L"fake_unpack200.txt");
    fake_tool::FakeRunner runner(script);
    runner.WriteRecords();
    ExitProcess(runner.Run([](const fake_tool::Directive& directive) {
        return directive.key == "copy" ? CopyPackToJar(directive) : fake_tool::FakeRunner::kUnknownKey;
    }));
}
