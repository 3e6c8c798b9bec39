#include "core/ProcessStart.h"

#include <vector>

bool StartProcess(const WString& commandLine, SECURITY_ATTRIBUTES* processAttributes, bool inheritHandles,
                  const wchar_t* workingDirectory, STARTUPINFOW* startup, PROCESS_INFORMATION* process) {
    std::vector<wchar_t> writable(commandLine.GetString(), commandLine.GetString() + commandLine.GetLength() + 1);
    return CreateProcessW(nullptr, writable.data(), processAttributes, nullptr, inheritHandles ? TRUE : FALSE, 0,
                          nullptr, workingDirectory, startup, process) != FALSE;
}
