#include "launcher/ForgeInstaller.h"

#include <windows.h>

#include <cstring>

#include "core/FileUtils.h"
#include "core/JsonFile.h"
#include "core/TextFile.h"
#include "core/ZipEntry.h"
#include "launcher/InstallFiles.h"
#include "launcher/LibraryRules.h"
#include "launcher/MinecraftFileManager.h"

namespace trelm {
namespace launcher {

namespace {

const wchar_t kProfileName[] = L"install_profile.json";
const wchar_t kUnzipFailed[] = L"解压压缩文件失败:%s,%s";
const wchar_t kBadMember[] = L"Json文件(%s)缺失成员\"%s\"或此成员值不正确";

}  // namespace

ForgeInstaller::ForgeInstaller(const wchar_t* rootPath) { SetRoot(rootPath); }

ForgeInstaller::~ForgeInstaller() = default;

bool ForgeInstaller::Install(const wendal_::byte_buffer& installerJar, const wchar_t* name) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(installerJar.GetData(), installerJar.GetSize(), 0, &error);
    zip_t* archive = source != nullptr ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    zip_error_fini(&error);
    if (archive == nullptr) {
        if (source != nullptr) zip_source_free(source);
        return Fail(L"打开压缩文件失败:%s", name);
    }
    const bool ok = InstallFromJar(archive, name);
    zip_discard(archive);
    return ok;
}

bool ForgeInstaller::InstallFromJar(zip_t* archive, const wchar_t* name) {
    // A profile is a few KiB; a damaged jar may claim gigabytes.
    wendal_::byte_buffer bytes;
    if (!ReadZipEntry(archive, kProfileName, &bytes, static_cast<uint32_t>(kMaxJsonFileSize)))
        return Fail(kUnzipFailed, name, kProfileName);
    // The installer writes its profile in UTF-8, as JSON is, whatever the
    // code page of the machine; a byte-order mark may lead it.
    const char* profileBytes = reinterpret_cast<const char*>(bytes.GetData());
    int profileLength = static_cast<int>(bytes.GetSize());
    if (profileLength >= 3 && memcmp(profileBytes, "\xEF\xBB\xBF", 3) == 0) {
        profileBytes += 3;
        profileLength -= 3;
    }
    WString text;
    JsonDocument profile;
    if (!text.AssignMultiByte(CP_UTF8, profileBytes, profileLength) || !ParseJsonText(text.GetString(), &profile) ||
        !profile.IsObject())
        return Fail(kInstallParseFailed, kProfileName);

    const JsonValue* install = FindJsonMember(profile, L"install");
    WString path, filePath, target;
    if (install == nullptr || !install->IsObject() || !GetJsonStringMember(*install, L"path", path) ||
        !GetJsonStringMember(*install, L"filePath", filePath) || !GetJsonStringMember(*install, L"target", target)) {
        return Fail(kBadMember, kProfileName, L"install");
    }
    // The target names the version's folder and files.
    if (!IsSafeInstallName(target.GetString(), false) ||
        !IsValidVersionId(target.GetString(), static_cast<size_t>(target.GetLength()))) {
        return Fail(kBadMember, kProfileName, L"install");
    }
    const JsonValue* versionInfo = FindJsonMember(profile, L"versionInfo");
    if (versionInfo == nullptr || !versionInfo->IsObject()) return Fail(kBadMember, kProfileName, L"versionInfo");
    // Checked before anything is written, so a bad name leaves no half version.
    WString libraryRelative;
    if (!IsSafeInstallName(path.GetString(), true) || !MavenNameToPath(libraryRelative, path.GetString(), nullptr))
        return Fail(L"%s不是有效的library名称", path.GetString());
    libraryRelative.Replace(L'/', L'\\');

    WString jsonPath;
    GetVersionJsonPath(jsonPath, target.GetString());
    WString jsonText;
    if (!JsonToText(*versionInfo, &jsonText)) return Fail(kInstallWriteFailed, jsonPath.GetString());
    // The JSON last, so that an install cut short leaves no version whose
    // library or jar is missing; the jar would then be fetched as the game's.
    InstallTransaction transaction(root + L".minecraft\\");
    WString libraryPath;
    GetLibraryFilePath(libraryPath, libraryRelative.GetString());
    if (!transaction.Track(libraryPath) || !ExtractZipEntryToFile(archive, filePath.GetString(), libraryPath.GetString()))
        return Fail(kUnzipFailed, name, filePath.GetString());
    if (FindJsonMember(*versionInfo, L"inheritsFrom") == nullptr) {
        WString jarPath;
        GetVersionJarPath(jarPath, target.GetString());
        if (!transaction.Track(jarPath) || !CopyFileCreatingDirs(libraryPath.GetString(), jarPath.GetString()))
            return Fail(kInstallWriteFailed, jarPath.GetString());
    }
    if (!transaction.Track(jsonPath) || !WriteTextFile(jsonPath.GetString(), jsonText.GetString(), false))
        return Fail(kInstallWriteFailed, jsonPath.GetString());
    transaction.Commit();
    return true;
}

}  // namespace launcher
}  // namespace trelm
