#include "launcher/ForgeXZPipeline.h"

#include <memory>

#include "core/Encoding.h"
#include "core/FileUtils.h"
#include "core/ScopedHandle.h"
#include "core/Win32Error.h"
#include "launcher/ErrorMsg.h"

namespace trelm {
namespace launcher {

namespace {

zip_t* OpenJar(const WString& path, int flags) {
    const std::unique_ptr<char[]> utf8 = WideToUtf8(path.GetString(), -1);
    if (!utf8) return nullptr;
    return zip_open(utf8.get(), flags, nullptr);
}

}  // namespace

ForgeXZPipeline::ForgeXZPipeline(const wchar_t* target, const std::vector<ForgeChecksum>& checksums,
                                 HANDLE stopEvent, IForgeXZStatusSink* status)
    : m_target(target), m_checksums(checksums), m_stopEvent(stopEvent), m_status(status) {}

void ForgeXZPipeline::Status(const wchar_t* text) {
    if (m_status) m_status->OnForgeXZStatus(text);
}

bool ForgeXZPipeline::Run(HANDLE downloaded, bool* handleClosed, const wchar_t* downloadedPath, WString* message) {
    *handleClosed = false;
    Status(L"正在验证Jar");
    // The mirror serves some of these libraries as the plain signed jar.
    WString ignored;
    if (VerifyForgeLibraryFile(downloaded, m_checksums, &ignored)) {
        return AcceptPlainJar(downloaded, handleClosed, downloadedPath, message);
    }

    Status(L"正在解压");
    const WString packPath = WString(downloadedPath) + L".t";
    ScopedHandle pack(CreateFileW(packPath.GetString(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!pack.IsValid()) {
        const WString error = LastErrorText();
        return Fail(message, L"创建文件失败 %s,%s", error.GetString(), packPath.GetString());
    }
    WString text;
    if (!XZUncompress(downloaded, pack.Get(), &text)) {
        pack.Close();
        DeleteFileW(packPath.GetString());
        return Fail(message, L"XZUncompress:%s", text.GetString());
    }

    CloseHandle(downloaded);
    *handleClosed = true;
    DeleteFileW(downloadedPath);

    wendal_::byte_buffer signature;
    const bool split = SplitForgeLibraryPack(pack.Get(), &signature, &text);
    pack.Close();
    if (!split) {
        DeleteFileW(packPath.GetString());
        return Fail(message, L"SplitForgeLibraryPack:%s", text.GetString());
    }

    // The unpacker writes a jar of its own beside the target, which replaces
    // the target only once it has passed the check: a failed run never
    // leaves a half-made jar under the target's name.
    Status(L"正在Unpack200");
    const WString jarPath = WString(downloadedPath) + L".jar";
    // The unpacker is given names relative to the folder it runs in.
    WString folder, packName, jarName;
    if (!GetDirectoryPart(packPath, &folder) || !GetFileNamePart(packPath, &packName) ||
        !GetFileNamePart(jarPath, &jarName)) {
        DeleteFileW(packPath.GetString());
        return Fail(message, L"Unpack200JavaLibrary:%s", jarPath.GetString());
    }
    DeleteFileW(jarPath.GetString());
    const bool unpacked = Unpack200JavaLibrary(folder.GetString(), packName.GetString(), jarName.GetString(),
                                               m_stopEvent, &text, m_unpackTimeoutMs);
    DeleteFileW(packPath.GetString());
    if (!unpacked) {
        DeleteFileW(jarPath.GetString());
        return Fail(message, L"Unpack200JavaLibrary:%s", text.GetString());
    }

    if (!FinishJar(jarPath, signature, message) || !MoveOntoTarget(jarPath, message)) {
        DeleteFileW(jarPath.GetString());
        return false;
    }
    return true;
}

bool ForgeXZPipeline::AcceptPlainJar(HANDLE downloaded, bool* handleClosed, const wchar_t* downloadedPath,
                                     WString* message) {
    CloseHandle(downloaded);
    *handleClosed = true;
    return MoveOntoTarget(downloadedPath, message);
}

bool ForgeXZPipeline::FinishJar(const WString& jarPath, const wendal_::byte_buffer& signature, WString* message) {
    zip_t* jar = OpenJar(jarPath, 0);
    if (!jar) return Fail(message, L"Failed to open jar");
    WString text;
    if (!ForgeLibraryAddSha1File(jar, signature, &text)) {
        zip_discard(jar);
        return Fail(message, L"ForgeLibraryAddSha1File:%s", text.GetString());
    }
    Status(L"正在验证Jar");
    if (zip_close(jar) != 0) {
        // A full disk ends here: libzip writes a temporary file and keeps the
        // old archive when that fails.
        Fail(message, L"Failed to write jar:%S", zip_strerror(jar));
        zip_discard(jar);
        return false;
    }

    // The new "checksums.sha1" can only be read back from the written file.
    jar = OpenJar(jarPath, ZIP_RDONLY);
    if (!jar) return Fail(message, L"Failed to open jar");
    const bool verified = VerifyForgeLibrary(jar, m_checksums, &text);
    zip_discard(jar);
    if (!verified) return Fail(message, L"VerifyForgeLibrary:%s", text.GetString());
    return true;
}

bool ForgeXZPipeline::MoveOntoTarget(const WString& from, WString* message) {
    // One step, so a failed move leaves an existing target whole.
    if (!MoveFileExW(from.GetString(), m_target.GetString(), MOVEFILE_REPLACE_EXISTING)) {
        return Fail(message, L"无法重命名文件 %s到%s", from.GetString(), m_target.GetString());
    }
    return true;
}

}  // namespace launcher
}  // namespace trelm
