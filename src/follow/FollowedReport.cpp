#include "follow/FollowedReport.h"

#include <algorithm>

namespace quarrow::FollowedReport {

namespace {

// Entries the log line names before it says how many more there are.
constexpr int kLogLineEntries = 10;

QString netText(const FollowedTrade& trade) {
    const Money net = trade.net();
    return (net.isPositive() ? QStringLiteral("净买入") : QStringLiteral("净卖出")) + net.abs().toString();
}

}  // namespace

QStringList columnTitles() {
    return {QStringLiteral("code"),       QStringLiteral("name"),   QStringLiteral("date"),
            QStringLiteral("department"), QStringLiteral("bought"), QStringLiteral("sold"),
            QStringLiteral("net"),        QStringLiteral("avg1"),   QStringLiteral("win1"),
            QStringLiteral("avg3"),       QStringLiteral("win3"),   QStringLiteral("avg5"),
            QStringLiteral("win5"),       QStringLiteral("count")};
}

QString percentText(const std::optional<double>& value) {
    if (!value)
        return {};
    const QString text = QString::number(*value, 'f', 2);
    // A small loss rounds to nothing, which has no sign.
    return text == QLatin1String("-0.00") ? QStringLiteral("0.00") : text;
}

QStringList cells(const FollowedTrade& trade) {
    QStringList row{trade.code,
                    trade.name,
                    trade.day.toString(QStringLiteral("yyyy-MM-dd")),
                    trade.department,
                    trade.bought.toString(),
                    trade.sold.toString(),
                    trade.net().toString()};
    for (qsizetype h = 0; h < kFollowedHorizons.size(); ++h) {
        const SideRecord* record = trade.record ? &*trade.record : nullptr;
        row << percentText(record ? record->average.value(h) : std::nullopt)
            << percentText(record ? record->riseShare.value(h) : std::nullopt);
    }
    row << (trade.record ? QString::number(trade.record->count) : QString());
    return row;
}

FigureFormat::Cell amountCell(Money amount, FigureFormat::Tone tone) {
    if (amount == Money())
        return {QString(), true};
    return {FigureFormat::tenThousands(amount.toDouble()), true, tone};
}

FigureFormat::Cell netCell(Money net) {
    return {FigureFormat::tenThousands(net.toDouble()), true, FigureFormat::toneOf(net.toDouble())};
}

std::vector<FigureFormat::Cell> shownCells(const FollowedTrade& trade) {
    // One horizon's percent, read in place: an empty optional copied out of the list trips
    // the MinGW build's uninitialised-use warning.
    const auto horizon = [](const QList<std::optional<double>>* figures, qsizetype h, bool toned) {
        if (!figures || h >= figures->size() || !figures->at(h))
            return FigureFormat::Cell{QString(), true};
        const double value = *figures->at(h);
        return FigureFormat::Cell{FigureFormat::percent(value), true,
                                  toned ? FigureFormat::toneOf(value) : FigureFormat::Tone::Plain};
    };
    std::vector<FigureFormat::Cell> row{{trade.code},
                                        {trade.name},
                                        {trade.day.toString(QStringLiteral("yyyy-MM-dd"))},
                                        {trade.department},
                                        amountCell(trade.bought, FigureFormat::Tone::Rise),
                                        amountCell(trade.sold, FigureFormat::Tone::Fall),
                                        netCell(trade.net())};
    const SideRecord* record = trade.record ? &*trade.record : nullptr;
    for (qsizetype h = 0; h < kFollowedHorizons.size(); ++h) {
        row.push_back(horizon(record ? &record->average : nullptr, h, true));
        row.push_back(horizon(record ? &record->riseShare : nullptr, h, false));
    }
    row.push_back({record ? FigureFormat::fixed(record->count, 0) : QString(), true});
    return row;
}

QString logLine(const std::vector<FollowedTrade>& trades) {
    if (trades.empty())
        return QStringLiteral("\t>>>>>关注的营业部本次没有上榜");
    QStringList entries;
    for (const FollowedTrade& trade : trades) {
        if (entries.size() == kLogLineEntries) {
            entries << QStringLiteral("等");
            break;
        }
        entries << trade.department + QLatin1Char(' ') + trade.code + trade.name + QLatin1Char(' ') +
                       netText(trade);
    }
    return QStringLiteral("\t>>>>>关注的营业部本次上榜%1次: ").arg(trades.size()) +
           entries.join(QStringLiteral("; "));
}

QStringList chatLines(const std::vector<FollowedTrade>& trades, int maxLines) {
    QStringList lines;
    if (maxLines < 1)
        return lines;
    lines << QStringLiteral("关注营业部动向: %1条").arg(trades.size());
    const auto rows = static_cast<int>(trades.size());
    // One line goes to the heading, and one to the count left out when not all fit.
    const int shown = rows <= maxLines - 1 ? rows : std::max(0, maxLines - 2);
    for (int i = 0; i < shown; ++i) {
        const FollowedTrade& trade = trades[static_cast<size_t>(rows - 1 - i)];
        lines << trade.day.toString(QStringLiteral("MM-dd")) + QLatin1Char(' ') + trade.code + trade.name +
                     QLatin1Char(' ') + trade.department + QLatin1Char(' ') + netText(trade);
    }
    if (shown < rows && static_cast<int>(lines.size()) < maxLines)
        lines << QStringLiteral("……另有%1条").arg(rows - shown);
    return lines;
}

}  // namespace quarrow::FollowedReport
