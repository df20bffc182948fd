#include "gui/StockChart.h"

#include <QBarCategoryAxis>
#include <QCandlestickSeries>
#include <QCandlestickSet>
#include <QCategoryAxis>
#include <QChart>
#include <QFontMetrics>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace quarrow {

namespace {

const QString kAnomalySeries = QStringLiteral("异动日");
const QString kBuySeries = QStringLiteral("买入日");
const QString kSellSeries = QStringLiteral("卖出日");

// Room between two day labels, so that they read as separate dates.
constexpr int kLabelGap_px = 10;

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
    m_days.clear();
    m_dayAxis = nullptr;
    m_labelStep = 0;
}

QStringList StockChart::dayLabels() const {
    return m_dayAxis ? m_dayAxis->categoriesLabels() : QStringList();
}

void StockChart::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    labelDays();
}

void StockChart::labelDays() {
    if (!m_dayAxis || m_days.isEmpty())
        return;
    // The plot's width once the chart is laid out; before that the view's less the price
    // axis and the margins.
    const qreal plotWidth =
        chart()->plotArea().width() > 0 ? chart()->plotArea().width() : std::max(1, width() - 90);
    const int labelWidth = QFontMetrics(m_dayAxis->labelsFont()).horizontalAdvance(QStringLiteral("00-00"));
    const auto bars = static_cast<int>(m_days.size());
    const int step = std::max(1, static_cast<int>(std::ceil((labelWidth + kLabelGap_px) * bars / plotWidth)));
    if (step == m_labelStep)
        return;
    m_labelStep = step;
    for (const QString& label : m_dayAxis->categoriesLabels())
        m_dayAxis->remove(label);
    for (int i = 0; i < bars; i += step)
        m_dayAxis->append(m_days.at(i), i);
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

    // The candles stand on one category a day; the days are labelled on an axis of their
    // positions, with as many labels as fit (one a day would overlap into a smear).
    auto* categories = new QBarCategoryAxis;
    categories->append(days);
    categories->setVisible(false);
    chart->addAxis(categories, Qt::AlignBottom);
    candles->attachAxis(categories);
    auto* positions = new QCategoryAxis;
    positions->setRange(-0.5, static_cast<double>(chartData.bars.size()) - 0.5);
    positions->setStartValue(-0.5);
    positions->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    positions->setTruncateLabels(false);
    positions->setGridLineVisible(false);
    QFont small = positions->labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    positions->setLabelsFont(small);
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
    m_days = days;
    m_dayAxis = positions;
    labelDays();
    // The plot's own width is known once the chart is laid out, and changes with the view.
    connect(chart, &QChart::plotAreaChanged, this, [this] { labelDays(); });
}

}  // namespace quarrow
