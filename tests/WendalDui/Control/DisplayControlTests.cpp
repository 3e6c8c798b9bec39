// The passive display controls inside a real window: the label's format and
// colours, walking and activating links, the picture's file and ownership
// rules, and when the separator measures its caption.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

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
using ui_testing::NearWithin;

constexpr uint32_t kShown = kControlVisible, kTab = kControlVisible | kControlTabStop, kWhite = 0xFFFFFF;
constexpr wchar_t kThreeLinks[] = L"<a href=\"x\">一</a> <a href=\"y\">二</a> <a href=\"zz\">三</a>";
constexpr wchar_t kNoFile[] = L"Z:\\no\\such\\picture.png";

std::vector<std::wstring> g_opened;
HINSTANCE RecordOpen(const wchar_t* target) {
    g_opened.push_back(target);
    return reinterpret_cast<HINSTANCE>(33);
}

class DisplayControls : public testing::Test {
protected:
    DisplayControls() : skin(L"微软雅黑", 210, 0.5, 0.4, 0) {}
    void SetUp() override {
        g_opened.clear();
        m_previousOpen = SetShellOpenFunction(&RecordOpen);  // never a browser in tests
        root = new CUIContainer2;
        window.SetRoot(root);
        hwnd = ui_testing::CreateTestWindow(window, 0, 0, 600, 480);
        ASSERT_NE(nullptr, hwnd);
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        ui_testing::PumpFor(50);
    }
    void TearDown() override {
        if (hwnd) DestroyWindow(hwnd);
        SetShellOpenFunction(m_previousOpen);
    }

    template <typename T>
    T* Add(T* control, uint32_t flags, const UIRect& rect, void* arg = nullptr, CUIContainer* parent = nullptr) {
        EXPECT_TRUE(control->Create(parent ? parent : root, flags, rect, ++m_lastId, arg));
        return control;
    }
    void Paint() { RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW); }
    bool PaintPending() const { return GetUpdateRect(hwnd, NULL, FALSE) != FALSE; }
    void Key(UINT vk, LPARAM flags = 1) { SendMessageW(hwnd, WM_KEYDOWN, vk, flags); }
    uint32_t Pixel(int x, int y) const { return ui_testing::SurfacePixel(window, x, y); }
    int CountNear(const UIRect& r, uint32_t rgb, int tolerance) const {
        int count = 0;
        for (int y = r.y; y < r.y + r.height; ++y) {
            for (int x = r.x; x < r.x + r.width; ++x) count += NearWithin(rgb, Pixel(x, y), tolerance) ? 1 : 0;
        }
        return count;
    }
    // A link's first piece, in window coordinates.
    static UIRect LinkRect(CUILinkCtrl* link, int index) {
        const CFormattedText::Link* found = link->GetFormattedText().GetLink(index);
        if (!found || found->rects.empty()) return UIRect();
        return found->rects[0].Offset(link->GetWindowRect().x, link->GetWindowRect().y);
    }
    static LPARAM Centre(const UIRect& r) { return MAKELPARAM(r.x + r.width / 2, r.y + r.height / 2); }

    CDuiSkinManager skin;
    CDuiWindow window;
    CUIContainer2* root = nullptr;
    HWND hwnd = NULL;

private:
    ShellOpenFunction m_previousOpen = nullptr;
    int m_lastId = 0;
};

TEST_F(DisplayControls, LabelFormatFollowsTheStyleBitsAndOnlyTheFormatBitsChangeLater) {
    using namespace Gdiplus;
    const StringAlignment start = StringAlignmentNear, centre = StringAlignmentCenter, end = StringAlignmentFar;
    const StringTrimming none = StringTrimmingNone, ellipsis = StringTrimmingEllipsisCharacter;
    const struct {
        uint32_t flags;
        StringAlignment alignment, line;
        bool noWrap;
        StringTrimming trimming;
    } cases[] = {{0, start, start, true, none},
                 {kLabelEllipsis | kLabelAlignFar, end, start, true, ellipsis},
                 {kLabelWordWrap | kLabelVCenter | kLabelAlignCentre, centre, centre, false, none},
                 {kLabelAlignCentre | kLabelAlignFar, start, start, true, none}};
    StringFormat format;  // one format through every case: nothing of the previous bits may stay
    for (const auto& c : cases) {
        CUILabel::ApplyStyleToFormat(c.flags, &format);
        EXPECT_EQ(c.alignment, format.GetAlignment()) << std::hex << c.flags;
        EXPECT_EQ(c.line, format.GetLineAlignment()) << std::hex << c.flags;
        EXPECT_EQ(c.noWrap, (format.GetFormatFlags() & StringFormatFlagsNoWrap) != 0) << std::hex << c.flags;
        EXPECT_EQ(c.trimming, format.GetTrimming()) << std::hex << c.flags;
    }

    CUILabel* label = Add(new CUILabel, kShown, UIRect(10, 10, 120, 120));
    for (uint32_t bit :
         {kLabelWordWrap, kLabelVCenter, kLabelAlignCentre, kLabelAlignFar, kLabelEllipsis, kLabelGlow}) {
        const bool accepted = bit == kLabelWordWrap || bit == kLabelVCenter || bit == kLabelAlignCentre;
        EXPECT_EQ(accepted, (label->SetFlags(label->GetFlags() | bit) & bit) != 0) << std::hex << bit;
        label->SetFlags(label->GetFlags() & ~bit);
    }
    // The change reaches the next paint: unwrapped, a long text keeps to its
    // first line; wrapped, it fills lines further down.
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

// Disabled (itself or through an ancestor), a label shows palette entry 3,
// not its own colour.
TEST_F(DisplayControls, DisabledLabelUsesPaletteEntryThreeNotItsOwnColour) {
    CUIContainer2* box = Add(new CUIContainer2, kShown, UIRect(0, 0, 300, 120));
    CUILabel* label = Add(new CUILabel, kShown, UIRect(10, 10, 260, 90), nullptr, box);
    label->SetFont(new Gdiplus::Font(L"微软雅黑", 40 * g_dpiFactor, Gdiplus::FontStyleBold, Gdiplus::UnitPixel));
    label->SetText(L"国国国");
    label->SetTextColor(0xFFFF0000);
    const uint32_t disabled = AlphaComposite(skin.GetColor(3), 0xFFFFFFFF) & 0xFFFFFF;
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

TEST_F(DisplayControls, SameLinkTextKeepsTheHotLinkAndDoesNotRepaint) {
    CUILinkCtrl* link = Add(new CUILinkCtrl, kTab, UIRect(10, 10, 300, 40));
    link->SetText(kThreeLinks, -1);
    link->SetFocus(kFocusByTab);
    Key(VK_TAB);
    ASSERT_EQ(1, link->GetHotLink());
    UpdateWindow(hwnd);
    const std::wstring same(kThreeLinks);
    link->SetText(same.c_str(), static_cast<int>(same.size()));
    EXPECT_EQ(1, link->GetHotLink());
    EXPECT_FALSE(PaintPending());
    link->SetText(L"<a href=\"x\">一</a>", -1);
    EXPECT_EQ(-1, link->GetHotLink());
    EXPECT_TRUE(PaintPending());
}

// Tab from the control before visits links 0, 1, 2, passes over a link
// control without links like any control, and leaves. Nothing was painted
// yet: the links must be known before the text is first drawn.
TEST_F(DisplayControls, TabVisitsEachLinkInTurnThenLeaves) {
    CUIControl* before = Add(new CUIControl, kTab, UIRect(0, 0, 10, 10));
    CUILinkCtrl* three = Add(new CUILinkCtrl, kTab, UIRect(10, 20, 300, 40));
    three->SetText(kThreeLinks, -1);
    CUILinkCtrl* none = Add(new CUILinkCtrl, kTab, UIRect(10, 70, 300, 40));
    none->SetText(L"没有链接", -1);
    CUIControl* after = Add(new CUIControl, kTab, UIRect(0, 120, 10, 10));
    ASSERT_TRUE(before->SetFocus(kFocusByTab));
    const std::vector<std::pair<CUIControl*, int>> expected = {
        {three, 0}, {three, 1}, {three, 2}, {none, -1}, {after, -1}};
    std::vector<std::pair<CUIControl*, int>> visited;
    for (size_t i = 0; i < expected.size(); ++i) {
        Key(VK_TAB);
        visited.push_back({root->GetFocusedControl(), three->GetHotLink()});
    }
    EXPECT_EQ(expected, visited);
}

// Without 0x10000 a link raises event 0 with its href; with it the href goes
// to the shell (NUL-terminated) and no event comes; an empty href does
// nothing; a press on one link released on another activates neither.
TEST_F(DisplayControls, ActivatedLinkRaisesEventOrOpensWithTheShell) {
    struct Recorder {
        void OnClick(EventData& e) { hrefs.emplace_back(reinterpret_cast<const wchar_t*>(e.p1), e.p2); }
        std::vector<std::wstring> hrefs;
    };
    enum Action { kClickSecond, kDragFirstToSecond, kSpaceOnSecond };
    const struct {
        uint32_t style;
        const wchar_t* text;
        Action action;
        std::vector<std::wstring> events, opened;
    } cases[] = {
        {0, kThreeLinks, kClickSecond, {L"y"}, {}},
        {kLinkOpenWithShell, kThreeLinks, kClickSecond, {}, {L"y"}},
        {kLinkOpenWithShell, L"<a href=\"x\">一</a> <a href=\"zz\">二</a>", kSpaceOnSecond, {}, {L"zz"}},
        {kLinkOpenWithShell, L"<a href=\"\">一</a> <a href=\"\">二</a>", kClickSecond, {}, {}},
        {0, kThreeLinks, kDragFirstToSecond, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "action " << c.action << ", style " << std::hex << c.style);
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
            Key(VK_SPACE, 0x40000001);  // the held key repeating
        } else {
            SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, Centre(LinkRect(link, c.action == kClickSecond)));
            SendMessageW(hwnd, WM_LBUTTONUP, 0, Centre(LinkRect(link, 1)));
        }
        EXPECT_EQ(c.events, recorder.hrefs);
        EXPECT_EQ(c.opened, g_opened);
        link->Destroy();
    }
}

// 0x20000 and 0x40000 make the whole text bold or italic, also after the
// text's own closing tags, and can change after creation.
TEST_F(DisplayControls, LinkStyleBitsApplyToTheWholeText) {
    const uint32_t both = CFormattedText::kStyleBold | CFormattedText::kStyleItalic;
    CUILinkCtrl* link = Add(new CUILinkCtrl, kShown | kLinkBold | kLinkItalic, UIRect(10, 10, 300, 40));
    link->SetText(L"<b>粗</b> <a href=\"x\">链接</a> 正常", -1);
    const std::pair<uint32_t, uint32_t> cases[] = {
        {kLinkBold | kLinkItalic, both}, {kLinkItalic, CFormattedText::kStyleItalic}, {0, 0}};
    for (const auto& c : cases) {
        const uint32_t later = c.first, style = c.second;
        link->SetFlags(kShown | later);
        Paint();
        EXPECT_EQ(style, link->GetFormattedText().GetPieces().back().style & both) << std::hex << later;
    }
}

// Writes a 6 x 4 PNG, red on the left half and blue on the right.
bool WriteTestPng(const std::wstring& path) {
    Gdiplus::Bitmap picture(6, 4, PixelFormat32bppARGB);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) picture.SetPixel(x, y, Gdiplus::Color(x < 3 ? 0xFFFF0000 : 0xFF0000FF));
    }
    const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    return picture.Save(path.c_str(), &png, NULL) == Gdiplus::Ok;
}

// The shown picture is a copy: the file can be deleted at once, the pixels
// are right at natural size and stretched, and a missing or corrupt file
// leaves no image (and takes the old picture off the screen).
TEST_F(DisplayControls, ImageFromFileReleasesTheFileAndKeepsItsPixels) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = folder + std::wstring(L"picture") + std::to_wstring(GetCurrentProcessId()) + L".png";
    ASSERT_TRUE(WriteTestPng(path));
    CUIImage* image = Add(new CUIImage, kShown | kControlRectInPixels, UIRect(20, 20, 60, 40));
    image->LoadFromFile(path.c_str());
    ASSERT_NE(nullptr, image->GetImage());
    EXPECT_TRUE(image->GetFlags() & kImageOwned);
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the picture file is still locked";

    const struct {
        uint32_t mode;
        std::vector<std::pair<POINT, uint32_t>> pixels;
    } modes[] = {{kImageStretch, {{{30, 40}, 0xFF0000}, {{70, 40}, 0x0000FF}}},
                 {1, {{{20, 20}, kWhite}}},
                 {2, {{{20, 20}, kWhite}}},
                 {kImageNaturalSize, {{{22, 23}, 0xFF0000}, {{23, 20}, 0x0000FF}, {{26, 20}, kWhite}}}};
    for (const auto& m : modes) {
        image->SetDrawMode(m.mode);
        Paint();
        for (const auto& p : m.pixels) EXPECT_EQ(p.second, Pixel(p.first.x, p.first.y)) << m.mode << ", " << p.first.x;
    }

    HANDLE corrupt = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(corrupt, "not a picture", 13, &written, NULL);
    CloseHandle(corrupt);
    for (const wchar_t* bad : {path.c_str(), kNoFile, static_cast<const wchar_t*>(nullptr)}) {
        Gdiplus::Bitmap* shown = new Gdiplus::Bitmap(4, 4, PixelFormat32bppPARGB);
        Gdiplus::Graphics(shown).Clear(Gdiplus::Color(0xFF00FF00));
        image->SetImage(shown, true);
        Paint();
        ASSERT_EQ(0x00FF00u, Pixel(20, 20));
        image->LoadFromFile(bad);
        EXPECT_EQ(nullptr, image->GetImage());
        EXPECT_TRUE(PaintPending());
    }
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

class CountedBitmap : public Gdiplus::Bitmap {
public:
    explicit CountedBitmap(int& deletions) : Gdiplus::Bitmap(4, 4, PixelFormat32bppPARGB), m_deletions(deletions) {}
    ~CountedBitmap() override { ++m_deletions; }

private:
    int& m_deletions;
};

// A lent bitmap (own = false) is never deleted, however the control lets go
// of it; an owned one is deleted once.
TEST_F(DisplayControls, ImageNeverDeletesALentBitmap) {
    enum End { kDestroy, kDeletedByParent, kReplacedByOwned, kReplacedByFile, kWindowClosed };
    const struct {
        bool viaArgument;
        End end;
    } cases[] = {{false, kDestroy},        {true, kDestroy},        {true, kDeletedByParent},
                 {false, kReplacedByOwned}, {false, kReplacedByFile}, {false, kWindowClosed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "end " << c.end << ", argument " << c.viaArgument);
        int lentDeletions = 0, ownedDeletions = 0;
        CountedBitmap* lent = new CountedBitmap(lentDeletions);
        UIImageArg arg = {lent, 0, UIImageArg::kBitmap};
        CUIImage* image = Add(new CUIImage, kShown, UIRect(0, 0, 20, 20), c.viaArgument ? &arg : nullptr);
        if (!c.viaArgument) image->SetImage(lent, false);
        ASSERT_EQ(lent, image->GetImage());
        EXPECT_FALSE(image->GetFlags() & kImageOwned);
        if (c.end == kReplacedByOwned) image->SetImage(new CountedBitmap(ownedDeletions), true);
        if (c.end == kReplacedByFile) image->LoadFromFile(kNoFile);
        if (c.end == kDeletedByParent) root->RemoveChild(image);  // no OnDestroy on this path
        if (c.end == kWindowClosed) {
            DestroyWindow(hwnd);
            hwnd = NULL;
        }
        if (c.end != kDeletedByParent && c.end != kWindowClosed) image->Destroy();
        EXPECT_EQ(c.end == kReplacedByOwned ? 1 : 0, ownedDeletions);
        EXPECT_EQ(0, lentDeletions);
        delete lent;
    }
}

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
    Paint();
    Paint();
    EXPECT_EQ(1, titled->measures);
    EXPECT_EQ(0, plain->measures);
    EXPECT_GT(titled->GetCaptionWidth(), 0);
    skin.SetFontFace(L"微软雅黑");
    Paint();
    Paint();
    EXPECT_EQ(2, titled->measures);

    // At mid-height: the line is broken after its left part, whole without a caption.
    const uint32_t line = AlphaComposite(0xE6C8C8C8, 0xFFFFFFFF) & 0xFFFFFF;
    const int inGap = static_cast<int>(40 * g_dpiFactor) + 2;
    for (CUILineSplitter* splitter : {static_cast<CUILineSplitter*>(titled), static_cast<CUILineSplitter*>(plain)}) {
        const UIRect r = splitter->GetWindowRect();
        const int y = r.y + r.height / 2;
        EXPECT_PRED3(NearWithin, line, Pixel(r.x + 2, y), 2);
        EXPECT_PRED3(NearWithin, line, Pixel(r.x + r.width - 3, y), 2);
        EXPECT_EQ(splitter == titled, Pixel(r.x + inGap, y) == kWhite);
        EXPECT_EQ(kWhite, Pixel(r.x + 2, y - 2));
    }
}

}  // namespace
