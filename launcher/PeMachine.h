// The processor an executable was built for, read from its PE header, so the
// launcher can tell a 64-bit java.exe from a 32-bit one without running it.
#pragma once

namespace trelm {
namespace launcher {

enum PeMachineResult {
    kPeMachineOk = 0,
    kPeMachineUnreadable = 1,   // the file cannot be opened or mapped
    kPeMachineUnsupported = 2,  // no PE file, or one for another processor
};

enum PeMachineType {
    kPeMachineI386 = 0,
    kPeMachineAmd64 = 1,
};

// machine receives a PeMachineType on success only; isDll is set as soon as
// the file header was read. Every read stays inside the file: a short file or
// a header offset past its end is kPeMachineUnsupported.
int ReadPeMachine(const wchar_t* path, int* machine, bool* isDll);

}  // namespace launcher
}  // namespace trelm
