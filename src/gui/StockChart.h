#pragma once

#include "scorecard/StockChartData.h"

#include <QChartView>
#include <QStringList>

class QCategoryAxis;

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

    // What is drawn, for the tests: bars, the marks of each kind, the days labelled below.
    int barCount() const { return m_bars; }
    int markCount(const QString& seriesName) const;
    QStringList dayLabels() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Labels as many days as fit side by side under the bars, evenly spaced from the first.
    void labelDays();

    int m_bars = 0;
    QStringList m_days;                  // "MM-dd" of every bar
    QCategoryAxis* m_dayAxis = nullptr;  // the labelled days, on the bars' positions
    int m_labelStep = 0;
};

}  // namespace quarrow
