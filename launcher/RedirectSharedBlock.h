// The block a launcher hands to its game-output process: the game's process
// and pipe handles and three texts, in an inheritable page-file mapping
// whose handle travels on the command line ("-redirect_output <8 hex>").
//
// Layout: four handles, three lengths (characters + 1) as 32-bit values,
// then the three UTF-16 texts with their terminating NULs.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/HandleArgument.h"
#include "core/WString.h"

namespace trelm {
namespace launcher {

struct RedirectSharedBlock {
    HANDLE process = nullptr;
    HANDLE stdoutRead = nullptr;
    HANDLE stderrRead = nullptr;
    HANDLE stdinWrite = nullptr;
    WString displayName;
    WString commandLine;
    WString workingDirectory;
};

const uint32_t kRedirectBlockHeaderSize = 28;

// Size of the block for the texts of block.
uint32_t RedirectBlockSize(const RedirectSharedBlock& block);

// Creates the mapping (inheritable handle) and writes block into it; null on
// failure.
HANDLE WriteRedirectSharedBlock(const RedirectSharedBlock& block);

// Reads a block back; false when the mapping cannot be mapped or its
// lengths do not fit inside it.
bool ReadRedirectSharedBlock(HANDLE mapping, RedirectSharedBlock& out);

}  // namespace launcher
}  // namespace trelm
