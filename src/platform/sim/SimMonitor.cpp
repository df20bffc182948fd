#include "platform/sim/SimMonitor.h"

#include "platform/Clock.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>

namespace quarrow {

namespace {

// Where the monitor's own clicks land in its category list, at 96 dpi.
constexpr int kSellingRowY = 147;
constexpr int kBuyingRowY = 130;

}  // namespace

std::vector<SimMonitorAlert> readSimMonitorFeed(const QString& path) {
    std::vector<SimMonitorAlert> feed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return feed;
    for (QString line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringList parts = line.split(QLatin1Char('\t'));
        const QStringList when = parts.value(0).trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QTime time = QTime::fromString(when.value(when.size() - 1), QStringLiteral("HH:mm:ss"));
        const QDate day = when.size() == 2 ? QDate::fromString(when[0], Qt::ISODate) : QDate();
        const QString side = parts.value(1).trimmed();
        if (parts.size() < 3 || !time.isValid() || when.size() > 2 || (when.size() == 2 && !day.isValid()) ||
            (side != QLatin1String("S") && side != QLatin1String("B")))
            continue;
        SimMonitorAlert alert;
        alert.second = time.msecsSinceStartOfDay() / 1000;
        alert.day = day;
        alert.selling = side == QLatin1String("S");
        for (qsizetype i = 2; i < parts.size(); ++i)
            alert.cells.push_back(parts[i].toStdU16String());
        feed.push_back(std::move(alert));
    }
    std::stable_sort(feed.begin(), feed.end(),
                     [](const SimMonitorAlert& a, const SimMonitorAlert& b) { return a.second < b.second; });
    return feed;
}

SimMonitorWindow::SimMonitorWindow(SimDesktop& desktop, std::uint32_t processId,
                                   std::vector<SimMonitorAlert> feed, std::optional<QTime> restartAt)
    : m_desktop(desktop), m_feed(std::move(feed)), m_restartAt(restartAt) {
    const WindowRect frame{300, 200, 1000, 760};
    m_window = m_desktop.createWindow(kNoWindow, QStringLiteral("主力监控总览"), QStringLiteral("#32770"),
                                      frame, processId, this);
    m_categories = m_desktop.createWindow(m_window, QStringLiteral("List1"), QStringLiteral("SysListView32"),
                                          {304, 224, 424, 756}, processId, this);
    m_alerts = m_desktop.createWindow(m_window, QStringLiteral("List1"), QStringLiteral("SysListView32"),
                                      {428, 224, 996, 756}, processId, this);
}

SimMonitorWindow::~SimMonitorWindow() {
    close();
}

void SimMonitorWindow::close() {
    if (isOpen())
        m_desktop.destroyWindow(m_window);
    m_window = m_categories = m_alerts = kNoWindow;
}

void SimMonitorWindow::leftClick(WindowHandle window, int, int y) {
    if (window != m_categories)
        return;
    // The rows lie as far apart as the screen's scaling puts them.
    const int dpi = m_desktop.windowDpi(m_categories);
    const int row = (y - m_desktop.windowRect(m_categories)->top) * kStandardDpi;
    m_selling = std::abs(row - kSellingRowY * dpi) <= std::abs(row - kBuyingRowY * dpi);
}

void SimMonitorWindow::listViewRead(WindowHandle listView) {
    if (listView != m_alerts)
        return;
    // The shown side's rows live in the list view: take them back while the lists grow.
    m_desktop.swapListRows(m_alerts, m_rows[m_shownSelling ? 1 : 0]);
    const QDateTime moment = m_desktop.clock().now();
    if (moment.date() != m_day) {
        m_day = moment.date();
        for (auto& rows : m_rows)
            rows.clear();
        m_fed = 0;
    }
    const int now = moment.time().msecsSinceStartOfDay() / 1000;
    if (m_restartAt && !m_restarted && now >= m_restartAt->msecsSinceStartOfDay() / 1000) {
        // A restarted monitor begins its lists again with the alerts of its restart.
        m_restarted = true;
        for (auto& rows : m_rows)
            rows.clear();
        while (m_fed < m_feed.size() && m_feed[m_fed].second < m_restartAt->msecsSinceStartOfDay() / 1000)
            ++m_fed;
    }
    // Newest first, as the monitor shows them: the alerts due since the last read go on top.
    std::vector<std::vector<std::u16string>> due[2];
    for (; m_fed < m_feed.size() && m_feed[m_fed].second <= now; ++m_fed) {
        if (!m_feed[m_fed].day.isValid() || m_feed[m_fed].day == m_day)
            due[m_feed[m_fed].selling ? 1 : 0].push_back(m_feed[m_fed].cells);
    }
    for (int side = 0; side < 2; ++side)
        m_rows[side].insert(m_rows[side].begin(), std::make_move_iterator(due[side].rbegin()),
                            std::make_move_iterator(due[side].rend()));
    m_shownSelling = m_selling;
    m_desktop.swapListRows(m_alerts, m_rows[m_shownSelling ? 1 : 0]);
}

}  // namespace quarrow
