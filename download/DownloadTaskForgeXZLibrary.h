// A Forge library published as "<jar>.pack.xz": downloaded like a common
// file, then turned into the jar by the Forge pipeline (launcher/), which
// also puts the jar in place.
#pragma once

#include "download/DownloadTaskCommonFile.h"
#include "launcher/ForgeXZPipeline.h"

namespace trelm {
namespace download {

class DownloadTaskForgeXZLibrary : public DownloadTaskCommonFile, private launcher::IForgeXZStatusSink {
public:
    DownloadTaskForgeXZLibrary(DownloadManager* manager, DownloadInfoForgeXZLibrary* info, uint32_t index);

protected:
    // Runs the pipeline on the downloaded body.
    bool VerifySha1(HANDLE file, bool* handleClosed, const wchar_t* path, WString* message) override;
    // The pipeline has written the target already.
    bool MoveIntoPlace(const wchar_t* path, WString* message) override;
    // The pipeline checks the jar's own checksums, not the body's SHA-1.
    bool HashesBody() const override { return false; }

private:
    void OnForgeXZStatus(const wchar_t* text) override;
};

}  // namespace download
}  // namespace trelm
