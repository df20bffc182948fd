#pragma once

#include <QWidget>

class QSpinBox;
class QToolButton;

namespace quarrow {

class DailyBarGrid;
class ProgramServices;
class StockChart;

// The daily-bar viewer of the stock-code page: the grid StrGridDaily with its close box
// btnCloseDaily and its day arrows UpDownDays over the header, and the chart of the same
// bars below. It shows a stock's bars when asked and says when the user closed it or
// moved the arrows; the page decides what the arrows change.
class DailyViewerPanel : public QWidget {
    Q_OBJECT
public:
    DailyViewerPanel(ProgramServices& services, QWidget* parent);

    DailyBarGrid* grid() const { return m_grid; }
    StockChart* chart() const { return m_chart; }
    bool isOpen() const;

    // Shows the last `days` bars of the stock (all for 0) in the grid, newest first, and
    // draws them. A count that leaves no rows keeps what the grid showed; a file that cannot
    // be read is said on the prompt line.
    void showStock(const QString& prefixedCode, int days);
    // Hides the grid, its boxes and the chart.
    void closeViewer();
    // The arrows' hint after the day count changed.
    void setDaysHint(const QString& hint);

Q_SIGNALS:
    // The close box was pressed (or Esc while the viewer was open).
    void closeClicked();
    // The arrows moved one step up (+1) or down (-1).
    void daysStepped(int step);

private:
    void layOutOnce();
    void drawChart(const QString& prefixedCode, int days);

    ProgramServices& m_services;
    DailyBarGrid* m_grid = nullptr;  // StrGridDaily
    QToolButton* m_close = nullptr;  // btnCloseDaily
    QSpinBox* m_days = nullptr;      // UpDownDays
    StockChart* m_chart = nullptr;   // chartDaily
    int m_daysPosition = 0;
    bool m_laidOut = false;
};

}  // namespace quarrow
