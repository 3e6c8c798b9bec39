#include "launcher/MinecraftLauncher.h"

#include <vector>

#include "core/Encoding.h"
#include "core/FileUtils.h"
#include "core/JsonFile.h"
#include "core/ProcessStart.h"
#include "core/Sha1.h"
#include "core/TextFile.h"
#include "core/Win32Error.h"
#include "launcher/LibraryRules.h"

namespace trelm {
namespace launcher {

namespace {

const wchar_t kBadMember[] = L"Json文件(%s)缺失成员\"%s\"或此成员值不正确";
// Named after the options Mojang's own launcher passes, which some Intel
// drivers look for to pick their fast path.
const wchar_t kHeapDumpOption[] =
    L"-XX:HeapDumpPath=MojangTricksIntelDriversForPerformance_javaw.exe_minecraft.exe.heapdump";
const wchar_t kDefaultProfiles[] =
    L"{\"selectedProfile\": \"(Default)\",\"profiles\": {\"(Default)\": {\"name\": \"(Default)\"}},"
    L"\"clientToken\": \"5c0e7b2d-91a4-4f36-b8d2-0a7e3c9f1b64\"}";

WString Quoted(const WString& text) {
    WString out(L"\"");
    out.Append(text);
    out.Append(L"\"");
    return out;
}

WString WithoutFinalSeparator(WString path) {
    if (!path.IsEmpty() && path[path.GetLength() - 1] == L'\\') path.Truncate(path.GetLength() - 1);
    return path;
}

}  // namespace

void MinecraftLauncher::SetVersionAndJava(const wchar_t* versionId, const JavaRuntimeInfo& java) {
    SetVersion(versionId);
    arch = java.is64Bit ? 1 : 0;
    m_java = java;
}

void MinecraftLauncher::GetJavaExecutable(WString& out, bool useJavaExe) const {
    if (m_java.origin == kJavaFromRegistry)
        out.Format(useJavaExe ? L"%sbin\\java.exe" : L"%sbin\\javaw.exe", m_java.path.GetString());
    else
        out = m_java.path;
}

// Every allowed library of every document, selected version first; a
// library listed twice is put on the path twice, as the game's own launcher
// does.
bool MinecraftLauncher::AppendClassPath(WString& commandLine) {
    const std::vector<VersionChainEntry>& documents = GetChain();
    for (const VersionChainEntry& entry : documents) {
        const JsonValue* libraries = FindJsonMember(*entry.document, L"libraries");
        if (libraries == nullptr || !libraries->IsArray())
            return Fail(kBadMember, entry.path->GetString(), L"libraries");
        for (const JsonValue& library : libraries->GetArray()) {
            bool allowed = false;
            WString path;
            if (!GetLibraryPath(library, arch, allowed, path))
                return Fail(kBadMember, entry.path->GetString(), L"libraries");
            if (!allowed) continue;
            WString file;
            GetLibraryFilePath(file, path.GetString());
            commandLine.Append(file);
            commandLine.Append(L";");
        }
    }
    WString rootId;
    JsonStringToWString((*documents.back().document)[L"id"], &rootId);
    WString jar;
    GetVersionJarPath(jar, rootId.GetString());
    commandLine.Append(jar);
    return true;
}

void MinecraftLauncher::FillArguments(WString& arguments, const WString& id, const LaunchGameOptions& game) const {
    const JsonValue* assetsMember = FindJsonMember(*GetChain().back().document, L"assets");
    WString assetsId(L"legacy");
    if (IsJsonString(assetsMember)) JsonStringToWString(*assetsMember, &assetsId);

    WString gameDirectory;
    if (game.separateFolders)
        gameDirectory.Format(L"%s.minecraft\\versions\\%s", root.GetString(), id.GetString());
    else
        gameDirectory.Format(L"%s.minecraft", root.GetString());
    WString assetsRoot;
    if (assetsId == L"legacy")
        assetsRoot.Format(L"%s.minecraft\\assets\\virtual\\legacy", root.GetString());
    else
        assetsRoot.Format(L"%s.minecraft\\assets", root.GetString());

    const bool online = game.accountKind == kAccountOnline;
    WString uuid = game.uuid;
    if (!online && uuid.IsEmpty()) MakeOfflineUuid(uuid, game.playerName);

    arguments.Replace(L"${assets_index_name}", assetsId.GetString());
    arguments.Replace(L"${version_name}", id.GetString());
    arguments.Replace(L"${game_directory}", Quoted(gameDirectory).GetString());
    arguments.Replace(L"${game_assets}", Quoted(assetsRoot).GetString());
    arguments.Replace(L"${assets_root}", Quoted(assetsRoot).GetString());
    arguments.Replace(L"${version_type}", Quoted(game.versionType).GetString());
    arguments.Replace(L"${auth_player_name}", game.playerName.GetString());
    arguments.Replace(L"${auth_uuid}", uuid.GetString());
    // Offline there is no token; the placeholders stay as the game knows them.
    if (online) {
        arguments.Replace(L"${auth_access_token}", game.accessToken.GetString());
        arguments.Replace(L"${auth_session}", game.accessToken.GetString());
    }
    arguments.Replace(L"${user_properties}", L"{}");
    arguments.Replace(L"${user_type}", online ? L"mojang" : L"Legacy");
}

bool MinecraftLauncher::BuildCommand(const LaunchJvmOptions& jvm, const LaunchGameOptions& game,
                                     WString& commandLine, WString& workingDirectory, WString& executable) {
    if (!EnsureVersionChain()) return false;
    const JsonValue& selected = *GetChain().front().document;
    WString id, mainClass, arguments;
    JsonStringToWString(selected[L"id"], &id);
    // The chain loader has checked both members of the selected version.
    JsonStringToWString(selected[L"mainClass"], &mainClass);
    JsonStringToWString(selected[L"minecraftArguments"], &arguments);

    GetJavaExecutable(executable, jvm.useJavaExe);
    WString line;
    line.GetBuffer(4096, false);  // room for a typical command line
    line.ReleaseBuffer(0);
    line.Append(Quoted(executable));
    line.Append(L" ");
    WString segment;
    segment.Format(L"%s %s -Xmx%dm %s", jvm.jvmHead.GetString(), kHeapDumpOption, jvm.heapMB, jvm.jvmTail.GetString());
    line.Append(segment);
    line.Append(L" ");
    line.Append(game.gameHead);
    line.Append(L" ");
    WString natives;
    GetNativesFolder(natives, id.GetString());
    line.Append(L"\"-Djava.library.path=");
    line.Append(WithoutFinalSeparator(natives));
    line.Append(L"\" -Dfml.ignoreInvalidMinecraftCertificates=true -Dfml.ignorePatchDiscrepancies=true ");
    line.Append(L"-cp \"");
    if (!AppendClassPath(line)) return false;
    line.Append(L"\" ");
    line.Append(mainClass);
    line.Append(L" ");
    FillArguments(arguments, id, game);
    line.Append(arguments);
    line.Append(L" ");
    segment.Format(L"--height %d --width %d %s", game.height, game.width, game.fullScreen ? L"--fullscreen" : L"");
    line.Append(segment);
    line.Append(L" ");
    line.Append(game.gameTail);
    commandLine = line;

    if (game.separateFolders)
        workingDirectory.Format(L"%s.minecraft\\versions\\%s\\", root.GetString(), id.GetString());
    else
        workingDirectory.Format(L"%s.minecraft\\", root.GetString());
    return true;
}

bool MinecraftLauncher::Launch(const LaunchJvmOptions& jvm, const LaunchGameOptions& game, bool inheritHandles,
                               STARTUPINFOW* startup, PROCESS_INFORMATION* process, WString* commandLine,
                               WString* workingDirectory) {
    WString line, folder, executable;
    if (!BuildCommand(jvm, game, line, folder, executable)) return false;
    if (commandLine != nullptr) *commandLine = line;
    if (workingDirectory != nullptr) *workingDirectory = folder;
    if (!StartProcess(line, nullptr, inheritHandles, folder.GetString(), startup, process)) {
        const WString error = LastErrorText();
        return Fail(L"无法创建进程\"%s\",%s", executable.GetString(), error.GetString());
    }
    return true;
}

bool MinecraftLauncher::EnsureLauncherProfiles() {
    WString path;
    path.Format(L"%s%slauncher_profiles.json", root.GetString(), L".minecraft\\");
    const DWORD attributes = GetFileAttributesW(path.GetString());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    return WriteTextFile(path.GetString(), kDefaultProfiles, false);
}

void MinecraftLauncher::MakeOfflineUuid(WString& out, const WString& playerName) {
    // SHA-1 over the nil namespace and the name, each UTF-16 unit widened to
    // four bytes, as the game's servers compute offline UUIDs.
    std::vector<uint8_t> data(16, 0);
    data.reserve(16 + 4 * static_cast<size_t>(playerName.GetLength()));
    for (int i = 0; i < playerName.GetLength(); ++i) {
        const unsigned unit = static_cast<unsigned>(playerName[i]);
        data.push_back(static_cast<uint8_t>(unit & 0xFF));
        data.push_back(static_cast<uint8_t>(unit >> 8));
        data.push_back(0);
        data.push_back(0);
    }
    uint8_t digest[kSha1DigestSize];
    Sha1OfBuffer(data.data(), data.size(), digest);
    digest[6] = static_cast<uint8_t>((digest[6] & 0x0F) | 0x50);
    digest[8] = static_cast<uint8_t>((digest[8] & 0x3F) | 0x80);
    out = HexEncode(digest, 16);
}

}  // namespace launcher
}  // namespace trelm
