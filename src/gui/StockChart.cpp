#include "gui/StockChart.h"

#include <QBarCategoryAxis>
#include <QCandlestickSeries>
#include <QCandlestickSet>
#include <QChart>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>

namespace quarrow {

namespace {

const QString kAnomalySeries = QStringLiteral("异动日");
const QString kBuySeries = QStringLiteral("买入日");
const QString kSellSeries = QStringLiteral("卖出日");

double yuan(qint32 hundredths) {
    return hundredths / 100.0;
}

}  // namespace

StockChart::StockChart(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    setMinimumHeight(220);
    clear();
}

void StockChart::clear(const QString& title) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->hide();
    QChart* old = this->chart();
    setChart(chart);
    delete old;
    m_bars = 0;
}

int StockChart::markCount(const QString& seriesName) const {
    for (QAbstractSeries* series : chart()->series()) {
        if (series->name() == seriesName)
            return static_cast<int>(static_cast<QScatterSeries*>(series)->count());
    }
    return 0;
}

void StockChart::showData(const StockChartData& chartData, const QString& title) {
    clear(title);
    if (chartData.bars.isEmpty())
        return;
    QChart* chart = this->chart();
    auto* candles = new QCandlestickSeries;
    candles->setIncreasingColor(QColor(220, 0, 0));
    candles->setDecreasingColor(QColor(0, 160, 0));
    candles->setBodyOutlineVisible(false);
    QStringList days;
    double low = yuan(chartData.bars.first().Low);
    double high = yuan(chartData.bars.first().High);
    for (qsizetype i = 0; i < chartData.bars.size(); ++i) {
        const DailyBar& bar = chartData.bars.at(i);
        candles->append(new QCandlestickSet(yuan(bar.Open), yuan(bar.High), yuan(bar.Low), yuan(bar.Close),
                                            static_cast<qreal>(i)));
        days << QStringLiteral("%1-%2")
                    .arg(bar.Date / 100 % 100, 2, 10, QLatin1Char('0'))
                    .arg(bar.Date % 100, 2, 10, QLatin1Char('0'));
        low = std::min(low, yuan(bar.Low));
        high = std::max(high, yuan(bar.High));
    }
    const double margin = std::max(0.01, (high - low) * 0.1);
    chart->addSeries(candles);

    // The marks stand a little above (anomaly) or below (trades) the day's bar, on a value
    // axis laid over the day categories.
    // A day on which the department both bought and sold shows both marks, one under the
    // other. offset: how many half margins above the high (positive) or below the low.
    const auto marks = [&](const QString& name, const QSet<qint32>& set, const QColor& colour, int offset,
                           QScatterSeries::MarkerShape shape) {
        auto* series = new QScatterSeries;
        series->setName(name);
        series->setColor(colour);
        series->setBorderColor(colour);
        series->setMarkerShape(shape);
        series->setMarkerSize(9);
        for (qsizetype i = 0; i < chartData.bars.size(); ++i) {
            const DailyBar& bar = chartData.bars.at(i);
            if (set.contains(bar.Date))
                series->append(static_cast<qreal>(i), offset > 0 ? yuan(bar.High) + offset * margin / 2
                                                                 : yuan(bar.Low) + offset * margin / 2);
        }
        chart->addSeries(series);
        return series;
    };
    QList<QAbstractSeries*> markSeries{
        marks(kAnomalySeries, chartData.anomalyDays, QColor(230, 150, 0), 1, QScatterSeries::MarkerShapeStar),
        marks(kBuySeries, chartData.buyDays, QColor(220, 0, 0), -1, QScatterSeries::MarkerShapeTriangle),
        marks(kSellSeries, chartData.sellDays, QColor(0, 160, 0), -2, QScatterSeries::MarkerShapeTriangle)};

    auto* categories = new QBarCategoryAxis;
    categories->append(days);
    categories->setLabelsAngle(-90);
    categories->setTruncateLabels(false);
    QFont small = categories->labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    categories->setLabelsFont(small);
    chart->addAxis(categories, Qt::AlignBottom);
    candles->attachAxis(categories);
    auto* positions = new QValueAxis;
    positions->setRange(-0.5, static_cast<double>(chartData.bars.size()) - 0.5);
    positions->setVisible(false);
    chart->addAxis(positions, Qt::AlignBottom);
    auto* prices = new QValueAxis;
    prices->setRange(low - margin, high + margin);
    chart->addAxis(prices, Qt::AlignLeft);
    candles->attachAxis(prices);
    for (QAbstractSeries* series : markSeries) {
        series->attachAxis(positions);
        series->attachAxis(prices);
    }
    m_bars = static_cast<int>(chartData.bars.size());
}

}  // namespace quarrow
