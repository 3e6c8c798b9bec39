#include "launcher/ForgeLibraryPack.h"

#include <lzma.h>

#include <array>
#include <cstring>
#include <map>

#include "core/Encoding.h"
#include "core/Win32Error.h"
#include "core/ZipEntry.h"
#include "launcher/ErrorMsg.h"

namespace trelm {
namespace launcher {

namespace {

constexpr DWORD kXZBufferSize = 512;
constexpr size_t kHexDigits = 2 * kSha1DigestSize;
const char kChecksumsEntry[] = "checksums.sha1";

using Digest = std::array<uint8_t, kSha1DigestSize>;

bool FailWin32(WString* message, const wchar_t* call) {
    const WString error = LastErrorText();
    return Fail(message, L"%s:%s", call, error.GetString());
}

class LzmaStream {
public:
    LzmaStream() = default;
    ~LzmaStream() { lzma_end(&stream); }
    LzmaStream(const LzmaStream&) = delete;
    LzmaStream& operator=(const LzmaStream&) = delete;

    lzma_stream stream = LZMA_STREAM_INIT;
};

bool SeekTo(HANDLE file, uint64_t offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, distance, nullptr, FILE_BEGIN) != FALSE;
}

// A short read of a regular file means it ended early; ReadFile itself
// succeeds then and leaves no error of its own.
bool ReadExactly(HANDLE file, void* into, DWORD count) {
    DWORD got = 0;
    if (!ReadFile(file, into, count, &got, nullptr)) return false;
    if (got != count) {
        SetLastError(ERROR_HANDLE_EOF);
        return false;
    }
    return true;
}

bool WriteExactly(HANDLE file, const void* data, DWORD count) {
    DWORD written = 0;
    if (!WriteFile(file, data, count, &written, nullptr)) return false;
    if (written != count) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}

class ZipArchive {
public:
    explicit ZipArchive(zip_t* zip) : m_zip(zip) {}
    ~ZipArchive() {
        if (m_zip) zip_discard(m_zip);
    }
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;
    zip_t* Get() const { return m_zip; }

private:
    zip_t* m_zip;
};

bool IsFolderName(const char* name, size_t length) {
    return length > 0 && (name[length - 1] == '/' || name[length - 1] == '\\');
}

bool IsAccepted(const uint8_t digest[kSha1DigestSize], const std::vector<ForgeChecksum>& checksums) {
    for (const ForgeChecksum& accepted : checksums) {
        if (memcmp(accepted.bytes, digest, kSha1DigestSize) == 0) return true;
    }
    return false;
}

}  // namespace

bool XZUncompress(HANDLE input, HANDLE output, WString* message, uint64_t maxOutput) {
    if (!SeekTo(input, 0) || !SeekTo(output, 0)) return FailWin32(message, L"SetFilePointerEx()");
    if (!SetEndOfFile(output)) return FailWin32(message, L"SetEndOfFile()");

    LzmaStream lzma;
    lzma_stream& strm = lzma.stream;
    if (lzma_stream_decoder(&strm, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) {
        return Fail(message, L"lzma_stream_decoder()!=LZMA_OK");
    }

    uint8_t in[kXZBufferSize];
    uint8_t out[kXZBufferSize];
    strm.next_out = out;
    strm.avail_out = sizeof out;
    lzma_action action = LZMA_RUN;
    uint64_t written = 0;
    for (;;) {
        if (strm.avail_in == 0 && action == LZMA_RUN) {
            DWORD got = 0;
            if (!ReadFile(input, in, sizeof in, &got, nullptr)) return FailWin32(message, L"ReadFile()");
            strm.next_in = in;
            strm.avail_in = got;
            if (got == 0) action = LZMA_FINISH;
        }
        const lzma_ret ret = lzma_code(&strm, action);
        if (strm.avail_out == 0 || ret == LZMA_STREAM_END) {
            const DWORD produced = static_cast<DWORD>(sizeof out - strm.avail_out);
            // Checked before the write: nothing of a body that would reach the
            // limit lands beyond it.
            if (produced >= maxOutput - written) {
                return Fail(message, L"output too large(>=%I64u bytes)", static_cast<unsigned long long>(maxOutput));
            }
            if (produced > 0 && !WriteExactly(output, out, produced)) return FailWin32(message, L"WriteFile()");
            written += produced;
            strm.next_out = out;
            strm.avail_out = sizeof out;
        }
        if (ret == LZMA_STREAM_END) return true;
        if (ret != LZMA_OK) return Fail(message, L"lzma_code()=%d", static_cast<int>(ret));
    }
}

bool SplitForgeLibraryPack(HANDLE file, wendal_::byte_buffer* signature, WString* message) {
    LARGE_INTEGER end;
    const LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(file, zero, &end, FILE_END)) return FailWin32(message, L"SetFilePointerEx()");
    const uint64_t size = static_cast<uint64_t>(end.QuadPart);
    if (size >= kForgePackMaxSize) return Fail(message, L"file too large(>4GB)");
    if (size <= 8) return Fail(message, L"file too small(<=8B)");

    uint8_t trailer[8];
    if (!SeekTo(file, size - sizeof trailer)) return FailWin32(message, L"SetFilePointerEx()");
    if (!ReadExactly(file, trailer, sizeof trailer)) return FailWin32(message, L"ReadFile()");
    if (memcmp(trailer + 4, "SIGN", 4) != 0) {
        char shown[5] = {};
        memcpy(shown, trailer + 4, 4);
        return Fail(message, L"signature missing %S", shown);
    }
    const uint32_t length = static_cast<uint32_t>(trailer[0]) | static_cast<uint32_t>(trailer[1]) << 8 |
                            static_cast<uint32_t>(trailer[2]) << 16 | static_cast<uint32_t>(trailer[3]) << 24;
    // At least one byte of pack must stay in front of the block.
    if (length < 1 || length > kForgeSignatureMaxSize || length >= size - 8) {
        return Fail(message, L"Incorrect size:%u", length);
    }

    const uint64_t packSize = size - 8 - length;
    if (!signature->Resize(length)) return Fail(message, L"Not enough memory for %u bytes", length);
    if (!SeekTo(file, packSize)) return FailWin32(message, L"SetFilePointerEx()");
    if (!ReadExactly(file, signature->GetData(), length)) return FailWin32(message, L"ReadFile()");
    if (!SeekTo(file, packSize)) return FailWin32(message, L"SetFilePointerEx()");
    if (!SetEndOfFile(file)) return FailWin32(message, L"SetEndOfFile()");
    return true;
}

bool ForgeLibraryAddSha1File(zip_t* zip, const wendal_::byte_buffer& signature, WString* message) {
    zip_source_t* source = zip_source_buffer(zip, signature.GetData(), signature.GetSize(), 0);
    if (!source) return Fail(message, L"Failed to add file checksums.sha1");
    if (zip_file_add(zip, kChecksumsEntry, source, ZIP_FL_OVERWRITE) < 0) {
        zip_source_free(source);
        return Fail(message, L"Failed to add file checksums.sha1");
    }
    return true;
}

std::vector<ForgeChecksumLine> ParseForgeChecksumLines(const uint8_t* text, size_t size) {
    std::vector<ForgeChecksumLine> lines;
    const char* at = reinterpret_cast<const char*>(text);
    const char* const end = at + (text ? size : 0);
    while (at < end) {
        const char* feed = static_cast<const char*>(memchr(at, '\n', static_cast<size_t>(end - at)));
        const char* lineEnd = feed ? feed : end;
        const size_t length = static_cast<size_t>(lineEnd - at);
        if (length > kHexDigits && at[kHexDigits] == ' ') {
            wchar_t hex[kHexDigits];
            for (size_t i = 0; i < kHexDigits; ++i) hex[i] = static_cast<unsigned char>(at[i]);
            ForgeChecksumLine line;
            if (HexDecode(hex, line.digest, kSha1DigestSize)) {
                line.name.assign(at + kHexDigits + 1, lineEnd);
                lines.push_back(std::move(line));
            }
        }
        at = feed ? feed + 1 : end;
    }
    return lines;
}

bool VerifyForgeLibrary(zip_t* zip, const std::vector<ForgeChecksum>& checksums, WString* message) {
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    if (count < 1) return Fail(message, L"zip_get_num_entries()<1");

    std::map<std::string, Digest> digests;
    wendal_::byte_buffer listed;
    bool haveList = false;
    for (zip_uint64_t index = 0; index < static_cast<zip_uint64_t>(count); ++index) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(zip, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME) || !stat.name) {
            return Fail(message, L"zip_stat_index()=-1");
        }
        const std::string name = stat.name;
        if (IsFolderName(name.data(), name.size())) continue;
        if (name == kChecksumsEntry) {
            if (!ReadZipEntry(zip, L"checksums.sha1", &listed, kForgeSignatureMaxSize)) {
                return Fail(message, L"extract checksums.sha1 failure");
            }
            haveList = true;
        }
        Digest digest;
        if (!Sha1OfZipEntry(zip, digest.data(), index)) return Fail(message, L"calc sha1 of %S failure", name.c_str());
        // Two entries of one name would let the one checked differ from the
        // one a class loader picks.
        if (!digests.emplace(name, digest).second) return Fail(message, L"%S:duplicate entry", name.c_str());
    }
    if (!haveList) return Fail(message, L"checksums.sha1 was not found");
    if (!IsAccepted(digests[kChecksumsEntry].data(), checksums)) {
        return Fail(message, L"checksums.sha1 failed validation");
    }

    for (const ForgeChecksumLine& line : ParseForgeChecksumLines(listed.GetData(), listed.GetSize())) {
        const auto found = digests.find(line.name);
        if (found == digests.end()) return Fail(message, L"%S:missing", line.name.c_str());
        if (memcmp(found->second.data(), line.digest, kSha1DigestSize) != 0) {
            return Fail(message, L"%S:checksum failure", line.name.c_str());
        }
    }
    return true;
}

bool VerifyForgeLibraryFile(HANDLE file, const std::vector<ForgeChecksum>& checksums, WString* message) {
    HANDLE duplicate = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &duplicate, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        return FailWin32(message, L"DuplicateHandle()");
    }
    zip_error_t error;
    zip_error_init(&error);
    // The source owns the duplicate from here on and closes it when freed.
    zip_source_t* source = zip_source_win32handle_create(duplicate, 0, -1, &error);
    zip_error_fini(&error);
    if (!source) {
        CloseHandle(duplicate);
        return Fail(message, L"Failed to create zip source");
    }
    zip_error_init(&error);
    zip_t* opened = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!opened) {
        zip_source_free(source);
        return Fail(message, L"Failed to open zip");
    }
    const ZipArchive archive(opened);
    return VerifyForgeLibrary(archive.Get(), checksums, message);
}

}  // namespace launcher
}  // namespace trelm
