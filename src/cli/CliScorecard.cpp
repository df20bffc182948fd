#include "app/TextExport.h"
#include "cli/CliCommands.h"
#include "cli/CliJob.h"
#include "program/ProgramServices.h"

#include <QRegularExpression>

#include <algorithm>

namespace quarrow {

namespace {

QString percentText(double value) {
    return QString::number(value, 'f', 2);
}

// "1,2,3,5,10": distinct trading-day counts, put in ascending order.
std::optional<QList<int>> horizonsOf(const QString& text) {
    QList<int> horizons;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int days = part.trimmed().toInt(&ok);
        if (!ok || days < 1 || days > TrackRecordOptions::kMaxHorizon) {
            printError(QStringLiteral("--days takes trading-day counts from 1 to %1 separated by commas")
                           .arg(TrackRecordOptions::kMaxHorizon));
            return std::nullopt;
        }
        if (!horizons.contains(days))
            horizons << days;
    }
    std::sort(horizons.begin(), horizons.end());
    return horizons;
}

// "count", or "avgH" / "winH" for a horizon H among the days.
std::optional<Ranking> orderOf(const QString& text, const QList<int>& horizons) {
    Ranking ranking;
    if (text == QLatin1String("count"))
        return ranking;
    static const QRegularExpression pattern(QStringLiteral("^(avg|win)(\\d+)$"));
    const auto match = pattern.match(text);
    const qsizetype horizon = match.hasMatch() ? horizons.indexOf(match.captured(2).toInt()) : -1;
    if (horizon < 0) {
        printError(QStringLiteral("--sort takes count, or avgH or winH for a horizon H of --days"));
        return std::nullopt;
    }
    ranking.order = match.captured(1) == QLatin1String("avg") ? RankOrder::Average : RankOrder::RiseShare;
    ranking.horizon = horizon;
    return ranking;
}

void printGrid(bool csv, const QStringList& titles, const std::vector<QStringList>& rows) {
    printOut(csv ? TextExport::csvText(titles, rows) : TextExport::table(titles, rows));
}

struct ScorecardCall {
    TrackRecordOptions options;
    Ranking ranking;
    QString department;  // one department's trades instead of the ranking
    bool csv = false;
};

std::optional<ScorecardCall> readScorecard(const CliCall& call) {
    ScorecardCall scorecard;
    TrackRecordOptions& options = scorecard.options;
    const auto from = call.day(QStringLiteral("from"));
    const auto to = from ? call.day(QStringLiteral("to")) : std::nullopt;
    const auto horizons = to ? horizonsOf(call.value(QStringLiteral("days"))) : std::nullopt;
    if (!horizons)
        return std::nullopt;
    options.from = *from;
    options.to = *to;
    options.horizons = *horizons;
    auto ranking = orderOf(call.value(QStringLiteral("sort")), options.horizons);
    const auto side =
        ranking ? call.choice(QStringLiteral("side"), {QStringLiteral("buy"), QStringLiteral("sell")})
                : std::nullopt;
    const auto minCount = side ? call.wholeNumber(QStringLiteral("min-count"), 1, 1000000000) : std::nullopt;
    const auto top = minCount ? call.wholeNumber(QStringLiteral("top"), 0, 1000000000) : std::nullopt;
    const auto format =
        top ? call.choice(QStringLiteral("format"), {QStringLiteral("table"), QStringLiteral("csv")})
            : std::nullopt;
    if (!format)
        return std::nullopt;
    ranking->side = *side == QLatin1String("buy") ? TradeSide::Buy : TradeSide::Sell;
    ranking->minCount = *minCount;
    ranking->top = *top;
    scorecard.ranking = *ranking;
    scorecard.department = call.value(QStringLiteral("dept"));
    scorecard.csv = *format == QLatin1String("csv");
    return scorecard;
}

// One department's trades with the returns after each.
int printDepartmentTrades(const TrackRecord& record, const ScorecardCall& scorecard) {
    const DepartmentRecord* department = record.findByName(scorecard.department);
    if (!department) {
        printError(QStringLiteral("no trades of a department named %1 within these filters")
                       .arg(scorecard.department));
        return kExitFailure;
    }
    QStringList titles{QStringLiteral("code"), QStringLiteral("date"), QStringLiteral("bought"),
                       QStringLiteral("sold")};
    for (const int days : scorecard.options.horizons)
        titles << QStringLiteral("ret%1").arg(days);
    std::vector<QStringList> rows;
    for (const DepartmentTrade& trade : record.tradesOf(department->key)) {
        QStringList row{trade.code, trade.day.toString(QStringLiteral("yyyy-MM-dd")), trade.bought.toString(),
                        trade.sold.toString()};
        for (const std::optional<double>& value : trade.returns)
            row << (value ? percentText(*value) : QString());
        rows.push_back(row);
    }
    printGrid(scorecard.csv, titles, rows);
    return kExitOk;
}

// The departments ranked by what their stocks did after they bought (or sold).
void printRanking(const TrackRecord& record, const ScorecardCall& scorecard) {
    QStringList titles{QStringLiteral("department"), QStringLiteral("count")};
    for (const int days : scorecard.options.horizons)
        titles << QStringLiteral("avg%1").arg(days) << QStringLiteral("win%1").arg(days)
               << QStringLiteral("n%1").arg(days);
    std::vector<QStringList> rows;
    for (const DepartmentRecord* department : rankDepartments(record, scorecard.ranking)) {
        const SideFigures& figures = department->side(scorecard.ranking.side);
        QStringList row{department->name, QString::number(figures.trades)};
        for (const HorizonFigures& horizon : figures.horizons) {
            const bool any = horizon.count > 0;
            row << (any ? percentText(horizon.average) : QString())
                << (any ? percentText(horizon.riseShare) : QString()) << QString::number(horizon.count);
        }
        rows.push_back(row);
    }
    printGrid(scorecard.csv, titles, rows);
}

int runScorecard(CliCall& call) {
    const std::optional<ScorecardCall> scorecard = readScorecard(call);
    if (!scorecard)
        return kExitUsage;
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    const TrackRecordOutcome computed = call.services().jobs().trackRecord(scorecard->options);
    if (!computed.done()) {
        printError(QStringLiteral("cannot work out the track record"));
        return exitStatusOf(computed);
    }
    const TrackRecord& record = *computed.record;
    if (!scorecard->department.isEmpty())
        return printDepartmentTrades(record, *scorecard);
    printRanking(record, *scorecard);
    return kExitOk;
}

}  // namespace

const CliCommand& scorecardCommand() {
    static const CliCommand command{
        .name = QStringLiteral("scorecard"),
        .summary = QStringLiteral("the departments' track record: how their stocks went 1, 2, 3, 5 and 10 "
                                  "trading days after they bought "
                                  "or sold"),
        .options =
            {{QStringLiteral("from"), QStringLiteral("yyyy-mm-dd"), QStringLiteral("From this day on.")},
             {QStringLiteral("to"), QStringLiteral("yyyy-mm-dd"), QStringLiteral("Up to this day.")},
             {QStringLiteral("min-count"), QStringLiteral("N"),
              QStringLiteral("Only departments with at least N trades on the side."), QStringLiteral("1")},
             {QStringLiteral("side"), QStringLiteral("buy|sell"), QStringLiteral("The side ranked."),
              QStringLiteral("buy")},
             {QStringLiteral("days"), QStringLiteral("1,2,3,5,10"),
              QStringLiteral("Trading days after the trade."), QStringLiteral("1,2,3,5,10")},
             {QStringLiteral("sort"), QStringLiteral("avgH|winH|count"),
              QStringLiteral("Rank by average return, share of rises or count."), QStringLiteral("count")},
             {QStringLiteral("top"), QStringLiteral("N"), QStringLiteral("Only the first N (0: all)."),
              QStringLiteral("0")},
             {QStringLiteral("dept"), QStringLiteral("NAME"),
              QStringLiteral("That department's trades instead of the ranking.")},
             {QStringLiteral("format"), QStringLiteral("table|csv"),
              QStringLiteral("Aligned columns or CSV."), QStringLiteral("table")}},
        .needs = kNeedsQuoteFolder | kNeedsStore,
        .run = &runScorecard,
    };
    return command;
}

}  // namespace quarrow
