// What the Forge, OptiFine and LiteLoader installers share: the check of
// names that become ids and file names, the undo of a failed install, and
// the derived version JSON that OptiFine and LiteLoader write.
#pragma once

#include <vector>

#include "core/JsonFile.h"
#include "core/WString.h"
#include "core/byte_buffer.h"
#include "core/noncopyable.h"
#include "launcher/MinecraftFileManagerBase.h"

namespace trelm {
namespace launcher {

extern const wchar_t kInstallReadFailed[];   // "读取文件失败:%s"
extern const wchar_t kInstallParseFailed[];  // "解析Json文件失败:%s"
extern const wchar_t kInstallWriteFailed[];  // "写入文件失败:%s"
extern const wchar_t kInstallBadName[];      // a refused name, "%s" the name

// Texts from installer profiles and download lists end up in folder and
// file names: none may hold "\", "/", ":" (unless colonAllowed, for maven
// names) or "..", nor be empty.
bool IsSafeInstallName(const wchar_t* text, bool colonAllowed);

// The files one install writes. Track each file before writing it; unless
// Commit is called, the destructor puts back what stood there before: a
// replaced file gets its old bytes, a new one is removed with the folders
// it left empty. Each file is written beside and moved into place, so a
// process ended at any moment leaves it old or new, never cut; the ".old"
// copy such a process leaves is replaced or removed when the file is next
// tracked. The version JSON is written last: a version is listed and
// started only once the files it names are there.
class InstallTransaction : private wendal_::noncopyable {
public:
    explicit InstallTransaction(const WString& gameDir) : m_gameDir(gameDir) {}
    ~InstallTransaction();

    // False when the old file cannot be saved aside; write nothing then.
    bool Track(const WString& path);
    void Commit();

private:
    struct Entry {
        WString path;
        WString saved;  // the old bytes, beside the file; empty when there were none
    };
    WString m_gameDir;
    std::vector<Entry> m_entries;
};

// versions\<baseId>\<baseId>.json read whole (10 MiB) and parsed to an object.
bool LoadBaseVersionJson(const MinecraftFileManagerBase& tree, const WString& baseId, JsonDocument& document,
                         WString* message);

// Puts the members a derived version changes, in this order, each replaced
// in place or added at the end; libraries is moved into the document.
void SetDerivedVersionMembers(JsonDocument& document, const WString& id, JsonValue& libraries, const WString& baseId,
                              const WString& arguments);

// The "minecraftArguments" text; empty when it is no string.
WString GetMinecraftArguments(const JsonValue& document);

// Writes the jar under libraries\ at the maven path of libraryName, then
// versions\<id>\<id>.json; a failure leaves neither.
bool WriteDerivedVersion(const MinecraftFileManagerBase& tree, const JsonDocument& document, const WString& id,
                         const WString& libraryName, const wendal_::byte_buffer& jar, WString* message);

// The mods folder of the game folder, or of the version's own folder when
// the settings separate versions, with a trailing separator; false when
// versionId would leave versions\.
bool GetModsFolder(const MinecraftFileManagerBase& tree, const wchar_t* versionId, bool separateFolders,
                   WString& folder, WString* message);

// Copies the jar to folder + fileName, creating the folders, and tells the
// caller where it went (either out pointer may be null).
bool WriteModFile(const WString& folder, const WString& fileName, const wendal_::byte_buffer& jar, WString* message,
                  WString* modsFolder, WString* outFileName);

}  // namespace launcher
}  // namespace trelm
