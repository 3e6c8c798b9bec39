// The game-output window of the "-redirect_output" run: one running game's
// console, standard output coloured by log level, standard error in red,
// the relay's own lines in blue, with counters per level, a search box and
// the "置于顶层" and "保持最后一行可见" toggles. Closing it leaves the game
// running; only the pipes to it are closed.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>

#include "WendalDui/Control/UIContainer.h"
#include "WendalDui/Core/DuiDialog.h"
#include "launcher/MinecraftOutputRedirect.h"
#include "launcher/RedirectSharedBlock.h"

struct ITextDocument;

namespace Gdiplus {
class Font;
}

namespace wendaldui {
class CUIButton;
class CUILabel;
class CUIRichEdit;
class CUIToggleButton;
}  // namespace wendaldui

namespace trelm {
namespace ui {

class CMinecraftRedirectDlg;

namespace internal {

// The client area: the top row of controls, a line under it, the log below.
class CUICtnRedirect : public wendaldui::CUIContainer {
public:
    enum ChildId { kTopMostId = 1, kKeepLastId, kSearchId, kSearchButtonId, kCountersId, kLineId, kEditId };

    explicit CUICtnRedirect(CMinecraftRedirectDlg* dialog) : m_dialog(dialog) {}

    void OnCreate(void* arg) override;
    void OnSize(int width, int height) override;

private:
    CMinecraftRedirectDlg* m_dialog;
};

}  // namespace internal

class CMinecraftRedirectDlg : public wendaldui::CDuiDialog, public launcher::redirect::IMinecraftOutputRedirectObserver {
public:
    // COLORREF (0x00BBGGRR) of a standard-output line by its level, and of
    // the other two sources; the window's own lines share the relay's blue.
    static COLORREF LevelColor(int level);
    static COLORREF SourceColor(int source, int level);
    static const COLORREF kOwnColor = 0xCC7400;
    // The view holds kMaxLines to kMaxLines + kTrimStep lines: the oldest go
    // kTrimStep at a time, in steps of at most kTrimRows rows. Wine's rich
    // edit joins each deleted paragraph to the rest of the story on its own,
    // in time that grows with the runs after it: in a full view of lines of
    // changing colours a row costs about a millisecond, 25 of them 28 ms.
    static constexpr int kMaxLines = 4000;
    static constexpr int kTrimStep = 25;
    static constexpr int kTrimRows = 5;
    // ...and at most this many characters (Wine's rich edit keeps 50 to 100
    // bytes a character): the oldest lines go first, as for kMaxLines.
    static constexpr int kMaxViewChars = 512 * 1024;
    // One step appends at most this many characters (one colour, at most
    // kTrimStep lines), or removes at most kTrimRows rows.
    static constexpr int kBatchChars = 2048;
    // The window takes the relay's whole queues at each notice (up to a
    // view's worth); it shows them in slices of at most kSliceSteps steps,
    // and starts no further step after kSliceMs, so that no message holds
    // it long and the queues are emptied between the steps. Under Wine a
    // step takes one to seven milliseconds, a slice 10 to 15.
    static constexpr int kSliceSteps = 8;
    static constexpr int kSliceMs = 10;

    // Takes the block's four handles; the mapping is closed once the window exists.
    CMinecraftRedirectDlg(const launcher::RedirectSharedBlock& block, HANDLE mapping);
    ~CMinecraftRedirectDlg() override;

    void OnCreate() override;
    void OnAfterCreate() override;

    // Reader threads: the lines wait in the relay's queues for the UI thread.
    void OnOutput(int source) override;
    void OnEnded() override;

    void AppendText(const wchar_t* text, COLORREF color, bool scroll);
    // "[hh:mm:ss] [TRELM]: text" in local time.
    void AppendOwnLine(const wchar_t* text, COLORREF color, bool scroll);
    // "向下搜索": selects the next match after the selection; false (a beep,
    // the selection left alone) when there is none.
    bool SearchDown();
    void SetTopMost(bool on);
    void SetKeepLastLine(bool on);
    void ScrollToEnd();

    wendaldui::CUIRichEdit* GetEdit() const { return m_edit; }
    wendaldui::CUIRichEdit* GetSearchField() const { return m_search; }
    wendaldui::CUIButton* GetSearchButton() const { return m_searchButton; }
    wendaldui::CUILabel* GetCountersLabel() const { return m_counters; }
    wendaldui::CUIToggleButton* GetTopMostToggle() const { return m_topMostToggle; }
    wendaldui::CUIToggleButton* GetKeepLastToggle() const { return m_keepLastToggle; }
    bool IsKeepingLastLine() const { return m_keepLastLine; }
    // Lines in the view now, and appended since the window opened.
    int GetLineCount() const { return m_lineCount; }
    int GetLinesAppended() const { return m_linesAppended; }
    // Lines taken from the relay, appended or waiting to be.
    int GetLinesReceived() const { return m_linesReceived; }
    // Characters appended to the view and removed from it since it opened.
    int GetCharsChanged() const { return m_charsChanged; }
    // The relay's count of the game's lines at a level (1 INFO to 4 FATAL).
    int GetLevelCount(int level) const;
    // Whether the counters label shows its whole text.
    bool CountersFit() const;

    DUI_DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnCloseMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnOutputMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnMinMaxInfo(WPARAM wParam, LPARAM lParam);

private:
    friend class internal::CUICtnRedirect;

    void OnTopMostClick(wendaldui::EventData& event);
    void OnKeepLastClick(wendaldui::EventData& event);
    void OnSearchClick(wendaldui::EventData& event);
    void OnEditScrolled(wendaldui::EventData& event);
    void OnClientResized();
    void UpdateCounters();
    // Width in pixels the counters' text needs.
    int CountersWidth() const;
    // Moves what waits in the relay's queues (or one source's) to the
    // pending lines.
    void TakeQueued();
    void TakeQueued(int source);
    // Appends pending lines and trims the view for one slice; the next
    // notice or a timer brings the next slice while anything is left.
    void ShowPending();
    // One step of ShowPending: one batch of lines of one colour, or one trim.
    void AppendBatch();
    // Appends text holding that many lines (and maybe the start of one
    // more, without lineEnd) and keeps the blocks.
    void AppendLines(const WString& text, int lines, COLORREF color, bool lineEnd);
    bool NeedsTrim() const;
    // Removes the oldest block's first rows, up to kTrimRows; the block
    // and its lines go when its last row has.
    void TrimOldest();
    // Removes the characters [0, end) of the log.
    void DeleteHead(LONG end);
    // The log's first visible line, and scrolling it to the top of the view.
    LONG FirstVisibleLine() const;
    void ShowFromLine(LONG line);
    LONG StoryLength() const;

    HANDLE m_process;
    HANDLE m_stdoutRead;
    HANDLE m_stderrRead;
    HANDLE m_stdinWrite;
    WString m_displayName;
    WString m_commandLine;
    WString m_workingDirectory;
    HANDLE m_mapping;

    wendaldui::CUIToggleButton* m_topMostToggle = nullptr;
    wendaldui::CUIToggleButton* m_keepLastToggle = nullptr;
    wendaldui::CUIRichEdit* m_search = nullptr;
    wendaldui::CUIButton* m_searchButton = nullptr;
    wendaldui::CUILabel* m_counters = nullptr;
    wendaldui::CUIRichEdit* m_edit = nullptr;

    // A line, or a piece of a long one (lineEnd false but for the last).
    struct PendingLine {
        WString text;
        COLORREF color;
        bool lineEnd;
    };
    // The view's lines in blocks of kTrimStep (fewer when long): where each
    // ends in the story, oldest first, and how many lines it holds.
    struct Block {
        LONG end;
        int lines;
    };

    std::unique_ptr<launcher::redirect::MinecraftOutputRedirect> m_redirect;
    ITextDocument* m_document = nullptr;
    Gdiplus::Font* m_countersFont = nullptr;  // owned by the label
    std::deque<PendingLine> m_pending;
    int m_pendingChars = 0;
    std::deque<Block> m_blocks;
    int m_openLines = 0;  // lines after the last block
    LONG m_storyLength = 0;
    int m_lineCount = 0;
    int m_linesAppended = 0;
    int m_linesReceived = 0;
    int m_charsChanged = 0;
    bool m_showTimer = false;
    bool m_keepLastLine = true;
    bool m_ownScroll = false;
};

// Reads the block behind the mapping and opens the window on it; false when
// the block cannot be read or the window not made.
bool OpenFromSharedBlock(HANDLE mapping);
// argv without the program: "-redirect_output" and the block's handle.
bool OpenOutputWindowFromCommandLine(int argc, wchar_t** argv);

}  // namespace ui
}  // namespace trelm
