#include "launcher/InstallFiles.h"

#include <windows.h>

#include <cwchar>

#include "core/FileUtils.h"
#include "core/TextFile.h"
#include "launcher/ErrorMsg.h"
#include "launcher/LibraryRules.h"
#include "launcher/MinecraftFileManager.h"

namespace trelm {
namespace launcher {

const wchar_t kInstallReadFailed[] = L"读取文件失败:%s";
const wchar_t kInstallParseFailed[] = L"解析Json文件失败:%s";
const wchar_t kInstallWriteFailed[] = L"写入文件失败:%s";
const wchar_t kInstallBadName[] = L"名称无效:%s";

bool IsSafeInstallName(const wchar_t* text, bool colonAllowed) {
    if (text == nullptr || text[0] == L'\0') return false;
    if (wcsstr(text, L"..") != nullptr) return false;
    for (const wchar_t* c = text; *c != L'\0'; ++c) {
        if (*c == L'\\' || *c == L'/' || (*c == L':' && !colonAllowed)) return false;
    }
    return true;
}

namespace {

// The folders a failed write created stay behind even when the file never
// appeared; removes each emptied folder above filePath, below top.
void RemoveEmptiedFolders(const WString& filePath, const WString& top) {
    WString folder;
    if (!GetDirectoryPart(filePath.GetString(), &folder)) return;
    while (folder.GetLength() > top.GetLength() && _wcsnicmp(folder, top, static_cast<size_t>(top.GetLength())) == 0) {
        folder.Truncate(folder.GetLength() - 1);
        if (!RemoveDirectoryW(folder.GetString())) break;  // not empty
        WString parent;
        if (!GetDirectoryPart(folder.GetString(), &parent)) break;
        folder = parent;
    }
}

}  // namespace

InstallTransaction::~InstallTransaction() {
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
        if (!entry->saved.IsEmpty()) {
            MoveFileExW(entry->saved.GetString(), entry->path.GetString(), MOVEFILE_REPLACE_EXISTING);
        } else {
            if (FileExists(entry->path.GetString())) DeleteFileW(entry->path.GetString());
            RemoveEmptiedFolders(entry->path, m_gameDir);
        }
    }
}

bool InstallTransaction::Track(const WString& path) {
    Entry entry;
    entry.path = path;
    const WString saved = path + L".old";
    if (FileExists(path.GetString())) {
        entry.saved = saved;
        if (!CopyFileW(path.GetString(), saved.GetString(), FALSE)) return false;
    } else {
        // Left by an install that was ended before it could clean up; it
        // is never read, only in the way.
        DeleteFileW(saved.GetString());
    }
    m_entries.push_back(std::move(entry));
    return true;
}

void InstallTransaction::Commit() {
    for (const Entry& entry : m_entries)
        if (!entry.saved.IsEmpty()) DeleteFileW(entry.saved.GetString());
    m_entries.clear();
}

bool LoadBaseVersionJson(const MinecraftFileManagerBase& tree, const WString& baseId, JsonDocument& document,
                         WString* message) {
    WString path;
    tree.GetVersionJsonPath(path, baseId.GetString());
    WString text;
    if (!IsValidVersionId(baseId.GetString(), static_cast<size_t>(baseId.GetLength())) ||
        !ReadTextFile(path.GetString(), &text, static_cast<int64_t>(kMaxJsonFileSize))) {
        return Fail(message, kInstallReadFailed, path.GetString());
    }
    if (!ParseJsonText(text.GetString(), &document) || !document.IsObject())
        return Fail(message, kInstallParseFailed, path.GetString());
    return true;
}

namespace {

void SetMember(JsonDocument& document, const wchar_t* name, JsonValue& value) {
    auto found = document.FindMember(name);
    if (found != document.MemberEnd()) {
        found->value = value;  // moves
    } else {
        document.AddMember(JsonValue(name, document.GetAllocator()), value, document.GetAllocator());
    }
}

void SetStringMember(JsonDocument& document, const wchar_t* name, const WString& text) {
    JsonValue value(text.GetString(), static_cast<rapidjson::SizeType>(text.GetLength()), document.GetAllocator());
    SetMember(document, name, value);
}

}  // namespace

void SetDerivedVersionMembers(JsonDocument& document, const WString& id, JsonValue& libraries, const WString& baseId,
                              const WString& arguments) {
    SetStringMember(document, L"id", id);
    SetMember(document, L"libraries", libraries);
    SetStringMember(document, L"inheritsFrom", baseId);
    SetStringMember(document, L"mainClass", L"net.minecraft.launchwrapper.Launch");
    SetStringMember(document, L"minecraftArguments", arguments);
}

WString GetMinecraftArguments(const JsonValue& document) {
    WString text;
    const JsonValue* arguments = FindJsonMember(document, L"minecraftArguments");
    if (IsJsonString(arguments)) JsonStringToWString(*arguments, &text);
    return text;
}

bool WriteDerivedVersion(const MinecraftFileManagerBase& tree, const JsonDocument& document, const WString& id,
                         const WString& libraryName, const wendal_::byte_buffer& jar, WString* message) {
    WString jsonPath;
    tree.GetVersionJsonPath(jsonPath, id.GetString());
    WString libraryRelative;
    if (!MavenNameToPath(libraryRelative, libraryName.GetString(), nullptr))
        return Fail(message, kInstallBadName, libraryName.GetString());
    libraryRelative.Replace(L'/', L'\\');
    WString libraryPath;
    tree.GetLibraryFilePath(libraryPath, libraryRelative.GetString());

    WString text;
    if (!JsonToText(document, &text)) return Fail(message, kInstallWriteFailed, jsonPath.GetString());
    // The JSON last: the version exists only once the library it names is there.
    InstallTransaction transaction(tree.GetRoot() + L".minecraft\\");
    if (!transaction.Track(libraryPath) || !WriteFileBytes(libraryPath.GetString(), jar.GetData(), jar.GetSize()))
        return Fail(message, kInstallWriteFailed, libraryPath.GetString());
    if (!transaction.Track(jsonPath) || !WriteTextFile(jsonPath.GetString(), text.GetString(), false))
        return Fail(message, kInstallWriteFailed, jsonPath.GetString());
    transaction.Commit();
    return true;
}

bool GetModsFolder(const MinecraftFileManagerBase& tree, const wchar_t* versionId, bool separateFolders,
                   WString& folder, WString* message) {
    if (!separateFolders) {
        folder.Format(L"%s.minecraft\\mods\\", tree.GetRoot().GetString());
        return true;
    }
    if (versionId == nullptr || !IsValidVersionId(versionId, wcslen(versionId)))
        return Fail(message, kInstallBadName, versionId != nullptr ? versionId : L"");
    folder.Format(L"%s.minecraft\\versions\\%s\\mods\\", tree.GetRoot().GetString(), versionId);
    return true;
}

bool WriteModFile(const WString& folder, const WString& fileName, const wendal_::byte_buffer& jar, WString* message,
                  WString* modsFolder, WString* outFileName) {
    const WString target = folder + fileName.GetString();
    if (!WriteFileBytes(target.GetString(), jar.GetData(), jar.GetSize()))
        return Fail(message, kInstallWriteFailed, target.GetString());
    if (modsFolder != nullptr) *modsFolder = folder;
    if (outFileName != nullptr) *outFileName = fileName;
    return true;
}

}  // namespace launcher
}  // namespace trelm
