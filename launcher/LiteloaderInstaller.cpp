#include "launcher/LiteloaderInstaller.h"

#include <cwctype>

#include "core/Endpoints.h"
#include "core/JsonFile.h"
#include "launcher/InstallFiles.h"
#include "launcher/MinecraftFileManager.h"

namespace trelm {
namespace launcher {

LiteloaderInstaller::LiteloaderInstaller(const wchar_t* rootPath) { SetRoot(rootPath); }

LiteloaderInstaller::~LiteloaderInstaller() = default;

bool LiteloaderInstaller::InstallAsVersion(const wendal_::byte_buffer& jar, const wchar_t* version,
                                           const VersionInfo& base, const JsonValue* buildLibraries) {
    if (!IsSafeInstallName(version, false)) return Fail(kInstallBadName, version != nullptr ? version : L"");
    JsonDocument document;
    if (!LoadBaseVersionJson(*this, base.id, document, &m_errorMsg)) return false;

    WString id;
    id.Format(L"%s-LiteLoader%s", base.id.GetString(), version);
    WString libraryName;
    libraryName.Format(L"com.tolvane:liteloader:%s", version);
    const WString url = EndpointBase(Endpoint::LiteLoader) + L"/versions/";
    auto& allocator = document.GetAllocator();
    JsonValue library(rapidjson::kObjectType);
    library.AddMember(L"name", JsonValue(libraryName.GetString(), allocator), allocator);
    library.AddMember(L"url", JsonValue(url.GetString(), allocator), allocator);
    JsonValue libraries(rapidjson::kArrayType);
    libraries.PushBack(library, allocator);
    if (buildLibraries && buildLibraries->IsArray()) {
        for (const JsonValue& entry : buildLibraries->GetArray()) {
            if (!IsJsonString(FindJsonMember(entry, L"name"))) continue;
            libraries.PushBack(JsonValue(entry, allocator), allocator);
        }
    }

    // OptiFine, if the base has it, goes on under LiteLoader's tweaker.
    WString baseArguments = GetMinecraftArguments(document);
    baseArguments.Replace(L"--tweakClass optifine.OptiFineTweaker", L"--tweakClass optifine.OptiFineForgeTweaker");
    WString arguments(L"--tweakClass com.tolvane.liteloader.launch.LiteLoaderTweaker  ");
    arguments.Append(baseArguments);
    SetDerivedVersionMembers(document, id, libraries, base.id, arguments);
    return WriteDerivedVersion(*this, document, id, libraryName, jar, &m_errorMsg);
}

bool LiteloaderInstaller::InstallAsMod(const wendal_::byte_buffer& jar, const wchar_t* version,
                                       const VersionInfo& base, bool separateFolders, WString* modsFolder,
                                       WString* fileName) {
    if (!IsSafeInstallName(version, false)) return Fail(kInstallBadName, version != nullptr ? version : L"");
    // The game version comes from an "inheritsFrom" text, which may name a
    // version that is not there, or anything else.
    if (!IsValidVersionId(base.rootId.GetString(), static_cast<size_t>(base.rootId.GetLength())))
        return Fail(kInstallBadName, base.rootId.GetString());
    WString folder;
    if (!GetModsFolder(*this, base.id.GetString(), separateFolders, folder, &m_errorMsg)) return false;
    folder.Append(base.rootId);  // LiteLoader keeps a mods folder per game version
    folder.Append(L"\\");
    WString lower(version);
    const int length = lower.GetLength();
    wchar_t* text = lower.GetBuffer(length, true);
    for (int i = 0; i < length; ++i) text[i] = static_cast<wchar_t>(towlower(text[i]));
    lower.ReleaseBuffer(length);
    WString name;
    name.Format(L"liteloader-%s.jar", lower.GetString());
    return WriteModFile(folder, name, jar, &m_errorMsg, modsFolder, fileName);
}

}  // namespace launcher
}  // namespace trelm
