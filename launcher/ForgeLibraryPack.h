// Forge libraries published as "<jar>.pack.xz": an XZ-compressed pack200
// archive followed by the text of the jar's "checksums.sha1", its length as
// a little-endian uint32 and the bytes "SIGN". These steps decompress it,
// split the signature off, put it into the unpacked jar and check a jar
// against it and the library's accepted checksums.
//
// Each function reports failure by false and a text in message.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <zip.h>

#include "core/Sha1.h"
#include "core/WString.h"
#include "core/byte_buffer.h"
#include "download/DownloadInfoCommonFile.h"

namespace trelm {
namespace launcher {

using ForgeChecksum = download::DownloadInfoForgeXZLibrary::Checksum;

// The largest signature block, and the largest "checksums.sha1" read back.
constexpr uint32_t kForgeSignatureMaxSize = 0x1400000;
// A decompressed pack must stay below this; the split refuses anything larger.
constexpr uint64_t kForgePackMaxSize = 0x100000000ULL;

// Decompresses the whole input (one or more concatenated .xz streams) into
// output, which is cut to what was written. Fails as soon as the output
// would reach maxOutput bytes, so a small hostile body cannot fill the disk.
bool XZUncompress(HANDLE input, HANDLE output, WString* message, uint64_t maxOutput = kForgePackMaxSize);

// Moves the signature block into signature (size L, position 0) and cuts the
// file to the pack200 archive in front of it.
bool SplitForgeLibraryPack(HANDLE file, wendal_::byte_buffer* signature, WString* message);

// Adds (or replaces) "checksums.sha1" with the signature's bytes. The archive
// reads them at zip_close, so signature must outlive the open archive.
bool ForgeLibraryAddSha1File(zip_t* zip, const wendal_::byte_buffer& signature, WString* message);

// The jar's "checksums.sha1" must hash to one of checksums, and every entry
// it names must exist with the digest it gives.
bool VerifyForgeLibrary(zip_t* zip, const std::vector<ForgeChecksum>& checksums, WString* message);
// VerifyForgeLibrary on an open file, through a duplicate of its handle; the
// file is not changed, but its file pointer moves.
bool VerifyForgeLibraryFile(HANDLE file, const std::vector<ForgeChecksum>& checksums, WString* message);

// One line of "checksums.sha1" that counts: 40 hex digits, a space, then the
// entry name up to the line feed (a carriage return stays in the name).
struct ForgeChecksumLine {
    uint8_t digest[kSha1DigestSize];
    std::string name;  // bytes as written, UTF-8 like the jar's entry names
};
// Lines that do not start with 40 hex digits and a space are skipped.
std::vector<ForgeChecksumLine> ParseForgeChecksumLines(const uint8_t* text, size_t size);

}  // namespace launcher
}  // namespace trelm
