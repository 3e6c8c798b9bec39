// The launcher UI's process-wide services: the top-level window registry that
// ends the run, the taskbar progress, the window icon and pictures, the
// dominant colour of a picture, and the bounds of texts shown in rich edits.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>
#include <shobjidl.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "RecordingTaskbar.h"
#include "UiTestSupport.h"
#include "WendalDui/Core/ColorConvert.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiWindow.h"
#include "tests/support/TestPaths.h"
#include "ui/BoundedText.h"
#include "ui/DominantColor.h"
#include "ui/TaskbarProgress.h"
#include "ui/TopLevelWindows.h"
#include "ui/TrelmResourceManager.h"

namespace {

using namespace trelm::ui;

bool QuitPosted() {
    MSG msg;
    return PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

TEST(TopLevelWindowsTest, TheRunEndsWithTheLastTrackedWindowAndNotBefore) {
    QuitPosted();
    TopLevelWindows& windows = GetTopLevelWindows();
    // The main window closes while a game-exit dialog and an output window are open.
    windows.mainFrame = reinterpret_cast<CTrelmMainFrame*>(&windows);
    AddGameExitDialog();
    AddOutputWindow();
    windows.mainFrame = nullptr;
    CheckQuit();
    EXPECT_FALSE(QuitPosted());

    auto* exitDialog = new wendaldui::CDuiWindow;
    ui_testing::CreateTestWindow(*exitDialog, 10, 10, 50, 50);
    HWND hwnd = exitDialog->GetHWND();
    CloseGameExitDialog(exitDialog);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(QuitPosted());
    CloseOutputWindow(new wendaldui::CDuiWindow);
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(0, windows.OpenCount());
}

TEST(TaskbarProgressTest, StatesAndValuesOutOfAThousandReachTheTaskbar) {
    // Wine's taskbar object accepts everything and shows nothing, so a
    // recorder stands in for it.
    ITaskbarList3* old = ReplaceTaskbarProgress(nullptr);
    EXPECT_FALSE(SetTaskbarProgressState(NULL, kTaskbarNormal));
    EXPECT_FALSE(SetTaskbarProgressValue(NULL, 10));
    ui_testing::RecordingTaskbar recorder;
    ReplaceTaskbarProgress(&recorder);
    EXPECT_TRUE(SetTaskbarProgressState(NULL, kTaskbarIndeterminate));
    EXPECT_TRUE(SetTaskbarProgressValue(NULL, 250));
    EXPECT_TRUE(SetTaskbarProgressState(NULL, kTaskbarError));
    const std::vector<std::pair<int, ULONGLONG>> expected = {{1, ~0ull}, {-1, 250}, {4, ~0ull}};
    EXPECT_EQ(expected, recorder.calls);
    EXPECT_EQ(1000u, recorder.total);
    ReplaceTaskbarProgress(old);
}

std::string PngBytes() {
    std::unique_ptr<Gdiplus::Bitmap> picture(CTrelmResourceManager::GetResourcePicture(kPictureServerIcon));
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(NULL, TRUE, &stream);
    CLSID png;
    CLSIDFromString(L"{557CF406-1A04-11D3-9A73-0000F81EF32E}", &png);
    picture->Save(stream, &png, NULL);
    HGLOBAL global = NULL;
    GetHGlobalFromStream(stream, &global);
    const std::string bytes(static_cast<const char*>(GlobalLock(global)), GlobalSize(global));
    GlobalUnlock(global);
    stream->Release();
    return bytes;
}

TEST(ResourceManagerTest, IconFolderAndPictures) {
    const std::string png = PngBytes();
    ASSERT_GT(png.size(), 100u);
    const std::wstring source = testing_support::PathFromEnvironment("QUORVEL_SOURCE_DIR");
    const std::string ico = testing_support::ReadBytes(source + L"\\resources\\app.ico");
    ASSERT_FALSE(ico.empty());
    const std::string truncated = png.substr(0, 40);
    const struct {
        const wchar_t* name;
        const std::string* bytes;
        bool chosen;
    } cases[] = {
        {L"own.ico", &ico, true},    // an icon file
        {L"PIC.ICO", &png, true},    // upper case: read by GDI+, so a PNG inside works
        {L"pic.ico", &png, false},   // lower case: read as an icon, which a PNG is not
        {L"logo.png", &png, true},
        {L"broken.png", &truncated, false},
    };
    for (const auto& c : cases) {
        testing_support::TempDir folder;
        testing_support::WriteBytes(folder / c.name, *c.bytes);
        CTrelmResourceManager resources;
        EXPECT_EQ(&resources, CTrelmResourceManager::GetInstance());
        resources.LoadWindowIcon(folder.Path().c_str());
        ASSERT_NE(nullptr, resources.GetDefaultIcon());
        EXPECT_EQ(c.chosen, resources.GetWindowIcon() != resources.GetDefaultIcon()) << c.name;
    }
    CTrelmResourceManager resources;
    resources.LoadWindowIcon(L"no such folder\\");
    EXPECT_EQ(resources.GetDefaultIcon(), resources.GetWindowIcon());

    const UINT small = static_cast<UINT>(48 * wendaldui::g_dpiFactor);
    const struct {
        int kind;
        UINT size;
    } pictures[] = {{kPictureServerIcon, 64}, {kPictureUpdate, small}, {kPictureGame, small}, {3, 0}};
    for (const auto& p : pictures) {
        std::unique_ptr<Gdiplus::Bitmap> picture(CTrelmResourceManager::GetResourcePicture(p.kind));
        if (!p.size) {
            EXPECT_EQ(nullptr, picture);
            continue;
        }
        ASSERT_NE(nullptr, picture) << p.kind;
        EXPECT_EQ(p.size, picture->GetWidth());
    }
}

std::unique_ptr<Gdiplus::Bitmap> Picture(int width, int height, const std::vector<uint32_t>& colours) {
    std::unique_ptr<Gdiplus::Bitmap> picture(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    // Bands of equal width, left to right.
    for (int x = 0; x < width; ++x) {
        const uint32_t colour = colours[x * colours.size() / width];
        for (int y = 0; y < height; ++y) picture->SetPixel(x, y, Gdiplus::Color(colour));
    }
    return picture;
}

TEST(DominantColorTest, PeaksWindowsAndFallbacks) {
    const struct {
        const char* what;
        int width, height;
        std::vector<uint32_t> colours;
        uint32_t expected;
    } cases[] = {
        {"a saturated colour, quantised", 200, 100, {0xFF3070C0}, 0xFF3878C8},
        {"grey has no hue to follow", 200, 100, {0xFF808080}, kDefaultThemeColor},
        {"black passes no window", 200, 100, {0xFF000000}, kDefaultThemeColor},
        {"two equal peaks: the first in scan order", 200, 100, {0xFFC03030, 0xFF3030C0}, 0xFF3838C8},
        {"a single pixel", 1, 1, {0xFF3070C0}, 0xFF3878C8},
    };
    for (const auto& c : cases) {
        auto picture = Picture(c.width, c.height, c.colours);
        EXPECT_EQ(c.expected, GetDominantColor(picture.get())) << c.what;
    }
    // Only the second window: a pale colour comes back with its lightness cut to 0.6.
    auto pale = Picture(100, 100, {0xFFA0C8F0});
    const uint32_t clamped = GetDominantColor(pale.get());
    EXPECT_NE(0xFFA8C8F8u, clamped);
    float hsl[3];
    wendaldui::ArgbToHsl(clamped, hsl);
    EXPECT_NEAR(0.6, hsl[2], 0.01);
    EXPECT_NEAR(216.0, hsl[0], 2.0);
}

TEST(BoundedTextTest, LongLinesGoInRowsCutAndTheWholeIsBounded) {
    const std::wstring row(kMaxRowChars, L'a');
    const std::wstring surrogate = std::wstring(kMaxRowChars - 1, L'b') + L"\xD83D\xDE00" + L"c";
    const struct {
        std::wstring text;
        int maxChars;
        std::wstring shown;
    } cases[] = {
        {L"short\r\nlines\nstay\r", 100, L"short\r\nlines\nstay\r"},
        {row + L"b\r\n", 10000, row + L"\r\nb\r\n"},
        // A row never ends between the two halves of a character.
        {surrogate, 10000, surrogate.substr(0, kMaxRowChars - 1) + L"\r\n" + surrogate.substr(kMaxRowChars - 1)},
        {L"0123456789\r\n0123456789\r\n", 15, L"0123456789\r\n\r\n……（内容过长，另有 12 个字符未显示）\r\n"},
        {std::wstring(500000, L'\n'), 100, std::wstring(100, L'\n') + L"\r\n……（内容过长，另有 499900 个字符未显示）\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.shown, std::wstring(BoundedText(c.text.c_str(), c.maxChars).GetString()))
            << c.text.size() << " characters";
    }
    // Beyond kMaxLineChars a line is cut, in kMaxRowChars rows, with a note.
    const std::wstring line(kMaxLineChars + 1000, L'x');
    const std::wstring shown = BoundedText((line + L"\r\nnext").c_str(), INT_MAX).GetString();
    std::wstring expected;
    for (int i = 0; i < kMaxLineChars / kMaxRowChars; ++i) expected += std::wstring(kMaxRowChars, L'x') + L"\r\n";
    expected.resize(expected.size() - 2);
    EXPECT_EQ(expected + L" ……（此行另有 1000 个字符未显示）\r\nnext", shown);
}

}  // namespace
