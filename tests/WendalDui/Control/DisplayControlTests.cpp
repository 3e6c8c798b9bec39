// The passive display controls inside a real window: the label's format and
// colours, walking and activating links, the picture's file and ownership
// rules, and when the separator measures its caption.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "Core/UiTestSupport.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UIImage.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UILineSplitter.h"
#include "WendalDui/Control/UILinkCtrl.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/SkinPalette.h"

namespace {

using namespace wendaldui;
using ui_testing::PumpFor;

constexpr uint32_t kShown = kControlVisible;
constexpr uint32_t kTab = kControlVisible | kControlTabStop;
constexpr uint32_t kWhite = 0xFFFFFF;
const wchar_t kThreeLinks[] = L"<a href=\"x\">一</a> <a href=\"y\">二</a> <a href=\"zz\">三</a>";

std::vector<std::wstring> g_opened;
HINSTANCE RecordOpen(const wchar_t* target) {
    g_opened.push_back(target);
    return reinterpret_cast<HINSTANCE>(33);
}

bool Near(uint32_t expected, uint32_t actual, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((expected >> shift) & 0xFF), b = static_cast<int>((actual >> shift) & 0xFF);
        if (std::abs(a - b) > tolerance) return false;
    }
    return true;
}

class DisplayControls : public testing::Test {
protected:
    DisplayControls() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {}
    void SetUp() override {
        g_opened.clear();
        m_previousOpen = SetShellOpenFunction(&RecordOpen);
        root = new CUIContainer2;
        window.SetRoot(root);
        hwnd = ui_testing::CreateTestWindow(window, 0, 0, 600, 480);
        ASSERT_NE(nullptr, hwnd);
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        PumpFor(50);
    }
    void TearDown() override {
        if (hwnd) DestroyWindow(hwnd);
        SetShellOpenFunction(m_previousOpen);
        SetShift(false);
    }

    template <typename T>
    T* Add(T* control, uint32_t flags, const UIRect& rect, void* arg = nullptr, CUIContainer* parent = nullptr) {
        EXPECT_TRUE(control->Create(parent ? parent : root, flags, rect, ++m_lastId, arg));
        return control;
    }
    void Paint() { RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW); }
    bool PaintPending() const {
        RECT r;
        return GetUpdateRect(hwnd, &r, FALSE) != FALSE;
    }
    uint32_t Pixel(int x, int y) const {
        const COffscreenDC& s = window.GetOffscreenDC();
        return s.GetBits()[y * s.GetWidth() + x] & 0xFFFFFF;
    }
    int CountNear(const UIRect& r, uint32_t rgb, int tolerance) const {
        int count = 0;
        for (int y = r.y; y < r.y + r.height; ++y) {
            for (int x = r.x; x < r.x + r.width; ++x) count += Near(rgb, Pixel(x, y), tolerance) ? 1 : 0;
        }
        return count;
    }
    void Key(UINT vk) { SendMessageW(hwnd, WM_KEYDOWN, vk, 1); }
    static void SetShift(bool down) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    // The centre of a link's first piece, in window coordinates.
    static POINT LinkPoint(CUILinkCtrl* link, int index) {
        const CFormattedText::Link* found = link->GetFormattedText().GetLink(index);
        EXPECT_NE(nullptr, found);
        if (!found) return POINT{0, 0};
        const UIRect piece = found->rects.at(0).Offset(link->GetWindowRect().x, link->GetWindowRect().y);
        return POINT{piece.x + piece.width / 2, piece.y + piece.height / 2};
    }
    void Click(POINT down, POINT up) {
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
        SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    }

    CDuiSkinManager skin;
    CDuiWindow window;
    CUIContainer2* root = nullptr;
    HWND hwnd = NULL;

private:
    ShellOpenFunction m_previousOpen = nullptr;
    int m_lastId = 0;
};

// ---------------------------------------------------------------- label

TEST_F(DisplayControls, LabelFormatFollowsTheStyleBitsAndOnlyTheFormatBitsChangeLater) {
    using namespace Gdiplus;
    struct Case {
        uint32_t flags;
        StringAlignment alignment, line;
        bool noWrap;
        StringTrimming trimming;
    } cases[] = {
        {0, StringAlignmentNear, StringAlignmentNear, true, StringTrimmingNone},
        {kLabelEllipsis | kLabelAlignFar, StringAlignmentFar, StringAlignmentNear, true,
         StringTrimmingEllipsisCharacter},
        {kLabelWordWrap | kLabelVCenter | kLabelAlignCentre, StringAlignmentCenter, StringAlignmentCenter, false,
         StringTrimmingNone},
        {kLabelAlignCentre | kLabelAlignFar, StringAlignmentNear, StringAlignmentNear, true, StringTrimmingNone},
    };
    // One format through every case: nothing of the previous bits may stay.
    StringFormat format;
    for (const Case& c : cases) {
        CUILabel::ApplyStyleToFormat(c.flags, &format);
        EXPECT_EQ(c.alignment, format.GetAlignment()) << std::hex << c.flags;
        EXPECT_EQ(c.line, format.GetLineAlignment()) << std::hex << c.flags;
        EXPECT_EQ(c.noWrap, (format.GetFormatFlags() & StringFormatFlagsNoWrap) != 0) << std::hex << c.flags;
        EXPECT_EQ(c.trimming, format.GetTrimming()) << std::hex << c.flags;
    }

    CUILabel* label = Add(new CUILabel, kShown, UIRect(10, 10, 120, 120));
    const struct {
        uint32_t bit;
        bool accepted;
    } changes[] = {{kLabelWordWrap, true},  {kLabelVCenter, true}, {kLabelAlignCentre, true},
                   {kLabelAlignFar, false}, {kLabelEllipsis, false}, {kLabelGlow, false}};
    for (const auto& change : changes) {
        EXPECT_EQ(change.accepted, (label->SetFlags(label->GetFlags() | change.bit) & change.bit) != 0)
            << std::hex << change.bit;
        label->SetFlags(label->GetFlags() & ~change.bit);
    }

    // A flag change reaches the next paint: unwrapped, a long text keeps to
    // its first line; wrapped, it fills lines further down.
    label->SetText(L"启动游戏启动游戏启动游戏启动游戏启动游戏启动游戏");
    const UIRect r = label->GetWindowRect();
    const int below = static_cast<int>(40 * g_dpiFactor);
    const UIRect lower(r.x, r.y + below, r.width, r.height - below);
    Paint();
    EXPECT_EQ(lower.width * lower.height, CountNear(lower, kWhite, 0));
    label->SetFlags(label->GetFlags() | kLabelWordWrap);
    Paint();
    EXPECT_LT(CountNear(lower, kWhite, 0), lower.width * lower.height);
}

// A disabled label shows palette entry 3, not its own colour, also when only
// an ancestor is disabled.
TEST_F(DisplayControls, DisabledLabelUsesPaletteEntryThreeNotItsOwnColour) {
    CUIContainer2* box = Add(new CUIContainer2, kShown, UIRect(0, 0, 300, 120));
    CUILabel* label = Add(new CUILabel, kShown, UIRect(10, 10, 260, 90), nullptr, box);
    label->SetFont(new Gdiplus::Font(L"微软雅黑", 40 * g_dpiFactor, Gdiplus::FontStyleBold, Gdiplus::UnitPixel));
    label->SetText(L"国国国");
    label->SetTextColor(0xFFFF0000);
    const uint32_t disabled = AlphaComposite(skin.GetColor(3), 0xFFFFFFFF) & 0xFFFFFF;
    ASSERT_FALSE(Near(disabled, 0xFF0000, 40));
    const UIRect r = label->GetWindowRect();

    Paint();
    EXPECT_GT(CountNear(r, 0xFF0000, 24), 30);
    EXPECT_LT(CountNear(r, disabled, 24), 5);
    for (CUIControl* off : {static_cast<CUIControl*>(label), static_cast<CUIControl*>(box)}) {
        off->Enable(false);
        Paint();
        EXPECT_EQ(0, CountNear(r, 0xFF0000, 24));
        EXPECT_GT(CountNear(r, disabled, 24), 30);
        off->Enable(true);
    }
}

// ---------------------------------------------------------------- links

TEST_F(DisplayControls, SameLinkTextKeepsTheHotLinkAndDoesNotRepaint) {
    CUILinkCtrl* link = Add(new CUILinkCtrl, kTab, UIRect(10, 10, 300, 40));
    link->SetText(kThreeLinks, -1);
    link->SetFocus(kFocusByTab);
    Key(VK_TAB);
    ASSERT_EQ(1, link->GetHotLink());
    UpdateWindow(hwnd);
    ASSERT_FALSE(PaintPending());

    const std::wstring same(kThreeLinks);
    link->SetText(same.c_str(), static_cast<int>(same.size()));
    EXPECT_EQ(1, link->GetHotLink());
    EXPECT_FALSE(PaintPending());

    link->SetText(L"<a href=\"x\">一</a>", -1);
    EXPECT_EQ(-1, link->GetHotLink());
    EXPECT_TRUE(PaintPending());
}

// Tab from the control before visits links 0, 1, 2, passes over a link
// control without links like any control, and leaves. No paint comes first:
// the links must be known before the text was ever drawn.
TEST_F(DisplayControls, TabVisitsEachLinkInTurnThenLeaves) {
    CUIControl* before = Add(new CUIControl, kTab, UIRect(0, 0, 10, 10));
    CUILinkCtrl* three = Add(new CUILinkCtrl, kTab, UIRect(10, 20, 300, 40));
    three->SetText(kThreeLinks, -1);
    CUILinkCtrl* none = Add(new CUILinkCtrl, kTab, UIRect(10, 70, 300, 40));
    none->SetText(L"没有链接", -1);
    CUIControl* after = Add(new CUIControl, kTab, UIRect(0, 120, 10, 10));
    ASSERT_TRUE(before->SetFocus(kFocusByTab));

    const std::vector<std::pair<CUIControl*, int>> expected = {{three, 0}, {three, 1}, {three, 2}, {none, -1},
                                                              {after, -1}};
    std::vector<std::pair<CUIControl*, int>> visited;
    for (size_t i = 0; i < expected.size(); ++i) {
        Key(VK_TAB);
        CUIControl* focused = root->GetFocusedControl();
        visited.push_back({focused, focused == three ? three->GetHotLink() : -1});
    }
    EXPECT_EQ(expected, visited);
    EXPECT_EQ(-1, three->GetHotLink());  // left behind without a chosen link

    // Backwards inside the control, and the focus frame around the chosen link.
    three->SetFocus(kFocusByTab);
    Key(VK_TAB);
    Key(VK_TAB);
    SetShift(true);
    Key(VK_TAB);
    SetShift(false);
    EXPECT_EQ(three, root->GetFocusedControl());
    EXPECT_EQ(1, three->GetHotLink());
    Paint();
    auto frameInk = [&](int index) {
        const CFormattedText::Link* found = three->GetFormattedText().GetLink(index);
        const UIRect top = found->rects.at(0).Offset(three->GetWindowRect().x, three->GetWindowRect().y);
        return top.width - CountNear(UIRect(top.x, top.y, top.width, 1), kWhite, 0);
    };
    EXPECT_GT(frameInk(1), 0);
    EXPECT_EQ(0, frameInk(0));
}

// Without 0x10000 a link raises event 0 with its href; with it the href goes
// to the shell (NUL-terminated) and no event comes; an empty href does
// nothing; a press on one link released on another activates neither.
TEST_F(DisplayControls, ActivatedLinkRaisesEventOrOpensWithTheShell) {
    struct Recorder {
        void OnClick(EventData& e) {
            hrefs.push_back(std::wstring(reinterpret_cast<const wchar_t*>(e.p1), e.p2));
        }
        std::vector<std::wstring> hrefs;
    };
    enum Action { kClickSecond, kDragFirstToSecond, kSpaceOnSecond };
    const struct Case {
        const char* name;
        uint32_t style;
        const wchar_t* text;
        Action action;
        std::vector<std::wstring> events, opened;
    } cases[] = {
        {"event", 0, kThreeLinks, kClickSecond, {L"y"}, {}},
        {"shell", kLinkOpenWithShell, kThreeLinks, kClickSecond, {}, {L"y"}},
        {"space", kLinkOpenWithShell, L"<a href=\"x\">一</a> <a href=\"zz\">二</a>", kSpaceOnSecond, {}, {L"zz"}},
        {"empty href", kLinkOpenWithShell, L"<a href=\"\">一</a> <a href=\"\">二</a>", kClickSecond, {}, {}},
        {"moved off", 0, kThreeLinks, kDragFirstToSecond, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_opened.clear();
        Recorder recorder;
        CUILinkCtrl* link = Add(new CUILinkCtrl, kTab | c.style, UIRect(10, 10, 300, 40));
        link->BindEvent(kEventClick, &recorder, &Recorder::OnClick);
        link->SetText(c.text, -1);
        Paint();
        if (c.action == kSpaceOnSecond) {
            link->SetFocus(kFocusByTab);
            Key(VK_TAB);
            Key(VK_SPACE);
        } else {
            Click(LinkPoint(link, c.action == kClickSecond ? 1 : 0), LinkPoint(link, 1));
        }
        EXPECT_EQ(c.events, recorder.hrefs);
        EXPECT_EQ(c.opened, g_opened);
        link->Destroy();
    }
}

TEST_F(DisplayControls, HandCursorOnlyOverALink) {
    CUILinkCtrl* link = Add(new CUILinkCtrl, kTab, UIRect(10, 10, 300, 40));
    link->SetText(L"文字 <a href=\"x\">链接</a>", -1);
    Paint();
    const POINT onLink = LinkPoint(link, 0);
    const UIRect r = link->GetWindowRect();
    const struct {
        POINT at;
        bool hand;
    } cases[] = {{onLink, true}, {{r.x + 2, onLink.y}, false}};
    for (const auto& c : cases) {
        SetCursorPos(c.at.x, c.at.y);
        PumpFor(100);  // the cursor position of the current message
        SetCursor(NULL);
        EXPECT_EQ(c.hand, link->OnSetCursor()) << c.at.x;
        EXPECT_EQ(c.hand, GetCursor() == skin.GetHandCursor()) << c.at.x;
    }
}

// ---------------------------------------------------------------- image

// Writes a 6 x 4 PNG, red on the left half and blue on the right.
bool WriteTestPng(const std::wstring& path) {
    Gdiplus::Bitmap picture(6, 4, PixelFormat32bppARGB);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) picture.SetPixel(x, y, Gdiplus::Color(x < 3 ? 0xFFFF0000 : 0xFF0000FF));
    }
    UINT count = 0, bytes = 0;
    Gdiplus::GetImageEncodersSize(&count, &bytes);
    std::vector<BYTE> buffer(bytes);
    Gdiplus::ImageCodecInfo* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, bytes, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            return picture.Save(path.c_str(), &codecs[i].Clsid, NULL) == Gdiplus::Ok;
        }
    }
    return false;
}

std::wstring TempPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name + std::to_wstring(GetCurrentProcessId());
}

// The shown picture is a copy: the file can be deleted at once, the pixels
// are right at natural size and stretched, and a missing or corrupt file
// leaves no image (and no old picture on screen).
TEST_F(DisplayControls, ImageFromFileReleasesTheFileAndKeepsItsPixels) {
    const std::wstring path = TempPath(L"picture.png");
    ASSERT_TRUE(WriteTestPng(path));
    CUIImage* image = Add(new CUIImage, kShown | kControlRectInPixels, UIRect(20, 20, 60, 40));
    image->LoadFromFile(path.c_str());
    ASSERT_NE(nullptr, image->GetImage());
    EXPECT_EQ(PixelFormat32bppPARGB, image->GetImage()->GetPixelFormat());
    EXPECT_TRUE(image->GetFlags() & kImageOwned);
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the picture file is still locked";

    Paint();
    EXPECT_EQ(0xFF0000u, Pixel(20, 20));
    EXPECT_EQ(0xFF0000u, Pixel(22, 23));
    EXPECT_EQ(0x0000FFu, Pixel(23, 20));
    EXPECT_EQ(0x0000FFu, Pixel(25, 23));
    EXPECT_EQ(kWhite, Pixel(26, 20));
    EXPECT_EQ(kWhite, Pixel(20, 24));
    image->SetDrawMode(kImageStretch);
    Paint();
    EXPECT_EQ(0xFF0000u, Pixel(30, 40));
    EXPECT_EQ(0x0000FFu, Pixel(70, 40));
    for (uint32_t nothing : {1u, 2u}) {
        image->SetDrawMode(nothing);
        Paint();
        EXPECT_EQ(kWhite, Pixel(30, 40)) << nothing;
    }
    image->SetDrawMode(kImageNaturalSize);
    Paint();

    HANDLE corrupt = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(corrupt, "not a picture", 13, &written, NULL);
    CloseHandle(corrupt);
    for (const wchar_t* bad : {path.c_str(), L"Z:\\no\\such\\picture.png", static_cast<const wchar_t*>(nullptr)}) {
        image->SetImage(new Gdiplus::Bitmap(2, 2, PixelFormat32bppPARGB), true);
        image->LoadFromFile(bad);
        EXPECT_EQ(nullptr, image->GetImage());
    }
    EXPECT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_TRUE(PaintPending());
    Paint();
    EXPECT_EQ(kWhite, Pixel(20, 20));
}

class CountedBitmap : public Gdiplus::Bitmap {
public:
    explicit CountedBitmap(int& deletions) : Gdiplus::Bitmap(4, 4, PixelFormat32bppPARGB), m_deletions(deletions) {}
    ~CountedBitmap() override { ++m_deletions; }

private:
    int& m_deletions;
};

// A lent bitmap (own = false) is never deleted, however the control lets go
// of it; an owned one is deleted exactly once.
TEST_F(DisplayControls, ImageNeverDeletesALentBitmap) {
    enum End { kDestroy, kRemovedByParent, kReplacedByOwned, kReplacedByFile, kWindowClosed };
    const struct {
        const char* name;
        bool viaArgument;
        End end;
    } cases[] = {{"destroyed", false, kDestroy},
                 {"create argument", true, kDestroy},
                 {"deleted by its parent", true, kRemovedByParent},
                 {"replaced", false, kReplacedByOwned},
                 {"file loaded", false, kReplacedByFile},
                 {"window closed", false, kWindowClosed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int lentDeletions = 0, ownedDeletions = 0;
        CountedBitmap* lent = new CountedBitmap(lentDeletions);
        UIImageArg arg = {lent, 0, UIImageArg::kBitmap};
        CUIImage* image = Add(new CUIImage, kShown, UIRect(0, 0, 20, 20), c.viaArgument ? &arg : nullptr);
        if (!c.viaArgument) image->SetImage(lent, false);
        ASSERT_EQ(lent, image->GetImage());
        EXPECT_FALSE(image->GetFlags() & kImageOwned);
        switch (c.end) {
        case kDestroy: image->Destroy(); break;
        case kRemovedByParent: root->RemoveChild(image); break;
        case kReplacedByOwned:
            image->SetImage(new CountedBitmap(ownedDeletions), true);
            image->Destroy();
            EXPECT_EQ(1, ownedDeletions);
            break;
        case kReplacedByFile:
            image->LoadFromFile(L"Z:\\no\\such\\picture.png");
            image->Destroy();
            break;
        case kWindowClosed:
            DestroyWindow(hwnd);
            hwnd = NULL;
            break;
        }
        EXPECT_EQ(0, lentDeletions);
        delete lent;
        EXPECT_EQ(1, lentDeletions);
    }
    // The other kinds of argument: a file, and an unknown kind that makes an empty image.
    UIImageArg missing = {L"Z:\\no\\such\\picture.png", 0, UIImageArg::kFile};
    UIImageArg unknown = {L"ignored", 1, 7};
    for (UIImageArg* arg : {&missing, &unknown}) {
        CUIImage image;
        image.OnCreate(arg);
        EXPECT_EQ(nullptr, image.GetImage());
    }
}

// ---------------------------------------------------------------- separator

class CountingSplitter : public CUILineSplitter {
public:
    int measures = 0;

protected:
    int MeasureCaption() override {
        ++measures;
        return CUILineSplitter::MeasureCaption();
    }
};

// The caption is measured at the first paint and again only after a change
// of font face; without a caption the line runs through.
TEST_F(DisplayControls, SplitterMeasuresItsCaptionOnceAndAfterAFontChange) {
    wchar_t caption[] = L"常规设置";
    CountingSplitter* titled = Add(new CountingSplitter, kShown, UIRect(10, 10, 300, 24), caption);
    CountingSplitter* plain = Add(new CountingSplitter, kShown, UIRect(10, 50, 300, 24));
    caption[0] = L'X';  // the control keeps its own copy
    EXPECT_STREQ(L"常规设置", titled->GetCaption().GetString());
    EXPECT_EQ(-1, titled->GetCaptionWidth());

    Paint();
    Paint();
    EXPECT_EQ(1, titled->measures);
    EXPECT_EQ(0, plain->measures);
    EXPECT_GT(titled->GetCaptionWidth(), 0);
    const double orange[3] = {30, 0.8, 0.5};
    skin.SetThemeColor(orange, true);
    Paint();
    EXPECT_EQ(1, titled->measures);
    skin.SetFontFace(L"微软雅黑");
    EXPECT_EQ(-1, titled->GetCaptionWidth());
    Paint();
    Paint();
    EXPECT_EQ(2, titled->measures);

    // The line at mid-height: broken between the left part and the caption,
    // whole without a caption.
    const uint32_t line = AlphaComposite(0xE6C8C8C8, 0xFFFFFFFF) & 0xFFFFFF;
    const int leftEnd = static_cast<int>(40 * g_dpiFactor), inGap = leftEnd + 2;
    const struct {
        CUILineSplitter* splitter;
        bool broken;
    } cases[] = {{titled, true}, {plain, false}};
    for (const auto& c : cases) {
        const UIRect r = c.splitter->GetWindowRect();
        const int y = r.y + r.height / 2;
        EXPECT_PRED3(Near, line, Pixel(r.x + 2, y), 2);
        EXPECT_PRED3(Near, line, Pixel(r.x + r.width - 3, y), 2);
        EXPECT_EQ(c.broken, Pixel(r.x + inGap, y) == kWhite) << c.broken;
        EXPECT_EQ(kWhite, Pixel(r.x + 2, y - 2));
    }
}

}  // namespace
