// Plays a fake tool's script: output, pauses, a hidden window, files, the
// exit code. Tool-specific keys go to the tool's own handler.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "tools/fake_common/FakeScript.h"

namespace fake_tool {

class FakeRunner {
public:
    // Returns kUnknownKey for a key it does not know, kContinue to go on, or
    // an exit code to stop with.
    using Handler = std::function<long long(const Directive&)>;
    static constexpr long long kUnknownKey = -0x100000000LL;
    static constexpr long long kContinue = -0x100000001LL;

    explicit FakeRunner(const FakeScript& script) : m_script(script) {}

    // Writes the start record to every "record=" file first, wherever the
    // line stands, so even a script that fails early leaves its trace.
    void WriteRecords();
    // Returns the process exit code.
    UINT Run(const Handler& toolKeys);

    static void Write(DWORD which, const std::string& bytes);

private:
    void CreateHiddenWindow();
    void ShowOutOfTheWay();
    // Pumps messages meanwhile once a window exists, as a game would.
    void Wait(DWORD milliseconds, const std::wstring& untilFileExists);
    void PumpMessages();
    bool WriteFileDirective(const std::string& value);

    const FakeScript& m_script;
    HWND m_window = nullptr;
};

}  // namespace fake_tool
