#include "launcher/OptiFineInstaller.h"

#include "core/JsonFile.h"
#include "launcher/InstallFiles.h"
#include "launcher/MinecraftFileManager.h"

namespace trelm {
namespace launcher {

OptiFineInstaller::OptiFineInstaller(const wchar_t* rootPath) { SetRoot(rootPath); }

OptiFineInstaller::~OptiFineInstaller() = default;

bool OptiFineInstaller::CheckNames(const wchar_t* gameVersion, const wchar_t* type, const wchar_t* edition) {
    for (const wchar_t* text : {gameVersion, type, edition})
        if (!IsSafeInstallName(text, false)) return Fail(kInstallBadName, text != nullptr ? text : L"");
    return true;
}

bool OptiFineInstaller::InstallAsVersion(const wendal_::byte_buffer& jar, const wchar_t* gameVersion,
                                         const wchar_t* type, const wchar_t* edition, const wchar_t* baseId) {
    if (!CheckNames(gameVersion, type, edition)) return false;
    const WString base(baseId);
    JsonDocument document;
    if (!LoadBaseVersionJson(*this, base, document, &m_errorMsg)) return false;

    WString id;
    id.Format(L"%s-OptiFine_%s_%s", baseId, type, edition);
    WString libraryName;
    libraryName.Format(L"optifine:OptiFine:%s_%s_%s", gameVersion, type, edition);
    auto& allocator = document.GetAllocator();
    JsonValue libraries(rapidjson::kArrayType);
    for (const wchar_t* name : {libraryName.GetString(), L"net.minecraft:launchwrapper:1.7"}) {
        JsonValue library(rapidjson::kObjectType);
        library.AddMember(L"name", JsonValue(name, allocator), allocator);
        libraries.PushBack(library, allocator);
    }
    WString arguments = GetMinecraftArguments(document);
    arguments.Append(L"  --tweakClass optifine.OptiFineTweaker");
    SetDerivedVersionMembers(document, id, libraries, base, arguments);
    return WriteDerivedVersion(*this, document, id, libraryName, jar, &m_errorMsg);
}

bool OptiFineInstaller::InstallAsMod(const wendal_::byte_buffer& jar, const wchar_t* gameVersion,
                                     const wchar_t* type, const wchar_t* edition, const wchar_t* versionId,
                                     bool separateFolders, WString* modsFolder, WString* fileName) {
    if (!CheckNames(gameVersion, type, edition)) return false;
    WString folder;
    if (!GetModsFolder(*this, versionId, separateFolders, folder, &m_errorMsg)) return false;
    WString name;
    name.Format(L"OptiFine_%s_%s_%s.jar", gameVersion, type, edition);
    return WriteModFile(folder, name, jar, &m_errorMsg, modsFolder, fileName);
}

}  // namespace launcher
}  // namespace trelm
