#pragma once

#include "platform/sim/SimDesktop.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>
#include <vector>

namespace quarrow {

// One alert of the simulated monitor's feed: when it appears (seconds into the day, on
// every day or on one day only), which list it joins, and the cells its row shows.
struct SimMonitorAlert {
    int second = 0;
    QDate day;  // invalid: every day
    bool selling = true;
    std::vector<std::u16string> cells;
};

// The feed sim/monitor.txt of the quote folder (UTF-8), one alert a line: its time
// "hh:mm:ss" (every day) or "yyyy-mm-dd hh:mm:ss" (that day only), a tab, "S" (selling list) or "B" (buying
// list), a tab, then the row's cells separated by tabs. Lines that do not parse are skipped; the result is in
// time order.
std::vector<SimMonitorAlert> readSimMonitorFeed(const QString& path);

// The quote program's main-force monitor "主力监控总览": a category list and an alert list,
// both titled "List1". A click at (35, 147) from the category list's top left shows the
// selling alerts in the alert list, one at (35, 130) the buying alerts. The alert list
// shows, newest first, the alerts whose time of day the desktop's clock has reached; from
// restartAt on (a restarted monitor) only those of restartAt and after. A new day begins
// both lists again, as the quote program does for each day's trading.
class SimMonitorWindow final : public SimProgram {
public:
    SimMonitorWindow(SimDesktop& desktop, std::uint32_t processId, std::vector<SimMonitorAlert> feed,
                     std::optional<QTime> restartAt);
    ~SimMonitorWindow() override;
    SimMonitorWindow(const SimMonitorWindow&) = delete;
    SimMonitorWindow& operator=(const SimMonitorWindow&) = delete;

    bool isOpen() const { return m_desktop.windowExists(m_window); }
    void close();

    void keyDown(WindowHandle, std::uint8_t) override {}
    void keyUp(WindowHandle, std::uint8_t) override {}
    void leftClick(WindowHandle window, int x, int y) override;
    void listViewRead(WindowHandle listView) override;

private:
    SimDesktop& m_desktop;
    std::vector<SimMonitorAlert> m_feed;
    std::optional<QTime> m_restartAt;
    WindowHandle m_window = kNoWindow;
    WindowHandle m_categories = kNoWindow;
    WindowHandle m_alerts = kNoWindow;
    bool m_selling = true;
    // The alerts due so far, newest first, buying [0] and selling [1]; the shown side's
    // stand in the alert list itself. m_fed counts the feed's alerts taken into them.
    std::vector<std::vector<std::u16string>> m_rows[2];
    bool m_shownSelling = true;
    std::size_t m_fed = 0;
    bool m_restarted = false;
    QDate m_day;  // the day the lists show
};

}  // namespace quarrow
