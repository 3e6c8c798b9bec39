// Base addresses of the servers the launcher talks to, by role. The paths
// below them are fixed by each caller; only scheme, host and port live here,
// so that a private mirror or the tests' local servers can take their place.
#pragma once

#include "core/WString.h"

namespace trelm {

enum class Endpoint {
    VersionManifest,  // official version manifest (https)
    Libraries,        // official library server (https)
    Assets,           // official asset-object server (http)
    LegacyStore,      // legacy official store, "/Minecraft.Download/..." (https)
    ForgeMaven,       // Forge maven, "/maven/..." (http)
    MirrorMaven,      // download mirror, first host: maven (http)
    Mirror,           // download mirror, second host: everything else (http)
    Authentication,   // sign-in server, "/authenticate" (https)
    LiteLoader,       // LiteLoader server, "/versions/" (http)
    Update,           // update list, "/TRELM/docs/trelm_versions.json" (https)
    Count
};

// "scheme://host[:port]" without a trailing slash; empty when the role has
// no address.
const WString& EndpointBase(Endpoint role);

// The JSON file named by the environment variable QUORVEL_ENDPOINTS may
// replace any of the addresses ("libraries": "http://127.0.0.1:8080", ...).
// Called once at start-up, before any other thread runs. Unset: true, nothing
// changes. A file that cannot be read or holds a bad entry changes nothing
// and gives false with the reason in message. The sign-in and update
// addresses must be https unless their host is this machine (localhost,
// 127.x.x.x or [::1]).
bool LoadEndpointOverrides(WString* message);
bool LoadEndpointOverridesFromFile(const wchar_t* path, WString* message);

}  // namespace trelm
