#include "tests/launcher/InstallRound.h"

#include <windows.h>

#include <utility>

#include "launcher/ForgeInstaller.h"
#include "launcher/LiteloaderInstaller.h"
#include "launcher/OptiFineInstaller.h"

namespace testing_support {

// Tens of MiB are read per round of the kill test; a stream reader would
// take them a byte at a time.
bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    DWORD read = 0;
    bool ok = GetFileSizeEx(file, &size) != FALSE;
    if (ok) bytes->resize(static_cast<size_t>(size.QuadPart));
    ok = ok && (bytes->empty() || ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, nullptr)) &&
         read == bytes->size();
    CloseHandle(file);
    return ok;
}

bool InstallInputs::Load(const std::wstring& folder) {
    const std::pair<const wchar_t*, wendal_::byte_buffer*> files[] = {
        {L"installer.jar", &forge}, {L"optifine.jar", &optifine}, {L"liteloader.jar", &liteloader}};
    for (const auto& file : files) {
        std::string bytes;
        if (!ReadWholeFile(folder + file.first, &bytes) ||
            !file.second->Write(bytes.data(), static_cast<uint32_t>(bytes.size())))
            return false;
    }
    return true;
}

bool RunInstallRound(const std::wstring& root, const InstallInputs& inputs, std::wstring* message) {
    trelm::launcher::ForgeInstaller forge(root.c_str());
    trelm::launcher::OptiFineInstaller optifine(root.c_str());
    trelm::launcher::LiteloaderInstaller liteloader(root.c_str());
    trelm::launcher::VersionInfo base;
    base.id = L"solo";
    base.rootId = L"solo";
    const trelm::launcher::ErrorMsg* failed = nullptr;
    if (!forge.Install(inputs.forge, L"installer.jar"))
        failed = &forge;
    else if (!optifine.InstallAsVersion(inputs.optifine, L"1.7.10", L"HD_U", L"E7", L"solo"))
        failed = &optifine;
    else if (!liteloader.InstallAsMod(inputs.liteloader, L"1.7.10", base, false, nullptr, nullptr))
        failed = &liteloader;
    if (failed) *message = failed->GetErrorMsg().GetString();
    return failed == nullptr;
}

}  // namespace testing_support
