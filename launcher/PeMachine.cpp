#include "launcher/PeMachine.h"

#include <windows.h>

#include <cstdint>

#include "core/ScopedHandle.h"

namespace trelm {
namespace launcher {

namespace {

constexpr uint64_t kDosHeaderSize = 64;
constexpr uint32_t kLfanewOffset = 60;
// The "PE\0\0" signature and the 20-byte file header.
constexpr uint64_t kNtHeadersReadSize = 24;
constexpr uint32_t kMachineOffset = 4;
constexpr uint32_t kCharacteristicsOffset = 22;

class ScopedView {
public:
    ScopedView(HANDLE mapping, uint64_t size)
        : m_data(static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(size)))) {}
    ~ScopedView() {
        if (m_data) UnmapViewOfFile(m_data);
    }
    ScopedView(const ScopedView&) = delete;
    ScopedView& operator=(const ScopedView&) = delete;

    const uint8_t* Data() const { return m_data; }

private:
    const uint8_t* m_data;
};

// The header fields are little-endian at any alignment.
uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

int ReadPeMachine(const wchar_t* path, int* machine, bool* isDll) {
    ScopedHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file.IsValid()) return kPeMachineUnreadable;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size)) return kPeMachineUnreadable;
    const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
    // A view may reach into the rest of its last page, which past the end of
    // the file reads as zeros; the size is what bounds the header.
    if (fileSize < kDosHeaderSize) return kPeMachineUnsupported;

    ScopedHandle mapping(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping.IsValid()) return kPeMachineUnreadable;

    uint32_t ntOffset = 0;
    {
        ScopedView dos(mapping.Get(), kDosHeaderSize);
        if (!dos.Data()) return kPeMachineUnreadable;
        if (ReadU16(dos.Data()) != IMAGE_DOS_SIGNATURE) return kPeMachineUnsupported;
        // e_lfanew is signed in the header; a negative one points nowhere.
        const int32_t lfanew = static_cast<int32_t>(ReadU32(dos.Data() + kLfanewOffset));
        if (lfanew < 0) return kPeMachineUnsupported;
        ntOffset = static_cast<uint32_t>(lfanew);
    }
    const uint64_t headerEnd = uint64_t{ntOffset} + kNtHeadersReadSize;
    if (headerEnd > fileSize) return kPeMachineUnsupported;

    ScopedView headers(mapping.Get(), headerEnd);
    if (!headers.Data()) return kPeMachineUnreadable;
    const uint8_t* nt = headers.Data() + ntOffset;
    if (ReadU32(nt) != IMAGE_NT_SIGNATURE) return kPeMachineUnsupported;
    *isDll = (ReadU16(nt + kCharacteristicsOffset) & IMAGE_FILE_DLL) != 0;
    switch (ReadU16(nt + kMachineOffset)) {
    case IMAGE_FILE_MACHINE_I386:
        *machine = kPeMachineI386;
        return kPeMachineOk;
    case IMAGE_FILE_MACHINE_AMD64:
        *machine = kPeMachineAmd64;
        return kPeMachineOk;
    default:
        return kPeMachineUnsupported;
    }
}

}  // namespace launcher
}  // namespace trelm
