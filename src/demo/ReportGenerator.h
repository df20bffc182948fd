#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <random>

namespace quarrow {

// One generated dragon-tiger report and what storing all of it must yield.
struct GeneratedReport {
    QString code;
    QString name;
    QDate reportDate;
    QStringList lines;
    QList<QDate> anomalyDays;  // newest first
    int changeRows = 0;        // anomaly rows plus distinct department rows with an amount
    int bigTrades = 0;
};

// One day of a report's price-change list: the day and why the exchange listed the stock
// (a day's deviation of 7 %, three days' summed deviation of 20 %, or turnover).
enum class ReportAnomalyKind { Rise, Fall, ThreeDayRise, ThreeDayFall, Turnover };
struct ReportAnomaly {
    QDate day;
    ReportAnomalyKind kind = ReportAnomalyKind::Rise;
};

struct GeneratedStock {
    QString code;
    QString name;
};

// Writes dragon-tiger reports in the quote program's page layout, with realistic
// department names and figures: several anomaly days, names continued on a second table
// line, departments among both the top buyers and sellers, turnover days, rows without
// amounts, and block trades whose names run over two lines. Deterministic for a seed,
// so tests, the demo and the benchmarks see the same data everywhere.
class ReportGenerator {
public:
    explicit ReportGenerator(quint32 seed);

    // A stock list of the given size: codes from both markets, names from a fixed pool.
    static QList<GeneratedStock> stocks(int count);

    // anomalyDays days from reportDate back, of random kinds and spacing.
    GeneratedReport generate(const GeneratedStock& stock, const QDate& reportDate, int anomalyDays,
                             int bigTrades);
    // The given days and kinds (newest first), for a report that must match a stock's bars.
    GeneratedReport generate(const GeneratedStock& stock, const QDate& reportDate,
                             const QList<ReportAnomaly>& anomalies, int bigTrades);

private:
    GeneratedReport compose(const GeneratedStock& stock, const QDate& reportDate, int anomalyDays,
                            const QList<ReportAnomaly>* given, int bigTrades);

    int uniform(int low, int high);  // inclusive
    QString amountText(int low, int high);
    QString department();

    std::mt19937 m_random;
};

}  // namespace quarrow
