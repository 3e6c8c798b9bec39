// One place a file may be fetched from.
#pragma once

#include <cstdint>

#include "core/AString.h"
#include "core/WString.h"

namespace trelm {
namespace download {

// Where a URL points; the download list shows the source by name.
enum DownloadSource : uint32_t {
    kSourceOfficial = 0,
    kSourceMirror = 1,
    kSourceForge = 2,
    kSourceUpdate = 3,
};

const wchar_t* DownloadSourceName(uint32_t source);

struct DownloadUrl {
    DownloadUrl(const WString& wideUrl, uint32_t sourceTag) : source(sourceTag) {
        url.AssignWide(wideUrl.GetString(), wideUrl.GetLength());
    }

    AString url;  // the HTTP library takes URLs in the ANSI code page
    uint32_t source;
};

}  // namespace download
}  // namespace trelm
