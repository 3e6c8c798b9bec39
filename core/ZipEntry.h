// Reading single entries of zip archives (jars, natives, installers) that the
// caller opened with libzip. Entry names are given as UTF-16 and looked up
// by their UTF-8 form, case-sensitively.
#pragma once

#include <cstdint>

#include <zip.h>

#include "core/Sha1.h"
#include "core/byte_buffer.h"

// Writes the entry to destination + ".temp", then moves it over destination.
// On any failure the ".temp" file is removed and an existing destination is
// left as it was. Creates the destination's folders.
bool ExtractZipEntryToFile(zip_t* zip, const wchar_t* entryName, const wchar_t* destination);

// Reads the whole entry into out (size = entry size, position 0). An entry
// larger than maxSize fails before out is touched.
bool ReadZipEntry(zip_t* zip, const wchar_t* entryName, wendal_::byte_buffer* out, uint32_t maxSize);

// SHA-1 of the uncompressed data of the entry at index.
bool Sha1OfZipEntry(zip_t* zip, uint8_t digest[kSha1DigestSize], uint64_t index);
