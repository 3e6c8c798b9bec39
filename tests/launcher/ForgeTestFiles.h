// Files shared by the Forge library tests: the fixtures that
// make_forge_fixtures.py writes into the build tree, and small file verbs.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <zip.h>

#include "core/ZipEntry.h"

#include "launcher/ForgeLibraryPack.h"
#include "tests/support/FakeJava.h"
#include "tests/support/TestPaths.h"

namespace forge_test {

inline std::wstring Fixture(const std::wstring& name) {
    return testing_support::BuildTreePath(L"tests\\launcher\\forge_fixtures\\" + name);
}

inline std::string FixtureBytes(const std::wstring& name) {
    const std::wstring path = Fixture(name);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        throw std::runtime_error("missing fixture " + testing_support::Narrow(path) + " (is forge_fixtures built?)");
    }
    return testing_support::ReadBytes(path);
}

inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Opened as the download task opens its ".dl" file.
inline HANDLE OpenReadWrite(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline trelm::launcher::ForgeChecksum DigestOf(const std::string& bytes) {
    trelm::launcher::ForgeChecksum digest = {};
    Sha1OfBuffer(bytes.data(), bytes.size(), digest.bytes);
    return digest;
}

// The digest of the jar's "checksums.sha1" entry; none when it has none.
inline std::vector<trelm::launcher::ForgeChecksum> AcceptedDigestOfJar(const std::wstring& jarPath) {
    std::vector<trelm::launcher::ForgeChecksum> accepted;
    zip_t* zip = zip_open(testing_support::Narrow(jarPath).c_str(), ZIP_RDONLY, nullptr);
    if (!zip) return accepted;
    wendal_::byte_buffer list;
    if (ReadZipEntry(zip, L"checksums.sha1", &list, trelm::launcher::kForgeSignatureMaxSize)) {
        accepted.push_back(DigestOf(std::string(reinterpret_cast<const char*>(list.GetData()), list.GetSize())));
    }
    zip_discard(zip);
    return accepted;
}

inline std::string W2U(const WString& text) { return testing_support::Narrow(text.GetString()); }

}  // namespace forge_test
