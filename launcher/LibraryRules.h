// How a library entry of a version JSON applies to this system and where its
// jar lives below ".minecraft\libraries\".
#pragma once

#include "core/JsonFile.h"
#include "core/WString.h"

namespace trelm {
namespace launcher {

// The texts that replace "${arch}" in native classifiers, by the file
// manager's arch index.
extern const wchar_t* const kArchTexts[2];

// Evaluates "rules" (the last rule naming "windows" wins over the generic
// ones) and "clientreq". False when the entry or its rules are malformed.
bool CheckLibraryRules(const JsonValue& library, bool& allowed);

// The classifier of a native library ("natives"."windows" with "${arch}"
// filled in); false when the library has none.
bool GetNativeClassifier(const JsonValue& library, int arch, WString& classifier);

// The "downloads" entry of the library: "classifiers"[classifier] for a
// native library, else "artifact"; null when there is none.
const JsonValue* FindDownloadEntry(const JsonValue& library, bool isNative, const WString& classifier);

// The library's relative path with "\" separators, from "downloads" when it
// gives one, else from the maven name. A library that is not allowed
// succeeds with an empty path. A path that would leave the libraries folder
// is a malformed entry.
bool GetLibraryPath(const JsonValue& library, int arch, bool& allowed, WString& path);

// "group:artifact:version" to "group/as/folders/artifact/version/
// artifact-version[-classifier].jar"; the version is everything after the
// second ':'. False for a name without two ':' or one that would leave the
// libraries folder.
bool MavenNameToPath(WString& out, const wchar_t* name, const wchar_t* classifier);

}  // namespace launcher
}  // namespace trelm
