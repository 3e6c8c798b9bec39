// Painting one screen of a list control of 5,000 text rows, scrolled to the
// top, the middle and the end, against one screen of a list of 50 rows, in
// the same run. The body paints only the rows that meet the dirty rect, so
// every ratio should stay near 1: the cost of a repaint must not grow with
// the row count. The tree paints into an off-screen surface of a window
// object that has no window, so no display is needed.
//
// Run (after scripts/build.sh): scripts/wine-run.sh build/bench/bench_list_paint.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include "WendalDui/Control/UIContainer2.h"
#include "WendalDui/Control/UIListBodyString.h"
#include "WendalDui/Control/UIListCtrlString.h"
#include "WendalDui/Core/DuiApp.h"
#include "WendalDui/Core/DuiSkinManager.h"
#include "WendalDui/Core/DuiWindow.h"
#include "WendalDui/Core/OffscreenDC.h"
#include "bench/BenchClock.h"

namespace {

using namespace wendaldui;

constexpr int kWidth = 800, kHeight = 600;
constexpr int kFrames = 30;
constexpr int kRounds = 5;

// A list control filling a window object without a window.
class ListScreen {
public:
    explicit ListScreen(int rows) {
        m_root = new CUIContainer2;
        m_window.SetRoot(m_root);
        m_root->CreateAsRoot(&m_window, kControlVisible | kControlRectInPixels, UIRect(0, 0, kWidth, kHeight));
        m_list = new CUIListCtrlString;
        m_list->Create(m_root, kControlVisible | kControlRectInPixels | kScrollHasVertical | kScrollHasHorizontal,
                       UIRect(0, 0, kWidth, kHeight), 1);
        internal::CUIListBodyBase* body = m_list->GetBody();
        const wchar_t* titles[] = {L"文件", L"大小", L"进度", L"状态"};
        for (const wchar_t* title : titles) body->InsertColumn(-1, title, 180, 0);
        for (int row = 0; row < rows; ++row) {
            body->InsertRow(-1);
            // Numbers of one width: rows far down must not carry longer texts.
            wchar_t n[8];
            swprintf(n, 8, L"%04d", row);
            const std::wstring cells[] = {std::wstring(L"libraries/org/lwjgl/lwjgl-") + n + L".jar",
                                          std::wstring(n) + L" KB", L"100%", L"完成"};
            for (int column = 0; column < 4; ++column) {
                m_list->SetCell(column, row, new internal::CUIListBodyString::Item(cells[column].c_str()));
            }
        }
        m_surface.Resize(kWidth, kHeight);
    }

    // The best of kRounds rounds of kFrames full repaints at that scroll
    // position (0 to 1 of the way down), in seconds per frame.
    double SecondsPerFrame(double where) {
        m_list->ScrollToY(static_cast<int>(where * (m_list->GetContentHeight() - m_list->GetViewHeight())), false);
        const RECT all = {0, 0, kWidth, kHeight};
        double best = 1e9;
        for (int round = 0; round < kRounds; ++round) {
            const double start = BenchNow();
            for (int frame = 0; frame < kFrames; ++frame) m_window.PaintWindow(m_surface.GetDC(), all);
            best = std::min(best, (BenchNow() - start) / kFrames);
        }
        return best;
    }

private:
    CDuiWindow m_window;
    CUIContainer2* m_root = nullptr;
    CUIListCtrlString* m_list = nullptr;
    COffscreenDC m_surface;
};

}  // namespace

int main() {
    CDuiApp app;
    app.SetInstance(GetModuleHandleW(NULL));
    {
        CDuiSkinManager skin(L"微软雅黑", 210, 0.5, 0.4, 0);
        ListScreen small(50), large(5000);
        small.SecondsPerFrame(0.0);  // warm the font and brush caches
        const double reference = small.SecondsPerFrame(0.0);
        printf("one screen (%dx%d) of a list of 50 rows: %.3f ms per paint\n", kWidth, kHeight, reference * 1e3);
        const struct {
            const char* name;
            double where;
        } places[] = {{"top", 0.0}, {"middle", 0.5}, {"end", 1.0}};
        for (const auto& place : places) {
            const double seconds = large.SecondsPerFrame(place.where);
            printf("5,000 rows at the %-6s: %.3f ms per paint, ratio %.2f to 50 rows\n", place.name, seconds * 1e3,
                   seconds / reference);
        }
    }
    return 0;
}
