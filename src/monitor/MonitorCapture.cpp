#include "monitor/MonitorCapture.h"

#include "app/AppFrame.h"
#include "automation/QuoteWindows.h"
#include "automation/StockWindows.h"

#include <algorithm>

namespace quarrow {

namespace {

// The offsets in the monitor's first list that show its selling and its buying alerts.
constexpr int kListX = 35;
constexpr int kSellingY = 147;
constexpr int kBuyingY = 130;
constexpr int kListReadAttempts = 3;

}  // namespace

MonitorCapture::MonitorCapture(QuoteWindows& windows, Desktop& desktop, AppFrame& frame)
    : m_windows(windows), m_desktop(desktop), m_frame(frame) {}

bool MonitorCapture::open() {
    return m_windows.OpenMonitorWindow();
}

bool MonitorCapture::ready() {
    if (FindTopWindow(m_desktop, kTitle.toStdU16String()) == kNoWindow) {
        for (TStockWinInfo* win : {m_windows.MonitorListWin2(), m_windows.MonitorListWin()}) {
            if (win)
                win->MainWinClose();
        }
        if (!m_windows.OpenMonitorWindow()) {
            m_frame.ShowPrompt(kTitle + QStringLiteral("没有开启!"));
            return false;
        }
    } else if (!m_windows.MonitorListWin() || m_windows.MonitorListWin()->GetMainWindow() == kNoWindow ||
               !m_windows.MonitorListWin2()) {
        m_windows.OpenMonitorWindow();  // makes and finds both lists
    }
    return true;
}

void MonitorCapture::showSelling() {
    clickList(kSellingY);
}

void MonitorCapture::showBuying() {
    clickList(kBuyingY);
}

void MonitorCapture::clickList(int y) {
    TStockWinInfo* clicks = m_windows.MonitorListWin();
    if (!clicks)
        return;
    // The click goes where the list is now, not where it was at the last search, and as
    // far into it as the screen's scaling puts the row.
    clicks->RefreshWinRects();
    clicks->MouseClickOnChild(clicks->ChildPixels(kListX), clicks->ChildPixels(y));
}

std::optional<QStringList> MonitorCapture::freshRows(MonitorListState& state) {
    TStockWinInfo* list = m_windows.MonitorListWin2();
    if (list && !list->SelectChild()) {
        // Known but gone: the monitor was closed and opened again since it was found.
        list->Refresh();
        if (TStockWinInfo* clicks = m_windows.MonitorListWin())
            clicks->Refresh();
    }
    if (!list || !list->SelectChild())
        return std::nullopt;
    QStringList lines;
    for (const std::vector<std::u16string>& cells : readFreshRows(list->GetChildWindow(), state)) {
        QString line;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (c > 0)
                line += QLatin1Char('\t');
            line += QString::fromStdU16String(cells[c]);
        }
        lines << line;
    }
    return lines;
}

// The rows the monitor added to a list since it was last read, newest first; only they are
// read and made text, so a pass costs what it brings, not what the day has gathered. The
// monitor puts its new rows on top: the row that was newest at the last read must now
// stand just below them. When it does not, or the list got shorter, the monitor began the
// list again (restarted, or a new day began) and all of it is new; what was stored before
// is recognised by its memo and not stored or sent twice.
std::vector<std::vector<std::u16string>> MonitorCapture::readFreshRows(WindowHandle listView,
                                                                       MonitorListState& state) {
    for (int attempt = 1;; ++attempt) {
        const int length = static_cast<int>(m_desktop.listViewRowCount(listView));
        if (length < state.handled)
            state.reset();
        const int fresh = length - state.handled;
        if (fresh <= 0)
            return {};
        const bool anchored = state.handled > 0;
        std::vector<std::vector<std::u16string>> rows =
            m_desktop.readListView(listView, static_cast<std::size_t>(fresh + (anchored ? 1 : 0)));
        // Alerts that arrive while the rows are read push the fresh ones down: read again
        // while the count moves, so none is skipped.
        if (static_cast<int>(m_desktop.listViewRowCount(listView)) > length && attempt < kListReadAttempts)
            continue;
        const auto freshRows = static_cast<std::size_t>(fresh);
        if (anchored && (rows.size() <= freshRows || rows[freshRows] != state.newest)) {
            state.reset();
            continue;
        }
        rows.resize(std::min(rows.size(), freshRows));
        state.handled += static_cast<int>(rows.size());
        if (!rows.empty())
            state.newest = rows.front();
        return rows;
    }
}

}  // namespace quarrow
