#include "launcher/RedirectSharedBlock.h"

#include <cstring>


namespace trelm {
namespace launcher {

namespace {

uint32_t LengthField(const WString& text) { return static_cast<uint32_t>(text.GetLength()) + 1; }

struct BlockHeader {
    uint32_t handles[4];
    uint32_t lengths[3];
};
static_assert(sizeof(BlockHeader) == kRedirectBlockHeaderSize, "the block header is seven 32-bit values");

uint32_t HandleValue(HANDLE handle) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)); }
HANDLE HandleFrom(uint32_t value) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value)); }

}  // namespace

uint32_t RedirectBlockSize(const RedirectSharedBlock& block) {
    return kRedirectBlockHeaderSize +
           2 * (LengthField(block.displayName) + LengthField(block.commandLine) + LengthField(block.workingDirectory));
}

HANDLE WriteRedirectSharedBlock(const RedirectSharedBlock& block) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const uint32_t size = RedirectBlockSize(block);
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, size, nullptr);
    if (mapping == nullptr) return nullptr;
    uint8_t* view = static_cast<uint8_t*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, size));
    if (view == nullptr) {
        CloseHandle(mapping);
        return nullptr;
    }
    BlockHeader header;
    header.handles[0] = HandleValue(block.process);
    header.handles[1] = HandleValue(block.stdoutRead);
    header.handles[2] = HandleValue(block.stderrRead);
    header.handles[3] = HandleValue(block.stdinWrite);
    const WString* texts[3] = {&block.displayName, &block.commandLine, &block.workingDirectory};
    for (int i = 0; i < 3; ++i) header.lengths[i] = LengthField(*texts[i]);
    memcpy(view, &header, sizeof header);
    uint32_t offset = kRedirectBlockHeaderSize;
    for (int i = 0; i < 3; ++i) {
        memcpy(view + offset, texts[i]->GetString(), 2 * header.lengths[i]);
        offset += 2 * header.lengths[i];
    }
    UnmapViewOfFile(view);
    return mapping;
}

bool ReadRedirectSharedBlock(HANDLE mapping, RedirectSharedBlock& out) {
    const uint8_t* view = static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    if (view == nullptr) return false;
    MEMORY_BASIC_INFORMATION region = {};
    const uint64_t available = VirtualQuery(view, &region, sizeof region) ? region.RegionSize : 0;
    BlockHeader header;
    bool ok = available >= kRedirectBlockHeaderSize;
    if (ok) {
        memcpy(&header, view, sizeof header);
        uint64_t total = kRedirectBlockHeaderSize;
        for (uint32_t length : header.lengths) {
            ok = ok && length > 0;
            total += 2ull * length;
        }
        ok = ok && total <= available;
    }
    if (ok) {
        WString* texts[3] = {&out.displayName, &out.commandLine, &out.workingDirectory};
        uint64_t offset = kRedirectBlockHeaderSize;
        for (int i = 0; i < 3; ++i) {
            const wchar_t* text = reinterpret_cast<const wchar_t*>(view + offset);
            const int length = static_cast<int>(header.lengths[i] - 1);
            texts[i]->Assign(text, static_cast<int>(wcsnlen(text, static_cast<size_t>(length))));
            offset += 2ull * header.lengths[i];
        }
        out.process = HandleFrom(header.handles[0]);
        out.stdoutRead = HandleFrom(header.handles[1]);
        out.stderrRead = HandleFrom(header.handles[2]);
        out.stdinWrite = HandleFrom(header.handles[3]);
    }
    UnmapViewOfFile(view);
    return ok;
}

}  // namespace launcher
}  // namespace trelm
