// The rich edit inside a real window: windowless RichEdit text services under
// our own host, driven by real SendInput keys and clicks and the real
// clipboard, read back through the edit and from the off-screen surface.
#include <gtest/gtest.h>

#include <windows.h>
#include <imm.h>
#include <richedit.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "Core/UiTestSupport.h"
#include "WendalDui/Control/TextHost.h"
#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Control/UIRichEditView.h"
#include "WendalDui/Control/UIScrollBar.h"
#include "WendalDui/Control/UIScrollBarBody.h"
#include "WendalDui/Control/UIScrollContainerView.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "WendalDui/Core/DuiSkinManager.h"

namespace {

using namespace wendaldui;
using internal::CTextHost;
using ui_testing::PumpFor;
using ui_testing::PumpUntil;
using ui_testing::TypeText;

constexpr uint32_t kShown = kControlVisible | kControlTabStop;

void SendKeys(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    PumpFor(60);
}

INPUT Key(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// A key, optionally with Ctrl and/or Shift held.
void Press(WORD vk, bool ctrl = false, bool shift = false) {
    std::vector<INPUT> inputs;
    if (ctrl) inputs.push_back(Key(VK_CONTROL, false));
    if (shift) inputs.push_back(Key(VK_SHIFT, false));
    inputs.push_back(Key(vk, false));
    inputs.push_back(Key(vk, true));
    if (shift) inputs.push_back(Key(VK_SHIFT, true));
    if (ctrl) inputs.push_back(Key(VK_CONTROL, true));
    SendKeys(inputs);
}

// One notch of the real wheel (negative: towards the player) where the cursor is.
void Wheel(int delta) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_WHEEL;
    input.mi.mouseData = static_cast<DWORD>(delta);
    SendInput(1, &input, sizeof input);
    PumpFor(60);
}

void RightClickAt(int x, int y) {
    ui_testing::MoveMouseTo(x, y);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, inputs, sizeof inputs[0]);
    PumpFor(60);
}

void SetClipboardText(const wchar_t* text) {
    ASSERT_TRUE(OpenClipboard(NULL));
    EmptyClipboard();
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(memory), text, bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(NULL)) return L"(clipboard busy)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

class RichEdit : public testing::Test {
protected:
    void SetUp() override {
        root = new CUIContainer2;
        root->SetBackgroundColor(0xFF808080);
        window.SetRoot(root);
        hwnd = ui_testing::CreateTestWindow(window, 0, 0, 600, 400);
        ASSERT_NE(nullptr, hwnd);
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        PumpFor(50);
        ASSERT_TRUE(window.HasFocus());
    }
    void TearDown() override {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }

    CUIRichEdit* Add(int id, const UIRect& rect, uint32_t bits = 0, uint32_t flags = kShown) {
        CUIRichEdit* edit = new CUIRichEdit;
        EXPECT_TRUE(edit->Create(root, flags, rect, id, reinterpret_cast<void*>(static_cast<uintptr_t>(bits))));
        for (int event : {0, 1, 2, 3, kEventSetFocus, kEventKillFocus}) {
            edit->BindEvent(event, this, &RichEdit::OnEvent);
        }
        return edit;
    }
    // Pixels of the view darker than its background, outside the caret.
    int DarkPixels(const CUIRichEdit* edit) {
        Redraw();
        const internal::CUIRichEditView* view = edit->GetEditView();
        const UIRect rect = view->GetWindowRect();
        const UIRect caret = view->GetCaretRect().Offset(rect.x, rect.y).Inflate(1);
        int dark = 0;
        for (int y = rect.y; y < rect.y + rect.height; ++y) {
            for (int x = rect.x; x < rect.x + rect.width; ++x) {
                if (!caret.PtInRect(x, y) && (ui_testing::SurfacePixel(window, x, y) & 0xFF) < 0xB0) ++dark;
            }
        }
        return dark;
    }
    // A view pixel row by row, for comparing two views of the same size;
    // the caret's place is left out. Fresh: the whole window painted again
    // first; else only what the window had marked for repainting.
    std::vector<uint32_t> Pixels(const CUIRichEdit* edit, bool fresh = true) {
        if (fresh) {
            Redraw();
        } else {
            UpdateWindow(hwnd);
        }
        const internal::CUIRichEditView* view = edit->GetEditView();
        const UIRect rect = view->GetWindowRect();
        UIRect caret = view->GetCaretRect().Offset(rect.x, rect.y).Inflate(1);
        if (!view->IsCaretShown() || !view->HasFocus()) caret = UIRect();
        std::vector<uint32_t> pixels;
        for (int y = rect.y; y < rect.y + rect.height; ++y) {
            for (int x = rect.x; x < rect.x + rect.width; ++x) {
                pixels.push_back(caret.PtInRect(x, y) ? 0 : ui_testing::SurfacePixel(window, x, y));
            }
        }
        return pixels;
    }
    // Where the text's dark pixels lie in the view's own coordinates, the
    // caret left out: {left, top, right, bottom} exclusive, empty when none.
    RECT DarkBox(const CUIRichEdit* edit) {
        const std::vector<uint32_t> pixels = Pixels(edit);
        const int width = edit->GetEditView()->GetRect().width;
        RECT box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (size_t i = 0; i < pixels.size(); ++i) {
            if (pixels[i] == 0 || (pixels[i] & 0xFF) >= 0xB0) continue;
            const int x = static_cast<int>(i) % width, y = static_cast<int>(i) / width;
            box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                   std::max<LONG>(box.bottom, y + 1)};
        }
        return box.left <= box.right ? box : RECT{0, 0, 0, 0};
    }
    // In pixels, from the services (EM_GETSCROLLPOS scales long texts to 16 bits).
    POINT ScrollPos(const CUIRichEdit* edit) {
        POINT pos = {0, 0};
        ITextServices* services = edit->GetEditView()->GetServices();
        services->TxGetHScroll(nullptr, nullptr, &pos.x, nullptr, nullptr);
        services->TxGetVScroll(nullptr, nullptr, &pos.y, nullptr, nullptr);
        return pos;
    }
    // A character's place on the screen (the window sits at the origin).
    POINT CharPoint(const CUIRichEdit* edit, LONG cp) {
        POINTL at = {0, 0};
        edit->SendEditMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), cp);
        const UIRect rect = edit->GetEditView()->GetWindowRect();
        return {rect.x + at.x, rect.y + at.y};
    }
    void OnEvent(EventData& e) {
        events.push_back(e.id);
        if (e.id == kEventRichEditEnter) *reinterpret_cast<BYTE*>(static_cast<uintptr_t>(e.p1)) = swallowEnter;
        if (e.id == kEventRichEditLink) links.push_back(reinterpret_cast<ENLINK*>(static_cast<uintptr_t>(e.p1))->msg);
    }
    int Count(int id) const { return static_cast<int>(std::count(events.begin(), events.end(), id)); }
    void Redraw() { RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW); }
    CHARFORMAT2W CharFormat(CUIRichEdit* edit, LONG start, LONG end, DWORD which = SCF_SELECTION) {
        if (which == SCF_SELECTION) edit->SetSel(start, end);
        CHARFORMAT2W format = {};
        format.cbSize = sizeof format;
        edit->SendEditMessage(EM_GETCHARFORMAT, which, reinterpret_cast<LPARAM>(&format));
        return format;
    }

    CDuiSkinManager skin{L"微软雅黑", 210, 0.5, 0.4, 0};
    CDuiWindow window;
    CUIContainer2* root = nullptr;
    HWND hwnd = NULL;
    std::vector<int> events;
    std::vector<UINT> links;
    BYTE swallowEnter = 0;
};

TEST_F(RichEdit, TextRoundTripsAndProgrammaticChangesRaiseNoChangeEvent) {
    CUIRichEdit* edit = Add(1, UIRect(10, 10, 300, 30));
    for (const wchar_t* text : {L"hello", L"你好，世界", L""}) {
        edit->SetText(text);
        EXPECT_TRUE(edit->GetText() == text);
    }
    edit->SetText(L"你好，世界");
    WString range;
    EXPECT_EQ(2, edit->GetTextRange(0, 2, range));
    EXPECT_TRUE(range == L"你好");
    EXPECT_EQ(0, edit->GetTextRange(3, 3, range));
    EXPECT_TRUE(range == L"") << "an empty range when start >= end";
    edit->SetSel(1, 3);
    LONG start = 0, end = 0;
    edit->GetSel(start, end);
    EXPECT_TRUE(start == 1 && end == 3);
    EXPECT_GT(Count(kEventRichEditSelectionChanged), 0);

    // A read-only log appends in colours and stays read-only.
    CUIRichEdit* log = Add(2, UIRect(10, 50, 300, 100), kRichEditReadOnly | kRichEditMultiLine | kRichEditRichText,
                           kShown | kScrollHasVertical);
    log->AppendText(L"信息\r", 0x000000);
    log->AppendText(L"错误\r", 0x0000FF);
    EXPECT_TRUE(log->GetText() == L"信息\r错误\r");
    EXPECT_EQ(0x0000FFu, CharFormat(log, 3, 5).crTextColor);
    EXPECT_EQ(0u, CharFormat(log, 0, 2).crTextColor & 0xFFFFFF);
    EXPECT_TRUE(log->IsReadOnly());
    EXPECT_EQ(0, Count(kEventRichEditChanged)) << "SetText and AppendText raise no change event";
}

TEST_F(RichEdit, EachTypedEditRaisesOneChangeEvent) {
    CUIRichEdit* edit = Add(1, UIRect(10, 10, 300, 30));
    edit->SetFocus(kFocusByProgram);
    TypeText(L"ab中");
    EXPECT_TRUE(edit->GetText() == L"ab中");
    EXPECT_EQ(3, Count(kEventRichEditChanged));
    Press(VK_BACK);
    EXPECT_TRUE(edit->GetText() == L"ab");
    EXPECT_EQ(4, Count(kEventRichEditChanged));
    // A set that raised no notification (here: its owner had them off) must
    // not swallow the user's next edit.
    edit->SendEditMessage(EM_SETEVENTMASK, 0, ENM_SELCHANGE);
    edit->SetText(L"x");
    edit->SendEditMessage(EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE | ENM_LINK | ENM_SCROLL);
    edit->SetSel(-1, -1);
    TypeText(L"y");
    EXPECT_TRUE(edit->GetText() == L"xy");
    EXPECT_EQ(5, Count(kEventRichEditChanged)) << "the first edit after a quiet SetText";
}

TEST_F(RichEdit, TabMovesTheFocusCtrlTabInsertsEnterCanBeSwallowedAndTheLimitHolds) {
    CUIRichEdit* first = Add(1, UIRect(10, 10, 200, 30));
    CUIRichEdit* second = Add(2, UIRect(10, 50, 200, 30));
    CUIRichEdit* multi = Add(3, UIRect(10, 90, 200, 90), kRichEditMultiLine);
    first->SetFocus(kFocusByProgram);
    Press(VK_TAB);
    EXPECT_TRUE(second->HasFocus());
    EXPECT_TRUE(first->GetText() == L"");
    first->SetFocus(kFocusByProgram);
    Press(VK_TAB, true);
    EXPECT_TRUE(first->HasFocus());
    EXPECT_TRUE(first->GetText() == L"\t") << "Ctrl+Tab";

    multi->SetFocus(kFocusByProgram);
    for (BYTE swallow : {1, 0}) {
        swallowEnter = swallow;
        const int before = Count(kEventRichEditEnter);
        Press(VK_RETURN);
        EXPECT_EQ(before + 1, Count(kEventRichEditEnter));
        EXPECT_EQ(swallow ? 0 : 1, multi->GetTextLength() ? 1 : 0) << "swallow byte " << int(swallow);
    }

    second->SetLimitText(3);
    second->SetFocus(kFocusByProgram);
    TypeText(L"12345");
    EXPECT_TRUE(second->GetText() == L"123");
}

// A read-only log whose Enter closes its window (a dialog's default button):
// the view, gone with the window, is not written to afterwards.
class QuarantinedViewEdit : public CUIRichEdit {
    CUIControl* CreateView(const ViewCreateInfo& info) override {
        auto* view = new ui_testing::Quarantined<internal::CUIRichEditView>;
        if (view->Create(info.parent, info.flags | kControlFocusable | kControlDoubleClicks, info.rect, info.id,
                         info.arg)) {
            return view;
        }
        delete view;
        return nullptr;
    }
};
struct CloseOnEnter {
    HWND hwnd;
    void OnEnter(EventData& e) {
        *reinterpret_cast<BYTE*>(static_cast<uintptr_t>(e.p1)) = 1;
        DestroyWindow(hwnd);
    }
};

TEST_F(RichEdit, AnEnterHandlerMayCloseTheWindow) {
    CUIRichEdit* edit = new QuarantinedViewEdit;
    ASSERT_TRUE(edit->Create(root, kShown, UIRect(10, 10, 200, 90), 1,
                             reinterpret_cast<void*>(uintptr_t(kRichEditReadOnly | kRichEditMultiLine))));
    CloseOnEnter closer{hwnd};
    edit->BindEvent(kEventRichEditEnter, &closer, &CloseOnEnter::OnEnter);
    edit->SetFocus(kFocusByProgram);
    SendMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(ui_testing::QuarantineUntouched());
    ui_testing::ReleaseQuarantine();
}

TEST_F(RichEdit, CopyAndPasteUseTheRealClipboardButAPasswordIsNeverCopied) {
    CUIRichEdit* source = Add(1, UIRect(10, 10, 200, 30));
    CUIRichEdit* target = Add(2, UIRect(10, 50, 200, 30));
    CUIRichEdit* password = Add(3, UIRect(10, 90, 200, 30), kRichEditPassword);
    SetClipboardText(L"marker");
    password->SetText(L"secret");
    password->SetFocus(kFocusByProgram);
    password->SetSel(0, -1);
    Press('C', true);
    EXPECT_EQ(L"marker", ClipboardText());
    EXPECT_TRUE(password->GetText() == L"secret") << "the owner reads the real text";

    source->SetText(L"剪贴板ABC");
    source->SetFocus(kFocusByProgram);
    source->SetSel(0, -1);
    Press('C', true);
    EXPECT_EQ(L"剪贴板ABC", ClipboardText());
    target->SetFocus(kFocusByProgram);
    Press('V', true);
    EXPECT_TRUE(target->GetText() == L"剪贴板ABC");
}

TEST_F(RichEdit, PasswordPaintsBulletsWhateverTheTextAndKeepsItsFaceOnAFontChange) {
    const wchar_t* texts[2] = {L"iiii", L"WWWW"};
    CUIRichEdit* plain[2];
    CUIRichEdit* hidden[2];
    for (int i = 0; i < 2; ++i) {
        plain[i] = Add(1 + i, UIRect(10, 10 + 40 * i, 200, 30));
        hidden[i] = Add(3 + i, UIRect(10, 90 + 40 * i, 200, 30), kRichEditPassword);
        plain[i]->SetText(texts[i]);
        hidden[i]->SetText(texts[i]);
    }
    EXPECT_NE(Pixels(plain[0]), Pixels(plain[1]));
    EXPECT_EQ(Pixels(hidden[0]), Pixels(hidden[1])) << "no glyph of the text itself";

    const std::wstring passwordFace = CharFormat(hidden[0], 0, 0, SCF_DEFAULT).szFaceName;
    skin.SetFontFace(L"宋体");
    EXPECT_EQ(L"宋体", std::wstring(CharFormat(plain[0], 0, 0, SCF_DEFAULT).szFaceName));
    EXPECT_EQ(passwordFace, CharFormat(hidden[0], 0, 0, SCF_DEFAULT).szFaceName);
}

TEST_F(RichEdit, LinkClickRaisesTheLinkEventAndTypingAfterItIsPlain) {
    CUIRichEdit* edit = Add(1, UIRect(10, 10, 300, 60), kRichEditMultiLine | kRichEditRichText);
    edit->SetText(L"见 ");
    edit->SetFocus(kFocusByProgram);
    edit->SetSel(-1, -1);
    edit->InsertLinkText();
    WString caption;
    edit->GetTextRange(2, 9, caption);
    EXPECT_TRUE(caption == CUIRichEdit::kLinkCaption);
    LONG start = 0, end = 0;
    edit->GetSel(start, end);
    EXPECT_TRUE(start == 9 && end == 9) << "after the link";
    TypeText(L"x");
    EXPECT_TRUE(edit->GetText() == (std::wstring(L"见 ") + CUIRichEdit::kLinkCaption + L"x").c_str());
    EXPECT_TRUE(CharFormat(edit, 2, 9).dwEffects & CFE_LINK);
    EXPECT_FALSE(CharFormat(edit, 9, 10).dwEffects & CFE_LINK) << "typing continues unformatted";

    const POINT at = CharPoint(edit, 4);
    ui_testing::ClickAt(at.x + 2, at.y + 4);
    PumpFor(100);
    EXPECT_NE(links.end(), std::find(links.begin(), links.end(), static_cast<UINT>(WM_LBUTTONDOWN)));
    EXPECT_NE(links.end(), std::find(links.begin(), links.end(), static_cast<UINT>(WM_LBUTTONUP)));
}

TEST_F(RichEdit, CueTextShowsOnlyWhileEmptyAndUnfocusedAndDisablingGreysTheEdit) {
    CUIRichEdit* edit = Add(1, UIRect(10, 10, 200, 30));
    CUIRichEdit* twin = Add(2, UIRect(10, 50, 200, 30));
    twin->SetFocus(kFocusByProgram);
    EXPECT_EQ(0, DarkPixels(edit));
    edit->SetCueText(L"请输入");
    EXPECT_GT(DarkPixels(edit), 0) << "empty and unfocused";
    edit->SetFocus(kFocusByProgram);
    EXPECT_EQ(0, DarkPixels(edit)) << "focused";
    edit->SetText(L"x");
    twin->SetText(L"x");
    Add(3, UIRect(10, 90, 200, 30))->SetFocus(kFocusByProgram);
    EXPECT_EQ(Pixels(twin), Pixels(edit)) << "with text only the text is drawn";

    edit->Enable(false);
    Redraw();
    const UIRect view = edit->GetEditView()->GetWindowRect();
    EXPECT_PRED2(ui_testing::Near, AlphaComposite(skin.GetColor(11), 0xFF808080),
                 ui_testing::SurfacePixel(window, view.x + view.width - 2, view.y + view.height - 2));
    const uint32_t grey = skin.GetColor(3);
    const COLORREF text = CharFormat(edit, 0, 0, SCF_DEFAULT).crTextColor;
    EXPECT_EQ(RGB((grey >> 16) & 0xFF, (grey >> 8) & 0xFF, grey & 0xFF), text) << "palette 3 while disabled";
}

TEST_F(RichEdit, ScrollBarDrivesTheTextAndAppendingKeepsTheReadersPlace) {
    CUIRichEdit* log = Add(1, UIRect(10, 10, 200, 80), kRichEditReadOnly | kRichEditMultiLine | kRichEditRichText,
                           kShown | kScrollHasVertical);
    for (int i = 0; i < 30; ++i) log->AppendText(L"第几行\r", 0);
    EXPECT_TRUE(log->IsVerticalBarShown()) << "the services show the bar the text needs";
    DWORD bits = 0;
    log->GetEditView()->GetHost()->TxGetPropertyBits(TXTBIT_READONLY | TXTBIT_USEPASSWORD, &bits);
    EXPECT_EQ(static_cast<DWORD>(TXTBIT_READONLY), bits) << "the host's bits mapped, within the mask";
    log->GetVerticalBar()->SetScrollPos(40);  // as a drag does before it asks
    log->GetVerticalBar()->SendRequest(SB_THUMBTRACK, 40);
    POINT pos = {0, 0};
    log->SendEditMessage(EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&pos));
    EXPECT_EQ(40, pos.y);
    EXPECT_TRUE(log->GetEditView()->HasFocus()) << "the bar hands the focus to the view";
    log->GetVerticalBar()->SendRequest(SB_LINEDOWN);
    log->SendEditMessage(EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&pos));
    EXPECT_GT(pos.y, 40);
    const LONG reading = pos.y;
    log->AppendText(L"新的一行\r", 0);
    log->SendEditMessage(EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&pos));
    EXPECT_EQ(reading, pos.y);
}

// Wine's services scroll a step shorter than the view by asking the host to
// shift it: what they scrolled must be painted again. Their bar range is cut
// to 16 bits and scaled, while the thumb's position goes back in pixels: the
// thumb must still reach the end of a text longer than that.
TEST_F(RichEdit, ReadOnlyTextMovesWithTheWheelTheKeysTheArrowAndTheThumbToItsEnd) {
    CUIRichEdit* log = Add(1, UIRect(10, 10, 300, 150),
                           kRichEditReadOnly | kRichEditMultiLine | kRichEditWordWrap | kRichEditRichText,
                           kShown | kScrollHasVertical);
    std::wstring text;
    for (int i = 1; i <= 5000; ++i) text += L"第" + std::to_wstring(i) + L"行\r";
    log->SetText(text.c_str());
    log->SendEditMessage(WM_VSCROLL, SB_TOP, 0);
    LONG min = 0, max = 0, page = 0;
    log->GetEditView()->GetServices()->TxGetVScroll(&min, &max, nullptr, &page, nullptr);
    ASSERT_GT(max, 0xFFFF) << "longer than the services' 16-bit range";
    const internal::CUIScrollBarBody* body = log->GetVerticalBar()->GetBody();
    EXPECT_TRUE(body->GetMax() == max && body->GetPage() == page) << "the bar counts pixels: " << body->GetMax();

    const UIRect view = log->GetEditView()->GetWindowRect();
    const UIRect bar = log->GetVerticalBar()->GetWindowRect();
    const struct {
        const char* how;
        std::function<void()> act;
    } steps[] = {
        {"wheel", [&] { ui_testing::MoveMouseTo(view.x + 40, view.y + 40), Wheel(-WHEEL_DELTA); }},
        {"page down", [&] { log->SetFocus(kFocusByProgram), Press(VK_NEXT); }},
        {"the bar's down arrow",
         [&] { ui_testing::ClickAt(bar.x + bar.width / 2, bar.y + bar.height - bar.width / 2); }},
    };
    for (const auto& step : steps) {
        const LONG before = ScrollPos(log).y;
        step.act();
        EXPECT_GT(ScrollPos(log).y, before) << step.how;
        EXPECT_LT(ScrollPos(log).y, max - page) << step.how << ": a step, not a jump to the caret left at the end";
        EXPECT_EQ(Pixels(log, true), Pixels(log, false)) << step.how << ": the text on screen moved with it";
    }

    int start = 0, end = 0;
    const UIRect track = body->GetWindowRect();
    internal::CUIScrollBarBody::CalcThumb(track.height, body->GetMin(), body->GetMax(), body->GetPage(),
                                          body->GetScrollPos(), internal::CUIScrollBarBody::MinThumbLength(), start,
                                          end);
    ui_testing::DragMouse(track.x + track.width / 2, track.y + (start + end) / 2, track.x + track.width / 2,
                          track.y + track.height + 100);
    EXPECT_EQ(max - page, ScrollPos(log).y) << "the thumb at the bottom shows the end";
    POINTL last = {0, 0};
    log->SendEditMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&last), log->GetTextLength() - 2);
    EXPECT_TRUE(last.y >= 0 && last.y < view.height) << "line 5000 is in view at " << last.y;

    // Made large enough for its text and small again, as a window maximised
    // and restored: the bar the services show again while the view shrinks
    // must come back whole, not squashed by the layout made without it.
    CUIRichEdit* report = Add(2, UIRect(10, 200, 200, 60), kRichEditReadOnly | kRichEditMultiLine,
                              kShown | kScrollHasVertical);
    report->SetText(L"1\r2\r3\r4\r5\r6");
    for (const UIRect& rect : {UIRect(10, 200, 400, 180), UIRect(10, 200, 200, 60)}) report->SetPos(DpiScaleRect(rect));
    ASSERT_TRUE(report->IsVerticalBarShown());
    EXPECT_EQ(CUIScrollContainer::BarThickness(), report->GetVerticalBar()->GetRect().width);
}

// Wine's services never ask for the view inset, so the host narrows their
// client rectangle instead: typed text sits inset and centred like the cue
// text, the end of a long line keeps off the right edge, and a field nobody
// types in shows its text from the start.
TEST_F(RichEdit, OneLineTextSitsInsetAndCentredLikeTheCueAndShowsItsStartUnlessTypedIn) {
    const uint32_t style = kShown | kScrollFrame | kRichEditCentreLine;
    CUIRichEdit* cue = Add(1, UIRect(10, 10, 150, 30), 0, style);
    CUIRichEdit* name = Add(2, UIRect(10, 50, 150, 30), 0, style);
    cue->SetCueText(L"玩家昵称");
    name->SetText(L"玩家昵称");
    const RECT cueBox = DarkBox(cue), nameBox = DarkBox(name);
    ASSERT_TRUE(cueBox.bottom > 0 && nameBox.bottom > 0);
    EXPECT_NEAR(cueBox.top + cueBox.bottom, nameBox.top + nameBox.bottom, 2) << "centred like the cue: "
                                                                             << cueBox.top << " " << nameBox.top;
    const int indent = static_cast<int>(static_cast<float>(skin.GetTextIndent()) * g_dpiFactor);
    EXPECT_GE(nameBox.left, indent + 2) << "inset like the cue (" << cueBox.left << ")";

    const int width = name->GetEditView()->GetRect().width;
    name->SetText(L"someone.long.player@example.com");
    name->SetSel(0, -1);  // as a combo box shows the item chosen
    EXPECT_EQ(0, ScrollPos(name).x) << "not typed in: from its start";
    name->SetFocus(kFocusByProgram);
    Press(VK_END);
    EXPECT_GT(ScrollPos(name).x, 0) << "typing at its end";
    const UIRect caret = name->GetEditView()->GetCaretRect();
    EXPECT_LE(caret.x + caret.width, width - 2) << "the caret at the end stays off the edge (a combo box's arrow)";
    cue->SetFocus(kFocusByProgram);
    EXPECT_EQ(0, ScrollPos(name).x) << "left: from its start again";
}

// A scroll page (the settings dialog's) made without the focusable flag still
// passes the focus, and so the keys, on to the fields it holds.
TEST_F(RichEdit, FieldsOnAScrollPageTakeTheFocusAndTheTypedKeys) {
    auto* page = new CUIScrollContainerView;
    ASSERT_TRUE(page->Create(root, kControlVisible | kScrollHasVertical, UIRect(10, 10, 300, 150), 1));
    page->SetContentSize(DpiScale(280), DpiScale(400));
    CUIRichEdit* fields[2];
    for (int i = 0; i < 2; ++i) {
        fields[i] = new CUIRichEdit;
        ASSERT_TRUE(fields[i]->Create(page->GetContent(), kShown | kScrollFrame, UIRect(10, 10 + 30 * i, 200, 22), i));
    }
    const UIRect first = fields[0]->GetWindowRect();
    ui_testing::ClickAt(first.x + 20, first.y + first.height / 2);
    TypeText(L"mc.example.com");
    EXPECT_TRUE(fields[0]->GetText() == L"mc.example.com");
    Press(VK_TAB);
    TypeText(L"854");
    EXPECT_TRUE(fields[1]->GetText() == L"854") << "Tab reaches the next field";
}

TEST_F(RichEdit, ContextMenuEnablesItemsByTheEditsState) {
    SetClipboardText(L"粘贴");
    CUIRichEdit* edit = Add(1, UIRect(10, 10, 200, 30));
    CMenu& menu = edit->GetContextMenu();
    auto enabled = [&](int command) {
        for (size_t i = 0; i < menu.GetItemCount(); ++i) {
            if (menu.GetItem(i).commandId == command) return !(menu.GetItem(i).flags & kMenuItemDisabled);
        }
        return false;
    };
    const UIRect rect = edit->GetWindowRect();
    RightClickAt(rect.x + 20, rect.y + 10);
    ASSERT_NE(nullptr, menu.GetMenuWindow()) << "a right click opens the menu";
    EXPECT_TRUE(edit->GetEditView()->HasFocus());
    const bool empty[] = {false, false, false, false, true, false, false};
    for (int command = kRichEditUndo; command <= kRichEditSelectAll; ++command) {
        EXPECT_EQ(empty[command - 1], enabled(command)) << "empty edit, command " << command;
    }
    menu.ClosePopup();

    edit->SetText(L"只读文字");
    edit->SetReadOnly(true);
    edit->SetSel(0, 2);
    edit->ShowContextMenu(rect.x + 20, rect.y + 10);
    const bool readOnly[] = {false, false, false, true, false, false, true};
    for (int command = kRichEditUndo; command <= kRichEditSelectAll; ++command) {
        EXPECT_EQ(readOnly[command - 1], enabled(command)) << "read-only with a selection, command " << command;
    }
    menu.ClosePopup();

    // Chosen commands come back as posted calls.
    edit->SetReadOnly(false);
    window.PostControlCall(edit, kMenuCommandCall, reinterpret_cast<WPARAM>(&menu), kRichEditSelectAll);
    PumpFor(50);
    LONG start = 0, end = 0;
    edit->GetSel(start, end);
    EXPECT_TRUE(start == 0 && end >= 4) << start << " " << end;
    window.PostControlCall(edit, kMenuCommandCall, reinterpret_cast<WPARAM>(&menu), kRichEditDelete);
    PumpFor(50);
    EXPECT_TRUE(edit->GetText() == L"");
    EXPECT_EQ(0, Count(kEventRichEditChanged)) << "Delete goes through SetText";
}

TEST_F(RichEdit, TheFrameworkDrawsTheCaretAndBlinksItOnItsTimer) {
    CUIRichEdit* edit = Add(1, UIRect(10, 10, 200, 30));
    edit->SetText(L"abc");
    edit->SetFocus(kFocusByProgram);
    edit->SetSel(-1, -1);
    const internal::CUIRichEditView* view = edit->GetEditView();
    ASSERT_TRUE(view->IsCaretShown());
    auto caretPixel = [&] {
        Redraw();
        const UIRect caret = view->GetCaretRect().Offset(view->GetWindowRect().x, view->GetWindowRect().y);
        return ui_testing::SurfacePixel(window, caret.x, caret.y + caret.height / 2) & 0xFF;
    };
    EXPECT_TRUE(PumpUntil([&] { return caretPixel() < 0x40; }, 10000)) << "on phase";
    EXPECT_TRUE(PumpUntil([&] { return caretPixel() > 0xC0; }, 10000)) << "off phase";
    EXPECT_TRUE(PumpUntil([&] { return caretPixel() < 0x40; }, 10000)) << "on again";
}

TEST_F(RichEdit, FocusEventsAndTheNoImeStyle) {
    CUIRichEdit* edit = Add(1, UIRect(10, 10, 200, 30), 0, kShown | kRichEditNoIme);
    CUIRichEdit* other = Add(2, UIRect(10, 50, 200, 30));
    HIMC context = ImmGetContext(hwnd);
    ImmReleaseContext(hwnd, context);
    ASSERT_NE(nullptr, context);
    edit->SetFocus(kFocusByProgram);
    EXPECT_EQ(1, Count(kEventSetFocus));
    context = ImmGetContext(hwnd);
    EXPECT_EQ(nullptr, context) << "the IME is off while the edit has the focus";
    ImmReleaseContext(hwnd, context);
    other->SetFocus(kFocusByProgram);
    EXPECT_EQ(1, Count(kEventKillFocus));
    context = ImmGetContext(hwnd);
    EXPECT_NE(nullptr, context) << "and back when it leaves";
    ImmReleaseContext(hwnd, context);
}

// Faults mended: negative insets, unordered scroll bounds, a layered host, a leaked host.
TEST_F(RichEdit, GuardsAgainstShortViewsShortTextLayeredWindowsAndLeaks) {
    const LONG hosts = CTextHost::GetLiveCount();
    CUIRichEdit* tiny = Add(1, UIRect(10, 10, 100, 6), 0, kShown | kRichEditCentreLine);
    const RECT& inset = tiny->GetEditView()->GetHost()->GetViewInset();
    EXPECT_TRUE(inset.top == 0 && inset.bottom == 0) << inset.top << " " << inset.bottom;
    CUIRichEdit* tall = Add(2, UIRect(10, 30, 100, 60), 0, kShown | kRichEditCentreLine);
    EXPECT_GT(tall->GetEditView()->GetHost()->GetViewInset().top, 0);

    CUIRichEdit* log = Add(3, UIRect(10, 100, 200, 100), kRichEditMultiLine, kShown | kScrollHasVertical);
    log->SetText(L"one line");
    log->GetEditView()->GetHost()->TxSetScrollPos(SB_VERT, 50, TRUE);
    EXPECT_EQ(0, log->GetVerticalBar()->GetScrollPos()) << "text shorter than a page scrolls nowhere";
    EXPECT_EQ(hosts + 3, CTextHost::GetLiveCount());
    log->Destroy();
    EXPECT_EQ(hosts + 2, CTextHost::GetLiveCount()) << "the host goes with its edit";

    CDuiWindow layered;
    HWND layeredHwnd = CreateWindowExW(WS_EX_LAYERED, kDuiWindowClassName, L"", WS_POPUP, 0, 0, 200, 100, NULL, NULL,
                                       GetModuleHandleW(NULL), &layered);
    ASSERT_NE(nullptr, layeredHwnd);
    CUIRichEdit* refused = new CUIRichEdit;
    ASSERT_TRUE(refused->Create(layered.GetRoot(), kShown, UIRect(0, 0, 100, 30), 1));
    EXPECT_EQ(nullptr, refused->GetEditView()) << "no text services in a layered window";
    EXPECT_EQ(0, refused->SetText(L"x"));
    EXPECT_TRUE(refused->GetText() == L"");
    DestroyWindow(layeredHwnd);
    EXPECT_EQ(hosts + 2, CTextHost::GetLiveCount());
}

TEST_F(RichEdit, Screenshot) {
    CUIRichEdit* field = Add(1, UIRect(10, 10, 260, 28), 0, kShown | kScrollFrame | kRichEditCentreLine);
    field->SetText(L"Steve 你好");
    Add(2, UIRect(10, 46, 260, 28), kRichEditPassword, kShown | kScrollFrame)->SetText(L"secret");
    Add(3, UIRect(10, 82, 260, 28), 0, kShown | kScrollFrame)->SetCueText(L"服务器地址");
    CUIRichEdit* log = Add(4, UIRect(10, 118, 260, 120), kRichEditReadOnly | kRichEditMultiLine | kRichEditWordWrap |
                                                             kRichEditRichText,
                           kShown | kScrollFrame | kScrollHasVertical);
    const COLORREF colours[] = {0x000000, 0x00A8CC, 0x0065CC, 0x0000FF, 0xCC7400};
    for (int i = 0; i < 12; ++i) log->AppendText(L"[12:00:00] [main/INFO]: 日志一行\r", colours[i % 5]);
    log->InsertLinkText();
    field->SetFocus(kFocusByProgram);
    Redraw();
    PumpFor(300);  // Wine copies the window to the X screen a little later
    const int w = static_cast<int>(300 * g_dpiFactor), h = static_cast<int>(250 * g_dpiFactor);
    ui_testing::SaveScreenshot({0, 0, w, h}, (L"richedit-" + std::to_wstring(g_screenDpi) + L".png").c_str());
}

}  // namespace
