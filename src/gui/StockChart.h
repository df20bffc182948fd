#pragma once

#include "scorecard/StockChartData.h"

#include <QChartView>

namespace quarrow {

// The chart of a stock's operators: its daily bars as candlesticks (red up, green down, as
// the quote program draws them), the anomaly days marked above the bars, and a
// department's buy days (red) and sell days (green) marked below them.
class StockChart : public QChartView {
    Q_OBJECT
public:
    explicit StockChart(QWidget* parent = nullptr);

    void showData(const StockChartData& chartData, const QString& title);
    void clear(const QString& title = QString());

    // What is drawn, for the tests: bars, and the marks of each kind.
    int barCount() const { return m_bars; }
    int markCount(const QString& seriesName) const;

private:
    int m_bars = 0;
};

}  // namespace quarrow
