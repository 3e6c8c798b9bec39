#include "ui/MinecraftRedirectDlg.h"

#include <mmsystem.h>
#include <tom.h>

#include <gdiplus.h>

#include <algorithm>
#include <climits>

#include "WendalDui/Control/UIButton.h"
#include "WendalDui/Control/UILabel.h"
#include "WendalDui/Control/UILineSplitter.h"
#include "WendalDui/Control/UIRichEdit.h"
#include "WendalDui/Control/UIScrollContainer.h"
#include "WendalDui/Control/UIToggleButton.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiDpi.h"
#include "core/HandleArgument.h"
#include "ui/AddControl.h"
#include "ui/BoundedText.h"
#include "ui/TopLevelWindows.h"
#include "ui/TrelmResourceManager.h"

namespace trelm {
namespace ui {

namespace {

using launcher::redirect::OutputLine;

constexpr UINT WM_REDIRECT_OUTPUT = 0x8101;  // wParam: the source
constexpr UINT_PTR kShowTimer = 1;             // the next slice of pending lines
constexpr UINT kShowTimerMs = 10;
// A block of the view closes early, at the end of a line, once it holds this
// many characters: the character bound then takes about a sixteenth of the
// view, not a whole block of long lines.
constexpr LONG kBlockChars = CMinecraftRedirectDlg::kMaxViewChars / 16;

constexpr int kWidth = 690, kHeight = 400, kMinHeight = 200;
constexpr int kRowTop = 4, kRowHeight = 24, kGap = 4;
constexpr int kTopMostWidth = 60, kKeepLastWidth = 120, kSearchWidth = 200, kButtonWidth = 60;
// The search field gives up width down to this when the counters need it.
constexpr int kSearchMinWidth = 80;
constexpr LONG kSearchLimit = 2048;
constexpr float kConsolasSize = 12.0f;  // logical pixels
constexpr wchar_t kLogFace[] = L"Consolas";
// U+FFFD rather than U+2400 (the symbol for NUL): the log's font and its
// fallbacks have a glyph for it, so it never shows as an empty box.
constexpr wchar_t kNulShown = L'\uFFFD';

constexpr uint32_t kShown = wendaldui::kControlVisible | wendaldui::kControlRectInPixels;
constexpr uint32_t kEditFlags = kShown | wendaldui::kControlFocusable | wendaldui::kControlDoubleClicks |
                                wendaldui::kScrollHasVertical;
constexpr uintptr_t kEditBits = wendaldui::kRichEditReadOnly | wendaldui::kRichEditMultiLine |
                                wendaldui::kRichEditWordWrap | wendaldui::kRichEditRichText;
constexpr uint32_t kSearchFlags = kShown | wendaldui::kControlFocusable | wendaldui::kControlTabStop |
                                  wendaldui::kScrollFrame | wendaldui::kRichEditCentreLine;

template <typename T>
T* AddChild(wendaldui::CUIContainer* parent, uint32_t flags, int id, void* arg = nullptr) {
    return AddControl<T>(parent, flags, wendaldui::UIRect(0, 0, 1, 1), id, arg);  // placed by OnSize
}

void Place(wendaldui::CUIControl* control, int x, int y, int width, int height) {
    if (control) control->SetPos(wendaldui::UIRect(x, y, width > 0 ? width : 0, height > 0 ? height : 0));
}

void CloseIfSet(HANDLE handle) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}

// The log's font size in twips: the largest pixel size at which its text
// is at most the DPI factor times as wide as at 96 DPI. Each character of a
// fixed-pitch font is a whole number of pixels wide: at 144 DPI, 18 pixels
// high may draw 11-pixel characters where 1.5 x 7 is 10.5: a log line came
// out 5 % wider than 1.5 times its 96-DPI width, in a window just 1.5 times
// as wide, and a line that fitted one row at 96 DPI wrapped.
LONG LogFontTwips() {
    wchar_t sample[0x7F - 0x20];  // every printable ASCII character once
    for (int c = 0x20; c < 0x7F; ++c) sample[c - 0x20] = static_cast<wchar_t>(c);
    HDC screen = GetDC(NULL);
    auto width = [&](int pixels) {
        LOGFONTW logFont = {};
        logFont.lfHeight = -pixels;
        logFont.lfWeight = FW_NORMAL;
        logFont.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(logFont.lfFaceName, kLogFace, LF_FACESIZE);
        HFONT font = CreateFontIndirectW(&logFont);
        HGDIOBJ old = SelectObject(screen, font);
        SIZE size = {};
        GetTextExtentPoint32W(screen, sample, ARRAYSIZE(sample), &size);
        SelectObject(screen, old);
        DeleteObject(font);
        return size.cx;
    };
    const float most = static_cast<float>(width(static_cast<int>(kConsolasSize))) * wendaldui::g_dpiFactor;
    int pixels = static_cast<int>(kConsolasSize * wendaldui::g_dpiFactor + 0.5f);
    while (pixels > 1 && static_cast<float>(width(pixels)) > most) --pixels;
    ReleaseDC(NULL, screen);
    return MulDiv(pixels, 1440, wendaldui::g_screenDpi);
}

double SecondsNow() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

namespace internal {

void CUICtnRedirect::OnCreate(void*) {
    using namespace wendaldui;
    CMinecraftRedirectDlg* d = m_dialog;
    d->m_topMostToggle = AddChild<CUIToggleButton>(this, kShown | kControlTabStop | kToggleChecked, kTopMostId);
    d->m_keepLastToggle = AddChild<CUIToggleButton>(this, kShown | kControlTabStop | kToggleChecked, kKeepLastId);
    d->m_search = AddChild<CUIRichEdit>(this, kSearchFlags, kSearchId, reinterpret_cast<void*>(uintptr_t{0}));
    d->m_searchButton = AddChild<CUIButton>(this, kShown | kControlTabStop, kSearchButtonId);
    d->m_counters = AddChild<CUILabel>(this, kShown | kLabelVCenter, kCountersId);
    AddChild<CUILineSplitter>(this, kShown, kLineId);
    d->m_edit = AddChild<CUIRichEdit>(this, kEditFlags, kEditId, reinterpret_cast<void*>(kEditBits));
    OnSize(m_rect.width, m_rect.height);
}

void CUICtnRedirect::OnSize(int width, int height) {
    using wendaldui::DpiScale;
    const int top = DpiScale(kRowTop), row = DpiScale(kRowHeight), gap = DpiScale(kGap);
    // The counters take what the search field can spare when their text
    // is wider than the rest of the row.
    const int fixed = DpiScale(kTopMostWidth) + DpiScale(kKeepLastWidth) + DpiScale(kButtonWidth) + 6 * gap;
    const int search = std::max(DpiScale(kSearchMinWidth),
                                std::min(DpiScale(kSearchWidth), width - fixed - m_dialog->CountersWidth()));
    int x = gap;
    const struct {
        int id;
        int width;
    } cells[] = {{kTopMostId, DpiScale(kTopMostWidth)}, {kKeepLastId, DpiScale(kKeepLastWidth)},
                 {kSearchId, search}, {kSearchButtonId, DpiScale(kButtonWidth)}};
    for (const auto& cell : cells) {
        Place(GetChild(cell.id), x, top, cell.width, row);
        x += cell.width + gap;
    }
    Place(GetChild(kCountersId), x, top, width - x - gap, row);
    const int lineY = top + row + gap;
    Place(GetChild(kLineId), 0, lineY, width, 1);
    Place(GetChild(kEditId), 0, lineY + 1, width, height - lineY - 1);
    m_dialog->OnClientResized();
}

}  // namespace internal

DUI_BEGIN_MESSAGE_MAP(CMinecraftRedirectDlg, wendaldui::CDuiDialog)
DUI_MESSAGE_HANDLER(WM_CLOSE, OnCloseMessage)
DUI_MESSAGE_HANDLER(WM_REDIRECT_OUTPUT, OnOutputMessage)
DUI_MESSAGE_HANDLER(WM_TIMER, OnShowTimer)
DUI_MESSAGE_HANDLER(WM_GETMINMAXINFO, OnMinMaxInfo)
DUI_END_MESSAGE_MAP()

COLORREF CMinecraftRedirectDlg::LevelColor(int level) {
    static const COLORREF kColors[] = {0x000000, 0x000000, 0x00A8CC, 0x0065CC, 0x0000CD};
    return level >= 0 && level <= 4 ? kColors[level] : kColors[0];
}

COLORREF CMinecraftRedirectDlg::SourceColor(int source, int level) {
    if (source == launcher::redirect::kSourceStdout) return LevelColor(level);
    return source == launcher::redirect::kSourceStderr ? 0x0000FF : 0xCC7400;
}

CMinecraftRedirectDlg::CMinecraftRedirectDlg(const launcher::RedirectSharedBlock& block, HANDLE mapping)
    : CDuiDialog(new internal::CUICtnRedirect(this)),
      m_process(block.process),
      m_stdoutRead(block.stdoutRead),
      m_stderrRead(block.stderrRead),
      m_stdinWrite(block.stdinWrite),
      m_displayName(block.displayName),
      m_commandLine(block.commandLine),
      m_workingDirectory(block.workingDirectory),
      m_mapping(mapping) {}

CMinecraftRedirectDlg::~CMinecraftRedirectDlg() {
    m_redirect.reset();  // stops the readers before anything they report to goes
    if (m_document) m_document->Release();
    // Handles never passed to a relay (the window did not get that far).
    for (HANDLE handle : {m_process, m_stdoutRead, m_stderrRead, m_stdinWrite, m_mapping}) CloseIfSet(handle);
}

void CMinecraftRedirectDlg::OnCreate() {
    CDuiDialog::OnCreate();
    CTrelmResourceManager::ApplyWindowIcon(m_hWnd);
    if (m_topMostToggle) m_topMostToggle->SetText(L"置于顶层");
    if (m_keepLastToggle) m_keepLastToggle->SetText(L"保持最后一行可见");
    if (m_searchButton) m_searchButton->SetText(L"向下搜索");
    if (m_search) m_search->SetLimitText(kSearchLimit);
    if (m_counters) {
        Gdiplus::FontFamily consolas(kLogFace);
        m_countersFont = new Gdiplus::Font(&consolas, kConsolasSize * wendaldui::g_dpiFactor,
                                           Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
        m_counters->SetFont(m_countersFont);
    }
    for (wendaldui::CUIToggleButton* toggle : {m_topMostToggle, m_keepLastToggle}) {
        if (toggle) toggle->BindEvent(wendaldui::kEventClick, this, toggle == m_topMostToggle
                                                                        ? &CMinecraftRedirectDlg::OnTopMostClick
                                                                        : &CMinecraftRedirectDlg::OnKeepLastClick);
    }
    if (m_searchButton) m_searchButton->BindEvent(wendaldui::kEventClick, this, &CMinecraftRedirectDlg::OnSearchClick);
    if (m_edit) {
        CHARFORMAT2W format = {};
        format.cbSize = sizeof format;
        format.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET;
        lstrcpynW(format.szFaceName, kLogFace, LF_FACESIZE);
        format.bCharSet = DEFAULT_CHARSET;
        format.yHeight = LogFontTwips();
        m_edit->SendEditMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        m_edit->SendEditMessage(EM_SETUNDOLIMIT, 0, 0);
        // The services' default limit (32767 characters) would stop the log
        // long before its 4,400 lines.
        m_edit->SetLimitText(0x7FFFFFFE);
        m_edit->BindEvent(wendaldui::kEventRichEditScrolled, this, &CMinecraftRedirectDlg::OnEditScrolled);
        m_document = m_edit->GetTextDocument();
    }
    WString title;
    title.Format(L"Output - Minecraft %s", m_displayName.GetString());
    SetWindowTextW(m_hWnd, title.GetString());
    UpdateCounters();
    CenterWindow(GetWindow(m_hWnd, GW_OWNER));
}

void CMinecraftRedirectDlg::OnAfterCreate() {
    if (m_topMostToggle && m_topMostToggle->IsChecked()) SetTopMost(true);
    WString line;
    line.Format(L"%s\r\n", m_commandLine.GetString());
    AppendOwnLine(line.GetString(), kOwnColor, m_keepLastLine);
    line.Format(L"CurrentDirectory: %s\r\n", m_workingDirectory.GetString());
    AppendOwnLine(line.GetString(), kOwnColor, m_keepLastLine);
    CloseIfSet(m_mapping);
    m_mapping = nullptr;
    m_redirect.reset(new launcher::redirect::MinecraftOutputRedirect);
    m_redirect->Start(this, m_process, m_stdoutRead, m_stderrRead, m_stdinWrite);
    m_process = m_stdoutRead = m_stderrRead = m_stdinWrite = nullptr;  // the relay's now
}

void CMinecraftRedirectDlg::OnOutput(int source) { PostMessageW(m_hWnd, WM_REDIRECT_OUTPUT, source, 0); }

// The exit report comes as a relay line of its own.
void CMinecraftRedirectDlg::OnEnded() {}

LRESULT CMinecraftRedirectDlg::OnOutputMessage(WPARAM, LPARAM) {
    if (!m_redirect) return 0;
    // Whole queues, not one batch: a line left behind would wait for a
    // notice that may never come, and the game's last lines say why it ended.
    TakeQueued();
    // While lines are waiting, the timer brings the slices: notices are
    // posted messages, which come before input and paints, so a burst of
    // them must cost next to nothing each.
    if (!m_showTimer) ShowPending();
    return 0;
}

LRESULT CMinecraftRedirectDlg::OnShowTimer(WPARAM wParam, LPARAM lParam) {
    if (wParam != kShowTimer) return OnTimerMessage(wParam, lParam);  // the controls' timers
    ShowPending();
    return 0;
}

void CMinecraftRedirectDlg::TakeQueued() {
    if (!m_redirect) return;
    // The relay's own line (the game's end) comes once both readers are
    // done, so taking it last keeps it after the game's lines.
    for (int source : {launcher::redirect::kSourceStdout, launcher::redirect::kSourceStderr,
                       launcher::redirect::kSourceRelay}) {
        TakeQueued(source);
    }
}

void CMinecraftRedirectDlg::TakeQueued(int source) {
    // At most a view's worth waits here; the rest stays in the relay's queue.
    OutputLine line;
    while (m_pending.size() < static_cast<size_t>(kMaxLines + kTrimStep) && m_pendingChars < kMaxViewChars &&
           m_redirect->Pop(source, line)) {
        WString text;
        AppendBoundedText(text, line.text, line.length, INT_MAX);
        // The rich edit takes text up to its first NUL, and a game may write
        // NUL bytes: each is shown as the replacement character, one for one.
        text.Replace(L'\0', kNulShown);
        const COLORREF color = SourceColor(source, line.level);
        launcher::redirect::FreeOutputLine(line);
        // A long line goes in pieces of whole rows, each a step of its own.
        for (int start = 0; start < text.GetLength();) {
            int end = text.GetLength();
            if (end - start > kBatchChars) {
                end = start + kBatchChars;
                while (end > start + 2 && !(text[end - 2] == L'\r' && text[end - 1] == L'\n')) --end;
                if (end <= start + 2) end = start + kBatchChars;
            }
            m_pending.push_back({text.Mid(start, end - start), color, end == text.GetLength()});
            m_pendingChars += end - start;
            start = end;
        }
        ++m_linesReceived;
    }
}

void CMinecraftRedirectDlg::ShowPending() {
    if (!m_edit) return;
    const double start = SecondsNow();
    // The text services repaint the window at every change, which Freeze
    // would hold back but Wine lacks; the window is painted once, after,
    // by a message of its own. The counters go in before that: the search
    // field they narrow would paint the whole window at once.
    const bool visible = IsWindowVisible(m_hWnd) != FALSE;
    if (visible) SendMessageW(m_hWnd, WM_SETREDRAW, FALSE, 0);
    for (int step = 0; step < kSliceSteps && (!m_pending.empty() || NeedsTrim()) &&
                       (SecondsNow() - start) * 1000.0 < kSliceMs;
         ++step) {
        // The queues hold 1,024 lines: taken between the steps, they do not
        // fill while the view is busy.
        TakeQueued();
        if (NeedsTrim()) {
            TrimOldest();
        } else {
            AppendBatch();
        }
    }
    if (m_keepLastLine) ScrollToEnd();
    UpdateCounters();
    if (visible) {
        SendMessageW(m_hWnd, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
    TakeQueued();
    const bool more = !m_pending.empty() || NeedsTrim();
    if (more && !m_showTimer) SetTimer(m_hWnd, kShowTimer, kShowTimerMs, nullptr);
    if (!more && m_showTimer) KillTimer(m_hWnd, kShowTimer);
    m_showTimer = more;
}

void CMinecraftRedirectDlg::AppendBatch() {
    const COLORREF color = m_pending.front().color;
    // A batch never passes the end of the block it fills; a block that is
    // full while a long line goes on takes the rest of that line.
    const int room = std::max(1, kTrimStep - m_openLines);
    WString text;
    int lines = 0;
    bool lineEnd = true;
    while (!m_pending.empty() && m_pending.front().color == color && lines < room &&
           text.GetLength() + m_pending.front().text.GetLength() <= kBatchChars) {
        text.Append(m_pending.front().text);
        m_pendingChars -= m_pending.front().text.GetLength();
        lineEnd = m_pending.front().lineEnd;
        lines += lineEnd ? 1 : 0;
        m_pending.pop_front();
    }
    AppendLines(text, lines, color, lineEnd);
}

LRESULT CMinecraftRedirectDlg::OnMinMaxInfo(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = OnGetMinMaxInfo(wParam, lParam);
    MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize.x = wendaldui::DpiScale(kWidth);
    info->ptMinTrackSize.y = wendaldui::DpiScale(kMinHeight);
    return result;
}

LRESULT CMinecraftRedirectDlg::OnCloseMessage(WPARAM, LPARAM) {
    // Stop closes the pipes; the game itself runs on.
    if (m_redirect) m_redirect->Stop();
    m_redirect.reset();
    if (m_showTimer) KillTimer(m_hWnd, kShowTimer);
    m_showTimer = false;
    m_pending.clear();
    if (m_document) m_document->Release();
    m_document = nullptr;
    CloseOutputWindow(this);  // deletes this
    return 0;
}

LONG CMinecraftRedirectDlg::StoryLength() const {
    GETTEXTLENGTHEX query = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    return m_edit ? static_cast<LONG>(m_edit->SendEditMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0))
                  : 0;
}

void CMinecraftRedirectDlg::AppendText(const wchar_t* text, COLORREF color, bool scroll) {
    if (!m_edit || !text) return;
    WString bounded;
    AppendBoundedText(bounded, text, static_cast<int>(wcslen(text)), INT_MAX);
    AppendLines(bounded, 1, color, true);
    while (NeedsTrim()) TrimOldest();
    if (scroll) ScrollToEnd();
}

void CMinecraftRedirectDlg::AppendLines(const WString& text, int lines, COLORREF color, bool lineEnd) {
    // Text that moves under the view must not read as the player scrolling.
    const bool wasOwn = m_ownScroll;
    m_ownScroll = true;
    const LONG reading = FirstVisibleLine();
    m_edit->AppendText(text.GetString(), color);  // frozen, quiet, the selection kept
    if (!m_keepLastLine) ShowFromLine(reading);
    m_ownScroll = wasOwn;
    m_storyLength = StoryLength();
    m_charsChanged += text.GetLength();
    m_linesAppended += lines;
    m_lineCount += lines;
    m_openLines += lines;
    const LONG blockStart = m_blocks.empty() ? 0 : m_blocks.back().end;
    if (lineEnd && (m_openLines >= kTrimStep || m_storyLength - blockStart >= kBlockChars)) {
        m_blocks.push_back({m_storyLength, m_openLines});
        m_openLines = 0;
    }
}

bool CMinecraftRedirectDlg::NeedsTrim() const {
    return !m_blocks.empty() && (m_lineCount >= kMaxLines + kTrimStep || m_storyLength > kMaxViewChars);
}

void CMinecraftRedirectDlg::TrimOldest() {
    // Rows, not paragraphs: a row ends one paragraph at most, and the first
    // few are found from the start without laying out the rest.
    LONG end = m_blocks.front().end;
    const LONG rowsEnd = static_cast<LONG>(m_edit->SendEditMessage(EM_LINEINDEX, kTrimRows, 0));
    if (rowsEnd > 0 && rowsEnd < end) end = rowsEnd;
    const bool wasOwn = m_ownScroll;
    m_ownScroll = true;
    DeleteHead(end);
    m_ownScroll = wasOwn;
    for (Block& block : m_blocks) block.end -= end;
    if (m_blocks.front().end <= 0) {
        m_lineCount -= m_blocks.front().lines;
        m_blocks.pop_front();
    }
    m_charsChanged += end;
    m_storyLength = StoryLength();
}

void CMinecraftRedirectDlg::DeleteHead(LONG end) {
    // A reader scrolled up keeps his lines in sight: the view moves up by
    // the lines that go, not to the restored selection, where Wine would
    // scroll it.
    const LONG reading = FirstVisibleLine();
    const LONG removed = static_cast<LONG>(m_edit->SendEditMessage(EM_EXLINEFROMCHAR, 0, end));
    // The log is read-only to the player, and so to text-object-model edits.
    m_edit->SetReadOnly(false);
    bool deleted = false;
    ITextRange* range = nullptr;
    if (m_document && SUCCEEDED(m_document->Range(0, end, &range)) && range) {
        long removed = 0;
        deleted = range->Delete(tomCharacter, 0, &removed) == S_OK;
        range->Release();
    }
    if (!deleted) {
        // Wine has no range Delete (E_NOTIMPL): replace the range with nothing.
        LONG start = 0, stop = 0;
        m_edit->GetSel(start, stop);
        m_edit->SetSel(0, end);
        m_edit->SendEditMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        m_edit->SetSel(start > end ? start - end : 0, stop > end ? stop - end : 0);
    }
    m_edit->SetReadOnly(true);
    if (!m_keepLastLine) ShowFromLine(std::max<LONG>(0, reading - removed));
}

LONG CMinecraftRedirectDlg::FirstVisibleLine() const {
    return static_cast<LONG>(m_edit->SendEditMessage(EM_GETFIRSTVISIBLELINE, 0, 0));
}

void CMinecraftRedirectDlg::ShowFromLine(LONG line) {
    // By lines: Wine's scroll positions (EM_GETSCROLLPOS) are scaled to 16
    // bits once the log is taller than 65,535 pixels, and drift.
    const LONG by = line - FirstVisibleLine();
    if (by != 0) m_edit->SendEditMessage(EM_LINESCROLL, 0, by);
}

void CMinecraftRedirectDlg::AppendOwnLine(const wchar_t* text, COLORREF color, bool scroll) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    WString line;
    line.Format(L"[%02d:%02d:%02d] [%s]: %s", now.wHour, now.wMinute, now.wSecond, L"TRELM", text);
    AppendText(line.GetString(), color, scroll);
}

void CMinecraftRedirectDlg::ScrollToEnd() {
    if (!m_edit) return;
    // Not the text object model's ScrollIntoView: Wine's leaves a view the
    // player has scrolled up far from the end.
    m_ownScroll = true;
    m_edit->SendEditMessage(WM_VSCROLL, SB_BOTTOM, 0);
    m_ownScroll = false;
}

void CMinecraftRedirectDlg::UpdateCounters() {
    if (!m_counters) return;
    WString text;
    text.Format(L"|%d INFO|%d WARN|%d ERROR|%d FATAL|", GetLevelCount(1), GetLevelCount(2), GetLevelCount(3),
                GetLevelCount(4));
    if (text == m_counters->GetText()) return;
    const bool longer = text.GetLength() != m_counters->GetText().GetLength();
    m_counters->SetText(text.GetString());
    // A count with one more digit may need the room the search field spares.
    if (longer) {
        if (wendaldui::CUIContainer* client = GetClientContainer()) {
            client->OnSize(client->GetRect().width, client->GetRect().height);
        }
    }
}

int CMinecraftRedirectDlg::GetLevelCount(int level) const {
    return m_redirect && level >= 1 && level <= 4 ? m_redirect->Counter(level) : 0;
}

int CMinecraftRedirectDlg::CountersWidth() const {
    if (!m_counters || !m_countersFont || m_counters->GetText().IsEmpty()) return 0;
    HDC screen = GetDC(NULL);
    Gdiplus::RectF bounds;
    {
        Gdiplus::Graphics graphics(screen);
        const WString& text = m_counters->GetText();
        graphics.MeasureString(text.GetString(), text.GetLength(), m_countersFont, Gdiplus::PointF(0, 0), &bounds);
    }
    ReleaseDC(NULL, screen);
    return static_cast<int>(bounds.Width) + 2;
}

bool CMinecraftRedirectDlg::CountersFit() const {
    return m_counters && m_counters->GetRect().width >= CountersWidth();
}

void CMinecraftRedirectDlg::SetTopMost(bool on) {
    SetWindowPos(m_hWnd, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void CMinecraftRedirectDlg::SetKeepLastLine(bool on) {
    m_keepLastLine = on;
    if (m_keepLastToggle && m_keepLastToggle->IsChecked() != on) m_keepLastToggle->SetChecked(on);
    if (on) ScrollToEnd();
}

void CMinecraftRedirectDlg::OnTopMostClick(wendaldui::EventData& event) { SetTopMost(event.p1 != 0); }

void CMinecraftRedirectDlg::OnKeepLastClick(wendaldui::EventData& event) { SetKeepLastLine(event.p1 != 0); }

void CMinecraftRedirectDlg::OnSearchClick(wendaldui::EventData&) { SearchDown(); }

void CMinecraftRedirectDlg::OnEditScrolled(wendaldui::EventData&) {
    if (!m_ownScroll && m_keepLastLine) SetKeepLastLine(false);
}

void CMinecraftRedirectDlg::OnClientResized() {
    if (m_keepLastLine && m_edit) ScrollToEnd();
}

bool CMinecraftRedirectDlg::SearchDown() {
    if (!m_edit || !m_search) return false;
    const WString what = m_search->GetText();
    if (what.GetLength() == 0) return false;
    // From the caret: the start of the log until the player puts it
    // elsewhere, and past the match found last.
    bool found = false;
    HRESULT result = E_NOTIMPL;
    ITextSelection* selection = nullptr;
    if (m_document && SUCCEEDED(m_document->GetSelection(&selection)) && selection) {
        BSTR text = SysAllocStringLen(what.GetString(), static_cast<UINT>(what.GetLength()));
        long length = 0;
        result = selection->FindText(text, tomForward, 0, &length);
        found = result == S_OK && length > 0;
        SysFreeString(text);
        selection->Release();
    }
    if (FAILED(result)) {
        // Wine's text object model cannot find (E_NOTIMPL); the message can.
        LONG start = 0, end = 0;
        m_edit->GetSel(start, end);
        FINDTEXTEXW find = {};
        find.chrg.cpMin = end;
        find.chrg.cpMax = -1;
        find.lpstrText = what.GetString();
        if (m_edit->SendEditMessage(EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&find)) >= 0) {
            m_edit->SetSel(find.chrgText.cpMin, find.chrgText.cpMax);
            found = true;
        }
    }
    if (found) {
        // The match stays in sight: new lines no longer scroll the log away.
        SetKeepLastLine(false);
        m_ownScroll = true;
        m_edit->SendEditMessage(EM_SCROLLCARET, 0, 0);
        m_ownScroll = false;
    } else {
        // The sound library is loaded on the first miss, not with every launcher start.
        typedef BOOL(WINAPI * PlaySoundProc)(LPCWSTR, HMODULE, DWORD);
        static const PlaySoundProc play = [] {
            HMODULE sound = LoadLibraryW(L"winmm.dll");
            return sound ? reinterpret_cast<PlaySoundProc>(
                               reinterpret_cast<void (*)()>(GetProcAddress(sound, "PlaySoundW")))
                         : nullptr;
        }();
        if (play) play(reinterpret_cast<LPCWSTR>(SND_ALIAS_SYSTEMDEFAULT), NULL, SND_ALIAS_ID | SND_ASYNC);
    }
    return found;
}

bool OpenFromSharedBlock(HANDLE mapping) {
    launcher::RedirectSharedBlock block;
    if (!launcher::ReadRedirectSharedBlock(mapping, block)) return false;
    CMinecraftRedirectDlg* dialog = new CMinecraftRedirectDlg(block, mapping);
    HWND hwnd = CreateWindowExW(0, wendaldui::kDuiWindowClassName, L"输出", WS_OVERLAPPEDWINDOW, 0, 0,
                                wendaldui::DpiScale(kWidth), wendaldui::DpiScale(kHeight), NULL, NULL,
                                wendaldui::CDuiApp::GetModuleInstance(), dialog);
    if (!hwnd) {
        delete dialog;  // closes the handles it was given
        return false;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    return true;
}

bool OpenOutputWindowFromCommandLine(int argc, wchar_t** argv) {
    HANDLE mapping = nullptr;
    if (argc < 2 || !argv || wcscmp(argv[0], L"-redirect_output") != 0 || !ParseHandleArgument(argv[1], mapping))
        return false;
    return OpenFromSharedBlock(mapping);
}

}  // namespace ui
}  // namespace trelm
