// "关于TRELM": the program's title and version, a link to its forum thread,
// the build stamp, the download mirror's terms and the libraries' licences.
#pragma once

#include "ui/TextDialog.h"

namespace trelm {
namespace ui {

// Where the credit line's link leads.
extern const wchar_t kForumThreadUrl[];

class CAboutDialog : public CTextDialog {
public:
    void OnCreate() override;
    void OnClose() override;
    void OnLinkClick(wendaldui::CUIRichEdit* edit, void* link) override;

    // Appends a piece at the end of the text at that size in points.
    static void AppendText(wendaldui::CUIRichEdit* edit, const wchar_t* text, int points);
};

// The modal About box over the owner window.
void RunAboutDialog(HWND owner);

}  // namespace ui
}  // namespace trelm
