#include "cli/CliQuoteSupport.h"

#include "app/TextExport.h"
#include "scorecard/TrackRecord.h"

#include <QRegularExpression>

#include <algorithm>

namespace quarrow {

namespace {

QString percentText(double value) {
    return QString::number(value, 'f', 2);
}

std::optional<QDate> dayOf(const QCommandLineParser& parser, const QCommandLineOption& option) {
    if (!parser.isSet(option))
        return QDate();
    const QDate day = QDate::fromString(parser.value(option), QStringLiteral("yyyy-MM-dd"));
    if (day.isValid())
        return day;
    printError(QStringLiteral("--%1 takes a day written yyyy-mm-dd").arg(option.names().first()));
    return std::nullopt;
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
    if (!csv) {
        printOut(TextExport::table(titles, rows));
        return;
    }
    QString text = TextExport::csvLine(titles);
    for (const QStringList& row : rows)
        text += TextExport::csvLine(row);
    printOut(text);
}

}  // namespace

// quarrow-cli scorecard: the departments ranked by what their stocks did after they
// bought (or sold), or one department's trades with the returns after each.
int runScorecard(CliContext& context, const QStringList& arguments) {
    static const char* synopsis =
        "[--from yyyy-mm-dd] [--to yyyy-mm-dd] [--min-count N] [--side buy|sell] [--days 1,2,3,5,10] "
        "[--sort avgH|winH|count] [--top N] [--dept NAME] [--format table|csv]";
    QCommandLineParser parser;
    const QCommandLineOption fromOption(QStringLiteral("from"), QStringLiteral("Start day."),
                                        QStringLiteral("yyyy-mm-dd"));
    const QCommandLineOption toOption(QStringLiteral("to"), QStringLiteral("End day."),
                                      QStringLiteral("yyyy-mm-dd"));
    const QCommandLineOption minOption(QStringLiteral("min-count"), QStringLiteral("Fewest trades."),
                                       QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption sideOption(QStringLiteral("side"), QStringLiteral("buy or sell."),
                                        QStringLiteral("SIDE"), QStringLiteral("buy"));
    const QCommandLineOption daysOption(QStringLiteral("days"), QStringLiteral("Horizons."),
                                        QStringLiteral("LIST"), QStringLiteral("1,2,3,5,10"));
    const QCommandLineOption sortOption(QStringLiteral("sort"), QStringLiteral("Order."),
                                        QStringLiteral("KEY"), QStringLiteral("count"));
    const QCommandLineOption topOption(QStringLiteral("top"), QStringLiteral("Rows shown."),
                                       QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption deptOption(QStringLiteral("dept"), QStringLiteral("One department's trades."),
                                        QStringLiteral("NAME"));
    const QCommandLineOption formatOption(QStringLiteral("format"), QStringLiteral("table or csv."),
                                          QStringLiteral("F"), QStringLiteral("table"));
    parser.addOptions({fromOption, toOption, minOption, sideOption, daysOption, sortOption, topOption,
                       deptOption, formatOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral(
                       "scorecard takes no arguments besides its options\nusage: quarrow-cli scorecard %1")
                       .arg(QString::fromUtf8(synopsis)));
        return kExitUsage;
    }

    TrackRecordOptions options;
    const auto from = dayOf(parser, fromOption);
    const auto to = dayOf(parser, toOption);
    const auto horizons = horizonsOf(parser.value(daysOption));
    if (!from || !to || !horizons)
        return kExitUsage;
    options.from = *from;
    options.to = *to;
    options.horizons = *horizons;
    auto ranking = orderOf(parser.value(sortOption), options.horizons);
    if (!ranking)
        return kExitUsage;
    const QString side = parser.value(sideOption);
    if (side != QLatin1String("buy") && side != QLatin1String("sell")) {
        printError(QStringLiteral("--side takes buy or sell"));
        return kExitUsage;
    }
    ranking->side = side == QLatin1String("buy") ? TradeSide::Buy : TradeSide::Sell;
    const auto minCount = wholeNumberOption(parser, minOption, 1, 1000000000);
    const auto top = minCount ? wholeNumberOption(parser, topOption, 0, 1000000000) : std::nullopt;
    if (!minCount || !top)
        return kExitUsage;
    ranking->minCount = *minCount;
    ranking->top = *top;
    const QString formatName = parser.value(formatOption);
    if (formatName != QLatin1String("table") && formatName != QLatin1String("csv")) {
        printError(QStringLiteral("--format takes table or csv"));
        return kExitUsage;
    }
    const bool csv = formatName == QLatin1String("csv");

    const auto quoteFolder = cliQuoteFolder(context);
    if (!quoteFolder)
        return kExitUsage;
    TDataBase db(context.home.databaseFile());
    if (!openDatabaseOrReport(db))
        return kExitFailure;
    return runReadingQuoteFiles([&] {
        const TrackRecord computed = TrackRecord::compute(db, *quoteFolder, options);
        if (!computed.ok()) {
            printError(QStringLiteral("cannot work out the track record: %1").arg(computed.error()));
            return static_cast<int>(kExitFailure);
        }
        const TrackRecord* record = &computed;
        QStringList titles;
        std::vector<QStringList> rows;
        if (parser.isSet(deptOption)) {
            const DepartmentRecord* department = record->findByName(parser.value(deptOption));
            if (!department) {
                printError(QStringLiteral("no trades of a department named %1 within these filters")
                               .arg(parser.value(deptOption)));
                return static_cast<int>(kExitFailure);
            }
            titles << QStringLiteral("code") << QStringLiteral("date") << QStringLiteral("bought")
                   << QStringLiteral("sold");
            for (const int days : options.horizons)
                titles << QStringLiteral("ret%1").arg(days);
            for (const DepartmentTrade& trade : record->tradesOf(department->key)) {
                QStringList row{trade.code, trade.day.toString(QStringLiteral("yyyy-MM-dd")),
                                trade.bought.toString(), trade.sold.toString()};
                for (const std::optional<double>& value : trade.returns)
                    row << (value ? percentText(*value) : QString());
                rows.push_back(row);
            }
        } else {
            titles << QStringLiteral("department") << QStringLiteral("count");
            for (const int days : options.horizons)
                titles << QStringLiteral("avg%1").arg(days) << QStringLiteral("win%1").arg(days)
                       << QStringLiteral("n%1").arg(days);
            for (const DepartmentRecord* department : rankDepartments(*record, *ranking)) {
                const SideFigures& figures = department->side(ranking->side);
                QStringList row{department->name, QString::number(figures.trades)};
                for (const HorizonFigures& horizon : figures.horizons) {
                    const bool any = horizon.count > 0;
                    row << (any ? percentText(horizon.average) : QString())
                        << (any ? percentText(horizon.riseShare) : QString())
                        << QString::number(horizon.count);
                }
                rows.push_back(row);
            }
        }
        printGrid(csv, titles, rows);
        return static_cast<int>(kExitOk);
    });
}

}  // namespace quarrow
