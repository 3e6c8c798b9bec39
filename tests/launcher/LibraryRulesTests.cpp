// Which library entries apply to Windows and where their jars live.
#include "launcher/LibraryRules.h"

#include <gtest/gtest.h>

#include "tests/support/TestPaths.h"

namespace {

using namespace trelm::launcher;
using testing_support::Narrow;

JsonDocument Parse(const wchar_t* text) {
    JsonDocument document;
    EXPECT_TRUE(ParseJsonText(text, &document)) << Narrow(text);
    return document;
}

TEST(CheckLibraryRules, RulesMatrix) {
    static const struct {
        const wchar_t* library;
        bool valid;
        bool allowed;
    } cases[] = {
        {LR"({"name":"a:b:1"})", true, true},
        {LR"({"rules":[]})", true, false},
        {LR"({"rules":[{"action":"allow"}]})", true, true},
        {LR"({"rules":[{"action":"disallow"}]})", true, false},
        // Generic allow, then a rule for another system: still allowed.
        {LR"({"rules":[{"action":"allow"},{"action":"disallow","os":{"name":"osx"}}]})", true, true},
        // The Windows rule wins over a later generic one.
        {LR"({"rules":[{"action":"allow","os":{"name":"windows"}},{"action":"disallow"}]})", true, true},
        {LR"({"rules":[{"action":"allow"},{"action":"disallow","os":{"name":"windows"}}]})", true, false},
        // Only another system allowed: the generic result (none) holds.
        {LR"({"rules":[{"action":"allow","os":{"name":"osx"}}]})", true, false},
        // An "os" without a usable name is generic; only "name" is looked at.
        {LR"({"rules":[{"action":"allow","os":{"arch":"x86"}}]})", true, true},
        {LR"({"rules":[{"action":"allow","os":{"name":7}}]})", true, true},
        {LR"({"rules":[{"action":"allow","os":{"name":"windows","version":"^10\\."}}]})", true, true},
        {LR"({"rules":[{"action":"maybe"}]})", true, false},
        {LR"({"clientreq":false})", true, false},
        {LR"({"clientreq":true})", true, true},
        {LR"({"clientreq":0})", true, true},
        {LR"({"rules":[{"action":"disallow"}],"clientreq":false})", true, false},
        {LR"({"rules":{}})", false, false},
        {LR"({"rules":[1]})", false, false},
        {LR"({"rules":[{"os":{"name":"windows"}}]})", false, false},
        {LR"({"rules":[{"action":true}]})", false, false},
        {LR"([])", false, false},
    };
    for (const auto& c : cases) {
        JsonDocument library = Parse(c.library);
        bool allowed = !c.allowed;
        EXPECT_EQ(c.valid, CheckLibraryRules(library, allowed)) << Narrow(c.library);
        if (c.valid) {
            EXPECT_EQ(c.allowed, allowed) << Narrow(c.library);
        }
    }
}

TEST(MavenNameToPath, SplitsAtTheFirstTwoColons) {
    static const struct {
        const wchar_t* name;
        const wchar_t* classifier;
        const wchar_t* path;  // null: refused
    } cases[] = {
        {L"org.lwjgl.lwjgl:lwjgl:2.9.1", nullptr, L"org/lwjgl/lwjgl/lwjgl/2.9.1/lwjgl-2.9.1.jar"},
        {L"org.lwjgl.lwjgl:lwjgl-platform:2.9.1", L"natives-windows",
         L"org/lwjgl/lwjgl/lwjgl-platform/2.9.1/lwjgl-platform-2.9.1-natives-windows.jar"},
        {L"a:b:1", L"", L"a/b/1/b-1.jar"},
        // Three colons would put ':' into a folder name, which Windows
        // reads as a data stream: refused like the other unsafe names.
        {L"g:a:1.0:extra", nullptr, nullptr},
        {L"g:a", nullptr, nullptr},
        {L"nothing", nullptr, nullptr},
        // Names from downloaded JSONs must not climb out of the libraries.
        {L"a:b:../../../x", nullptr, nullptr},
        {L"..:b:1", nullptr, nullptr},
        {L"a:..:1", nullptr, nullptr},
        {L".a:b:1", nullptr, nullptr},
        {L"a:b:1", L"/../../x", nullptr},
        {L"C::b:1", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        WString path = L"unchanged";
        const bool ok = MavenNameToPath(path, c.name, c.classifier);
        if (c.path == nullptr) {
            EXPECT_FALSE(ok) << Narrow(c.name);
            EXPECT_STREQ(L"unchanged", path.GetString());
        } else {
            EXPECT_TRUE(ok) << Narrow(c.name);
            EXPECT_STREQ(c.path, path.GetString()) << Narrow(c.name);
        }
    }
}

TEST(GetLibraryPath, DownloadsFirstThenMavenWithTheNativeClassifier) {
    static const struct {
        const wchar_t* library;
        int arch;
        bool valid;
        const wchar_t* path;  // empty: not allowed
    } cases[] = {
        {LR"({"name":"a.b:c:1"})", 0, true, LR"(a\b\c\1\c-1.jar)"},
        {LR"({"name":"a:c:1","downloads":{"artifact":{"path":"x/y.jar"}}})", 0, true, LR"(x\y.jar)"},
        // An artifact without "path" falls back to the name.
        {LR"({"name":"a:c:1","downloads":{"artifact":{"url":"u"}}})", 0, true, LR"(a\c\1\c-1.jar)"},
        {LR"({"name":"a:c:1","natives":{"windows":"natives-windows-${arch}"}})", 0, true,
         LR"(a\c\1\c-1-natives-windows-32.jar)"},
        {LR"({"name":"a:c:1","natives":{"windows":"natives-windows-${arch}"}})", 1, true,
         LR"(a\c\1\c-1-natives-windows-64.jar)"},
        {LR"({"name":"a:c:1","natives":{"windows":"nw"},
              "downloads":{"artifact":{"path":"art.jar"},"classifiers":{"nw":{"path":"n/w.jar"}}}})",
         0, true, LR"(n\w.jar)"},
        // A native without its classifier entry uses the maven name.
        {LR"({"name":"a:c:1","natives":{"linux":"nl","windows":"nw"},
              "downloads":{"classifiers":{"nl":{"path":"n/l.jar"}}}})",
         0, true, LR"(a\c\1\c-1-nw.jar)"},
        // "natives" without "windows" is no native library here.
        {LR"({"name":"a:c:1","natives":{"osx":"no"}})", 0, true, LR"(a\c\1\c-1.jar)"},
        {LR"({"name":"a:c:1","rules":[]})", 0, true, L""},
        {LR"({"rules":[]})", 0, true, L""},
        {LR"({"downloads":{}})", 0, false, nullptr},
        {LR"({"name":5})", 0, false, nullptr},
        {LR"({"name":"a:c:1","downloads":{"artifact":{"path":"../../evil.jar"}}})", 0, false, nullptr},
        {LR"({"name":"a:c:1","downloads":{"artifact":{"path":"/etc/evil.jar"}}})", 0, false, nullptr},
        {LR"({"name":"a:c:1","downloads":{"artifact":{"path":"C:/evil.jar"}}})", 0, false, nullptr},
        {LR"({"name":"a:c:1","downloads":{"artifact":{"path":"a/.. /evil.jar"}}})", 0, false, nullptr},
    };
    for (const auto& c : cases) {
        JsonDocument library = Parse(c.library);
        bool allowed = false;
        WString path;
        ASSERT_EQ(c.valid, GetLibraryPath(library, c.arch, allowed, path)) << Narrow(c.library);
        if (!c.valid) continue;
        EXPECT_EQ(c.path[0] != L'\0', allowed) << Narrow(c.library);
        EXPECT_STREQ(c.path, path.GetString()) << Narrow(c.library);
    }
}

}  // namespace
