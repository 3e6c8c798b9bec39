#include "core/ZipEntry.h"

#include <windows.h>

#include <cstdio>
#include <memory>

#include <cryptopp/sha.h>

#include "core/Encoding.h"
#include "core/FileUtils.h"
#include "core/WString.h"

namespace {

constexpr uint32_t kExtractPieceSize = 4096;
constexpr uint32_t kReadPieceSize = 4096;
constexpr uint32_t kHashPieceSize = 2048;

class ZipFile : private wendal_::noncopyable {
public:
    explicit ZipFile(zip_file_t* file) : m_file(file) {}
    ~ZipFile() {
        if (m_file) zip_fclose(m_file);
    }
    zip_file_t* Get() const { return m_file; }

private:
    zip_file_t* m_file;
};

// Finds the entry by its UTF-8 name and requires a known uncompressed size.
bool LocateEntry(zip_t* zip, const wchar_t* entryName, zip_uint64_t* index, zip_uint64_t* size) {
    if (!zip || !entryName) return false;
    const std::unique_ptr<char[]> name = WideToUtf8(entryName, -1);
    if (!name) return false;
    const zip_int64_t found = zip_name_locate(zip, name.get(), 0);
    if (found < 0) return false;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip, static_cast<zip_uint64_t>(found), 0, &stat) != 0) return false;
    if (!(stat.valid & ZIP_STAT_SIZE)) return false;
    *index = static_cast<zip_uint64_t>(found);
    *size = stat.size;
    return true;
}

// Reads the next piece of at most pieceSize bytes of an entry of which
// remaining bytes are still due. Zero bytes before the stated size is a
// damaged or cut archive: counting it as progress would loop forever.
int64_t ReadPiece(zip_file_t* file, void* into, uint32_t pieceSize, zip_uint64_t remaining) {
    const zip_uint64_t want = remaining < pieceSize ? remaining : pieceSize;
    const zip_int64_t got = zip_fread(file, into, want);
    return got > 0 ? got : -1;
}

// libzip compares the CRC and the stated size only when a read runs into the
// end of the data, which a loop that stops at the stated size never does.
// One more read must find the end; more data or a bad CRC fail it.
bool EndOfEntryVerified(zip_file_t* file) {
    uint8_t extra;
    return zip_fread(file, &extra, 1) == 0;
}

bool CopyEntryToStream(zip_file_t* file, zip_uint64_t size, FILE* out) {
    uint8_t piece[kExtractPieceSize];
    zip_uint64_t done = 0;
    while (done < size) {
        const int64_t got = ReadPiece(file, piece, sizeof piece, size - done);
        if (got < 0) return false;
        if (fwrite(piece, 1, static_cast<size_t>(got), out) != static_cast<size_t>(got)) return false;
        done += static_cast<zip_uint64_t>(got);
    }
    return EndOfEntryVerified(file);
}

}  // namespace

bool ExtractZipEntryToFile(zip_t* zip, const wchar_t* entryName, const wchar_t* destination) {
    zip_uint64_t index = 0, size = 0;
    if (!destination || !LocateEntry(zip, entryName, &index, &size)) return false;
    ZipFile file(zip_fopen_index(zip, index, 0));
    if (!file.Get()) return false;

    WString temp(destination);
    temp.Append(L".temp");
    if (!CreateParentDirectory(temp.GetString())) return false;
    FILE* out = _wfopen(temp.GetString(), L"wb");
    if (!out) return false;
    bool ok = CopyEntryToStream(file.Get(), size, out);
    // fclose flushes the last buffered bytes; a failure there loses them.
    if (fclose(out) != 0) ok = false;
    // Replacing in one step: deleting the old file first would lose it
    // whenever the move then failed.
    if (ok) ok = MoveFileExW(temp.GetString(), destination, MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!ok) DeleteFileW(temp.GetString());
    return ok;
}

bool ReadZipEntry(zip_t* zip, const wchar_t* entryName, wendal_::byte_buffer* out, uint32_t maxSize) {
    zip_uint64_t index = 0, size = 0;
    if (!out || !LocateEntry(zip, entryName, &index, &size)) return false;
    if (size > maxSize) return false;  // also catches any size above 4 GiB
    ZipFile file(zip_fopen_index(zip, index, 0));
    if (!file.Get()) return false;

    const uint32_t total = static_cast<uint32_t>(size);
    if (!out->Resize(total)) return false;
    uint8_t* data = out->GetData();
    uint32_t done = 0;
    while (done < total) {
        const int64_t got = ReadPiece(file.Get(), data + done, kReadPieceSize, total - done);
        if (got < 0) return false;
        done += static_cast<uint32_t>(got);
    }
    return EndOfEntryVerified(file.Get());
}

bool Sha1OfZipEntry(zip_t* zip, uint8_t digest[kSha1DigestSize], uint64_t index) {
    if (!zip) return false;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) return false;
    ZipFile file(zip_fopen_index(zip, index, 0));
    if (!file.Get()) return false;

    CryptoPP::SHA1 sha;
    uint8_t piece[kHashPieceSize];
    zip_uint64_t done = 0;
    while (done < stat.size) {
        const int64_t got = ReadPiece(file.Get(), piece, sizeof piece, stat.size - done);
        if (got < 0) return false;
        sha.Update(piece, static_cast<size_t>(got));
        done += static_cast<zip_uint64_t>(got);
    }
    if (!EndOfEntryVerified(file.Get())) return false;
    sha.Final(digest);
    return true;
}
