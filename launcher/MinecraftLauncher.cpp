#include "launcher/MinecraftLauncher.h"

#include <cwchar>
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

struct Placeholder {
    const wchar_t* name;
    WString value;
};

// Every known placeholder replaced in one pass, so a value that itself reads
// like a placeholder stays as it is; unknown ones stay in the text. A value
// quoted right after backslashes of the text gets them doubled, or they
// would escape its opening quote.
WString FillPlaceholders(const WString& text, const std::vector<Placeholder>& placeholders) {
    WString out;
    const wchar_t* p = text.GetString();
    const wchar_t* end = p + text.GetLength();
    while (p < end) {
        const Placeholder* found = nullptr;
        if (p[0] == L'$' && p + 1 < end && p[1] == L'{') {
            for (const Placeholder& placeholder : placeholders) {
                const size_t length = wcslen(placeholder.name);
                if (static_cast<size_t>(end - p) >= length && wcsncmp(p, placeholder.name, length) == 0) {
                    found = &placeholder;
                    break;
                }
            }
        }
        if (found == nullptr) {
            out.Append(p, 1);
            ++p;
            continue;
        }
        if (!found->value.IsEmpty() && found->value[0] == L'"') {
            int backslashes = 0;
            while (backslashes < out.GetLength() && out[out.GetLength() - 1 - backslashes] == L'\\') ++backslashes;
            for (int i = 0; i < backslashes; ++i) out.Append(L"\\");
        }
        out.Append(found->value);
        p += wcslen(found->name);
    }
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
// does (launchwrapper aside: only the nearest document's).
bool MinecraftLauncher::BuildClassPath(WString& classPath) {
    const std::vector<VersionChainEntry>& documents = GetChain();
    std::vector<ChainLibrary> libraries;
    if (!CollectChainLibraries(libraries)) return false;
    for (const ChainLibrary& item : libraries) {
        bool allowed = false;
        WString path;
        if (!GetLibraryPath(*item.library, arch, allowed, path)) return Fail(kBadMember, item.jsonPath, L"libraries");
        if (!allowed) continue;
        WString file;
        GetLibraryFilePath(file, path.GetString());
        classPath.Append(file);
        classPath.Append(L";");
    }
    WString rootId;
    JsonStringToWString((*documents.back().document)[L"id"], &rootId);
    WString jar;
    GetVersionJarPath(jar, rootId.GetString());
    classPath.Append(jar);
    return true;
}

// Each value becomes exactly one argument, whatever the server, the files or
// the player put in it: the paths and the version type always in quotes,
// the others when they need them.
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

    std::vector<Placeholder> placeholders = {
        {L"${assets_index_name}", QuoteArgument(assetsId)},
        {L"${version_name}", QuoteArgument(id)},
        {L"${game_directory}", QuoteArgument(gameDirectory, true)},
        {L"${game_assets}", QuoteArgument(assetsRoot, true)},
        {L"${assets_root}", QuoteArgument(assetsRoot, true)},
        {L"${version_type}", QuoteArgument(game.versionType, true)},
        {L"${auth_player_name}", QuoteArgument(game.playerName)},
        {L"${auth_uuid}", QuoteArgument(uuid)},
        {L"${user_properties}", L"{}"},
        {L"${user_type}", online ? L"mojang" : L"Legacy"},
    };
    // Offline there is no token; the placeholders stay as the game knows them.
    if (online) {
        placeholders.push_back({L"${auth_access_token}", QuoteArgument(game.accessToken)});
        placeholders.push_back({L"${auth_session}", QuoteArgument(game.accessToken)});
    }
    arguments = FillPlaceholders(arguments, placeholders);
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
    WString natives, classPath;
    GetNativesFolder(natives, id.GetString());
    line.Append(QuoteArgument(WString(L"-Djava.library.path=") + WithoutFinalSeparator(natives), true));
    line.Append(L" -Dfml.ignoreInvalidMinecraftCertificates=true -Dfml.ignorePatchDiscrepancies=true ");
    line.Append(L"-cp ");
    if (!BuildClassPath(classPath)) return false;
    line.Append(QuoteArgument(classPath, true));
    line.Append(L" ");
    line.Append(mainClass);
    line.Append(L" ");
    FillArguments(arguments, id, game);
    line.Append(arguments);
    line.Append(L" ");
    segment.Format(L"--height %d --width %d %s", game.height, game.width, game.fullScreen ? L"--fullscreen" : L"");
    line.Append(segment);
    line.Append(L" ");
    line.Append(game.gameTail);
    // Cut by the system, the line would start the game with other arguments.
    if (line.GetLength() > kMaxCommandLineLength)
        return Fail(L"游戏的命令行有%d个字符，超过了Windows允许的%d个字符，无法启动。请减少附加参数，或把游戏放到路径更短的文件夹",
                    line.GetLength(), kMaxCommandLineLength);
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
