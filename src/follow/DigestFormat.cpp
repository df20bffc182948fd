#include "follow/DigestFormat.h"

#include "app/FigureFormat.h"
#include "app/TextExport.h"
#include "follow/FollowedReport.h"

#include <algorithm>
#include <limits>

namespace quarrow::DigestFormat {

namespace {

constexpr int kChartWidth = 640;
constexpr int kPlotHeight = 180;  // the bars; the dates go below
constexpr int kChartHeight = kPlotHeight + 20;
constexpr int kChartMargin = 8;

qint32 dayNumber(const QDate& day) {
    return day.year() * 10000 + day.month() * 100 + day.day();
}

QString departmentText(const DigestNet& net) {
    return net.department.isEmpty() ? QStringLiteral("#%1").arg(net.key) : net.department;
}

std::vector<QStringList> netRows(const std::vector<DigestNet>& nets, bool withStock) {
    std::vector<QStringList> rows;
    for (const DigestNet& net : nets) {
        QStringList row;
        if (withStock)
            row << net.code << net.name;
        else
            row << departmentText(net) << QString::number(net.stocks);
        row << net.bought.toString() << net.sold.toString() << net.net().toString();
        rows.push_back(row);
    }
    return rows;
}

std::vector<QStringList> followedRows(const DayDigest& digest) {
    std::vector<QStringList> rows;
    for (const FollowedTrade& trade : digest.followed)
        rows.push_back(FollowedReport::cells(trade));
    return rows;
}

QString section(const QString& heading, const QStringList& titles, const std::vector<QStringList>& rows) {
    return QLatin1Char('\n') + heading + QLatin1Char('\n') +
           (rows.empty() ? QStringLiteral("(none)\n") : TextExport::table(titles, rows));
}

// A cell of the HTML tables: figures right-aligned, buying and rises red, selling and
// falls green, as in the window's grids.
using HtmlCell = FigureFormat::Cell;
using HtmlRow = std::vector<HtmlCell>;

HtmlCell textCell(const QString& text) {
    return {text};
}

std::vector<HtmlRow> htmlNetRows(const std::vector<DigestNet>& nets, bool withStock) {
    std::vector<HtmlRow> rows;
    for (const DigestNet& net : nets) {
        HtmlRow row;
        if (withStock)
            row = {textCell(net.code), textCell(net.name)};
        else
            row = {textCell(departmentText(net)), HtmlCell{FigureFormat::fixed(net.stocks, 0), true}};
        row.push_back(FollowedReport::amountCell(net.bought, FigureFormat::Tone::Rise));
        row.push_back(FollowedReport::amountCell(net.sold, FigureFormat::Tone::Fall));
        row.push_back(FollowedReport::netCell(net.net()));
        rows.push_back(row);
    }
    return rows;
}

std::vector<HtmlRow> htmlFollowedRows(const DayDigest& digest) {
    std::vector<HtmlRow> rows;
    for (const FollowedTrade& trade : digest.followed)
        rows.push_back(FollowedReport::shownCells(trade));
    return rows;
}

QString htmlTable(const QStringList& titles, const std::vector<HtmlRow>& rows) {
    if (rows.empty())
        return QStringLiteral("<p class=\"none\">无</p>\n");
    QString out = QStringLiteral("<table>\n<tr>");
    for (const QString& title : titles)
        out += QStringLiteral("<th>") + escape(title) + QStringLiteral("</th>");
    out += QStringLiteral("</tr>\n");
    for (const HtmlRow& row : rows) {
        out += QStringLiteral("<tr>");
        for (const HtmlCell& cell : row) {
            QStringList classes;
            if (cell.figure)
                classes << QStringLiteral("n");
            if (cell.tone == FigureFormat::Tone::Rise)
                classes << QStringLiteral("r");
            else if (cell.tone == FigureFormat::Tone::Fall)
                classes << QStringLiteral("g");
            out += (classes.isEmpty()
                        ? QStringLiteral("<td>")
                        : QStringLiteral("<td class=\"%1\">").arg(classes.join(QLatin1Char(' ')))) +
                   escape(cell.text) + QStringLiteral("</td>");
        }
        out += QStringLiteral("</tr>\n");
    }
    return out + QStringLiteral("</table>\n");
}

QString number(double value) {
    return QString::number(value, 'f', 1);
}

}  // namespace

QString escape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '&':
                out += QStringLiteral("&amp;");
                break;
            case '<':
                out += QStringLiteral("&lt;");
                break;
            case '>':
                out += QStringLiteral("&gt;");
                break;
            case '"':
                out += QStringLiteral("&quot;");
                break;
            case '\'':
                out += QStringLiteral("&#39;");
                break;
            default:
                if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7F ||
                    c.unicode() >= 0xFFFE)
                    out += QChar(QChar::ReplacementCharacter);
                else
                    out += c;
        }
    }
    return out;
}

QString text(const DayDigest& digest) {
    QString out = QStringLiteral("digest of %1\n").arg(digest.day.toString(QStringLiteral("yyyy-MM-dd")));

    std::vector<QStringList> listed;
    for (const DigestListing& listing : digest.listings) {
        QString reasons = listing.reasons.join(QStringLiteral("; "));
        if (!listing.chartProblem.isEmpty())
            reasons += QStringLiteral(" [no chart: %1]").arg(listing.chartProblem);
        listed.push_back({listing.code, listing.name, reasons});
    }
    out += section(QStringLiteral("listed stocks (%1)").arg(digest.listings.size()),
                   {QStringLiteral("code"), QStringLiteral("name"), QStringLiteral("reason")}, listed);

    const QStringList netTitles{QStringLiteral("department"), QStringLiteral("stocks"),
                                QStringLiteral("bought"), QStringLiteral("sold"), QStringLiteral("net")};
    out += section(QStringLiteral("largest net buyers (of %1 departments)").arg(digest.departments),
                   netTitles, netRows(digest.buyers, false));
    out += section(QStringLiteral("largest net sellers"), netTitles, netRows(digest.sellers, false));

    std::vector<QStringList> seats = netRows(digest.institutions, true);
    if (!seats.empty()) {
        const DigestNet& total = digest.institutionsTotal;
        seats.push_back({QStringLiteral("total"), QString(), total.bought.toString(), total.sold.toString(),
                         total.net().toString()});
    }
    out += section(QStringLiteral("institutions' seats (%1)").arg(institutionSeatName()),
                   {QStringLiteral("code"), QStringLiteral("name"), QStringLiteral("bought"),
                    QStringLiteral("sold"), QStringLiteral("net")},
                   seats);
    out +=
        section(QStringLiteral("followed departments"), FollowedReport::columnTitles(), followedRows(digest));
    return out;
}

QString chartSvg(const DigestListing& listing, const QDate& day) {
    const QList<DailyBar>& bars = listing.bars;
    if (bars.isEmpty())
        return {};
    qint32 low = std::numeric_limits<qint32>::max();
    qint32 high = std::numeric_limits<qint32>::min();
    for (const DailyBar& bar : bars) {
        low = std::min({low, bar.Low, bar.Open, bar.Close});
        high = std::max({high, bar.High, bar.Open, bar.Close});
    }
    const double range = std::max(1, high - low);
    const double plotHeight = kPlotHeight - 2 * kChartMargin;
    const double slot = static_cast<double>(kChartWidth - 2 * kChartMargin) / DayDigest::kChartBars;
    const auto y = [&](qint32 price) { return kChartMargin + (high - price) / range * plotHeight; };
    const qint32 marked = dayNumber(day);

    QString svg = QStringLiteral(
                      "<svg width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\" "
                      "role=\"img\"><title>%3</title>\n"
                      "<rect width=\"%1\" height=\"%2\" fill=\"#fff\" stroke=\"#ccc\"/>\n")
                      .arg(kChartWidth)
                      .arg(kChartHeight)
                      .arg(escape(listing.code + QLatin1Char(' ') + listing.name));
    for (qsizetype i = 0; i < bars.size(); ++i) {
        const DailyBar& bar = bars.at(i);
        const double left = kChartMargin + static_cast<double>(i) * slot;
        const double middle = left + slot / 2;
        if (bar.Date == marked) {
            svg += QStringLiteral("<rect class=\"day\" x=\"%1\" y=\"0\" width=\"%2\" height=\"%3\"/>\n")
                       .arg(number(left), number(slot))
                       .arg(kPlotHeight);
        }
        const bool rose = bar.Close >= bar.Open;
        const QString colour = rose ? QStringLiteral("#d00") : QStringLiteral("#080");
        const double top = y(std::max(bar.Open, bar.Close));
        const double bodyHeight = std::max(1.0, y(std::min(bar.Open, bar.Close)) - top);
        svg += QStringLiteral(
                   "<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" stroke=\"%4\"/>"
                   "<rect x=\"%5\" y=\"%6\" width=\"%7\" height=\"%8\" fill=\"%4\"/>\n")
                   .arg(number(middle), number(y(bar.High)), number(y(bar.Low)), colour,
                        number(left + slot * 0.15), number(top), number(slot * 0.7), number(bodyHeight));
    }
    // The price range at the left, the first and the last day below.
    const auto price = [](qint32 cents) { return QString::number(cents / 100.0, 'f', 2); };
    const auto date = [](qint32 yyyymmdd) {
        return QStringLiteral("%1-%2-%3")
            .arg(yyyymmdd / 10000)
            .arg(yyyymmdd / 100 % 100, 2, 10, QLatin1Char('0'))
            .arg(yyyymmdd % 100, 2, 10, QLatin1Char('0'));
    };
    svg += QStringLiteral(
               "<text x=\"%1\" y=\"%2\" class=\"axis\">%3</text>"
               "<text x=\"%1\" y=\"%4\" class=\"axis\">%5</text>\n"
               "<text x=\"%1\" y=\"%6\" class=\"axis\">%7</text>"
               "<text x=\"%8\" y=\"%6\" class=\"axis\" text-anchor=\"end\">%9</text>\n")
               .arg(kChartMargin + 2)
               .arg(kChartMargin + 10)
               .arg(price(high))
               .arg(kPlotHeight - kChartMargin)
               .arg(price(low))
               .arg(kChartHeight - 5)
               .arg(date(bars.first().Date))
               .arg(kChartWidth - kChartMargin)
               .arg(date(bars.last().Date));
    return svg + QStringLiteral("</svg>\n");
}

QByteArray html(const DayDigest& digest) {
    const QString dayText = digest.day.toString(QStringLiteral("yyyy-MM-dd"));
    QString out = QStringLiteral(
                      "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                      "style-src 'unsafe-inline'\">\n"
                      "<title>龙虎榜日报 %1</title>\n<style>\n"
                      "body{font-family:sans-serif;margin:1em 2em;color:#222}\n"
                      "table{border-collapse:collapse;margin:.5em 0 1.5em}\n"
                      "th,td{border:1px solid #ccc;padding:2px 8px}th{background:#eee}\n"
                      "td.n{text-align:right;white-space:nowrap}.none{color:#888}\n"
                      ".r{color:#dc0000}.g{color:#008c00}\n"
                      ".day{fill:#fd0;fill-opacity:.45}.stock{margin:1em 0}.axis{font-size:11px;fill:#666}\n"
                      "</style>\n</head>\n<body>\n<h1>龙虎榜日报 %1</h1>\n")
                      .arg(escape(dayText));

    std::vector<HtmlRow> listed;
    for (const DigestListing& listing : digest.listings)
        listed.push_back({textCell(listing.code), textCell(listing.name),
                          textCell(listing.reasons.join(QStringLiteral("；")))});
    out += QStringLiteral("<h2>上榜股票 (%1)</h2>\n").arg(digest.listings.size()) +
           htmlTable({QStringLiteral("代码"), QStringLiteral("名称"), QStringLiteral("上榜原因")}, listed);

    const QStringList netTitles{QStringLiteral("营业部"), QStringLiteral("股票数"), QStringLiteral("买入"),
                                QStringLiteral("卖出"), QStringLiteral("净额")};
    out += QStringLiteral("<h2>净买入前十 (共%1家营业部上榜)</h2>\n").arg(digest.departments) +
           htmlTable(netTitles, htmlNetRows(digest.buyers, false));
    out += QStringLiteral("<h2>净卖出前十</h2>\n") + htmlTable(netTitles, htmlNetRows(digest.sellers, false));

    std::vector<HtmlRow> seats = htmlNetRows(digest.institutions, true);
    if (!seats.empty()) {
        const DigestNet& total = digest.institutionsTotal;
        seats.push_back({textCell(QStringLiteral("合计")), textCell(QString()),
                         FollowedReport::amountCell(total.bought, FigureFormat::Tone::Rise),
                         FollowedReport::amountCell(total.sold, FigureFormat::Tone::Fall),
                         FollowedReport::netCell(total.net())});
    }
    out += QStringLiteral("<h2>机构专用席位</h2>\n") +
           htmlTable({QStringLiteral("代码"), QStringLiteral("名称"), QStringLiteral("买入"),
                      QStringLiteral("卖出"), QStringLiteral("净额")},
                     seats);

    out += QStringLiteral("<h2>关注营业部动向</h2>\n") +
           htmlTable({QStringLiteral("代码"), QStringLiteral("名称"), QStringLiteral("日期"),
                      QStringLiteral("营业部"), QStringLiteral("买入"), QStringLiteral("卖出"),
                      QStringLiteral("净额"), QStringLiteral("1日均涨"), QStringLiteral("1日上涨"),
                      QStringLiteral("3日均涨"), QStringLiteral("3日上涨"), QStringLiteral("5日均涨"),
                      QStringLiteral("5日上涨"), QStringLiteral("次数")},
                     htmlFollowedRows(digest));

    if (digest.charts) {
        out += QStringLiteral("<h2>日线 (最近%1个交易日,黄色为当日)</h2>\n").arg(DayDigest::kChartBars);
        for (const DigestListing& listing : digest.listings) {
            out += QStringLiteral("<div class=\"stock\"><h3>%1 %2</h3>\n")
                       .arg(escape(listing.code), escape(listing.name));
            if (!listing.chartProblem.isEmpty())
                out += QStringLiteral("<p class=\"none\">%1</p>\n").arg(escape(listing.chartProblem));
            else if (listing.bars.isEmpty())
                out += QStringLiteral("<p class=\"none\">没有日线数据</p>\n");
            else
                out += chartSvg(listing, digest.day);
            out += QStringLiteral("</div>\n");
        }
    }
    out += QStringLiteral("</body>\n</html>\n");
    return out.toUtf8();
}

}  // namespace quarrow::DigestFormat
