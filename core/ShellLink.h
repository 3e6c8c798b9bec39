// Desktop shortcuts (.lnk files).
#pragma once

// Writes a shell link to linkPath that starts target with arguments in
// workingDirectory. COM must already be initialised on the calling thread.
bool CreateShellLink(const wchar_t* target, const wchar_t* description, const wchar_t* linkPath,
                     const wchar_t* arguments, const wchar_t* workingDirectory);
