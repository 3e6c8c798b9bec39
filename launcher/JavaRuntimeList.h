// The Java runtimes the launcher can start the game with: those the Windows
// registry names and executables the player added, with the preferred one
// chosen by score. Touched by the UI thread only, so it takes no lock.
#pragma once

#include <cstdint>
#include <vector>

#include "core/WString.h"
#include "launcher/JavaRuntimeInfo.h"

namespace trelm {
namespace launcher {

// IsWow64Process, looked up at run time; a system without it is no WOW64.
bool ProcessRunsUnderWow64();

class JavaRuntimeList {
public:
    using Wow64Query = bool (*)();

    // Tests pass their own query: a 32-bit Wine prefix is never WOW64, and
    // the 64-bit registry view is only scanned on a 64-bit system.
    explicit JavaRuntimeList(Wow64Query isWow64 = &ProcessRunsUnderWow64) : m_isWow64(isWow64) {}

    // Replaces the list with the registry's runtimes; called once at start-up.
    bool Refresh();

    int GetCount() const { return static_cast<int>(m_runtimes.size()); }
    JavaRuntimeInfo* GetAt(int index);
    // The index ChooseBest gave at the last change; -1 for an empty list.
    int GetSelectedIndex() const { return m_selected; }

    // Appends a runtime the player added; returns its index.
    int Add(const wchar_t* path, const wchar_t* versionText, bool is64);
    // Add with the executable's file name as the version text.
    int AddUserJava(const wchar_t* executablePath, bool is64);
    // Only runtimes the player added can be removed.
    bool RemoveUserJava(int index);

    // The main window's tips: every runtime is too old, and a 64-bit Windows
    // runs only 32-bit runtimes. Both are false for an empty list.
    bool AllOlderThan(const uint32_t version[4]) const;
    bool Is64BitSystemWithout64BitJava() const;

    // The highest score, the earlier record on a tie; -1 for an empty list.
    int ChooseBest() const;

    // a*1000 + b*100 + c*10 + d, less 1000 from 1.9 on (whose numbering
    // starts again at 9), plus 100 for a 64-bit runtime. 64 bits wide: the
    // numbers come from registry key names and may be anything.
    static int64_t Score(const JavaRuntimeInfo& info);
    // "%u.%u.%u_%u"; numbers not read stay 0.
    static void ParseVersionText(const wchar_t* text, uint32_t version[4]);
    // SHA-1 over the path's UTF-16 bytes, the four version numbers and the
    // origin (each 4 bytes, little-endian), in lower-case hex.
    static WString MakeId(const JavaRuntimeInfo& info);

private:
    void ScanRegistry();
    void ScanRegistryView(bool view64);
    void AddFromRegistry(const WString& home, const wchar_t* keyName, bool is64);

    std::vector<JavaRuntimeInfo> m_runtimes;  // in the order they were found or added
    int m_selected = -1;
    Wow64Query m_isWow64;
};

// The launcher's one list, built empty before wWinMain and destroyed at exit.
extern JavaRuntimeList g_javaRuntimes;

}  // namespace launcher
}  // namespace trelm
