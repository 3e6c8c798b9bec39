// What a game server says about itself in its status JSON, and the words
// for the ping client's result codes.
#pragma once

#include <cstdint>
#include <vector>

#include "core/WString.h"

namespace Gdiplus {
class Bitmap;
}

namespace mcmotd {

struct ServerStatusPlayer {
    WString name;
    WString id;
};

struct ServerStatusMod {
    WString modid;
    WString version;
};

// What the parser keeps of the lists, so that no answer can hold up the
// windows that show them: a server sends a sample of 12 players, names of
// at most 16 letters and ids of 36; a modded one lists some hundred mods.
constexpr size_t kMaxSampleRows = 100;
constexpr size_t kMaxModRows = 1000;
constexpr int kMaxRowTextLength = 64;  // of each name, id, mod id and version

struct ServerStatus {
    WString description;
    WString versionName;
    std::vector<ServerStatusPlayer> sample;
    std::vector<ServerStatusMod> mods;
    uint32_t playersMax = 0;
    uint32_t playersOnline = 0;
};

// Result codes of the exchange and of the parser; ServerStatusText words them.
enum PingResult {
    kPingOk = 0,
    kPingAborted = 1,
    kPingUnresolved = 2,
    kPingConnectFailed = 3,
    kPingTransferFailed = 4,
    kPingMalformed = 5,
    kPingServerStarting = 6,
    kPingBadJson = 7,
};

// Bits of ParseServerStatus's parts.
enum ServerStatusParts : uint32_t {
    kStatusDescription = 1,
    kStatusVersion = 2,
    kStatusPlayerCounts = 4,
    kStatusPlayerSample = 8,
    kStatusModList = 16,
};

// Fills the parts asked for; kPingOk, kPingServerStarting or kPingBadJson
// (no JSON object). The lists keep their first rows (kMaxSampleRows,
// kMaxModRows) and each text its first kMaxRowTextLength characters; a
// negative player count is taken as 0. With favicon given, *favicon becomes the server's icon
// (the caller deletes it) or null; GDI+ must have been started.
int ParseServerStatus(const WString& json, ServerStatus& out, uint32_t parts, Gdiplus::Bitmap** favicon);
const wchar_t* ServerStatusText(int code);

}  // namespace mcmotd
