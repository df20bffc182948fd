#include "demo/ReportGenerator.h"

#include <QSet>

namespace quarrow {

namespace {

const char* const kDepartments[] = {
    "机构专用",
    "深股通专用",
    "沪股通专用",
    "中信证券股份有限公司上海溧阳路证券营业部",
    "华泰证券股份有限公司深圳益田路荣超商务中心证券营业部",
    "国泰君安证券股份有限公司上海江苏路证券营业部",
    "东方财富证券股份有限公司拉萨团结路第二证券营业部",
    "东方财富证券股份有限公司拉萨东环路第一证券营业部",
    "招商证券股份有限公司深圳蛇口工业七路证券营业部",
    "中国银河证券股份有限公司绍兴证券营业部",
    "光大证券股份有限公司宁波解放南路证券营业部",
    "财通证券股份有限公司温岭东辉北路证券营业部",
    "浙商证券股份有限公司绍兴分公司",
    "国盛证券有限责任公司宁波桑田路证券营业部",
    "华鑫证券有限责任公司上海分公司",
    "兴业证券股份有限公司陕西分公司",
    "方正证券股份有限公司杭州延安路证券营业部",
    "中泰证券股份有限公司上海建国中路证券营业部",
    "海通证券股份有限公司上海建国西路证券营业部",
    "长江证券股份有限公司武汉友谊路证券营业部",
    "申万宏源证券有限公司上海闵行区东川路证券营业部",
    "东吴证券股份有限公司苏州西北街证券营业部",
    "广发证券股份有限公司深圳民田路证券营业部",
    "国信证券股份有限公司深圳泰然九路证券营业部",
};

const char* const kStockNames[] = {
    "中毅达",   "浦发银行", "平安银行", "万科Ａ",   "中国宝安", "深振业Ａ", "全新好",   "神州高铁",
    "中国国贸", "首创股份", "上海机场", "包钢股份", "华能国际", "皖通高速", "华夏银行", "民生银行",
    "日照港",   "上港集团", "宝钢股份", "中原高速", "特力Ａ",   "飞亚达Ａ", "深圳能源", "中集集团",
    "深康佳Ａ", "特锐德",   "神州泰岳", "乐普医疗", "南风股份", "探路者",   "莱美药业", "汉威科技",
    "爱尔眼科", "亿纬锂能", "华测检测", "北陆药业", "天海防务", "金龙机电", "中青宝",   "网宿科技",
};

constexpr int kNameBreak = 18;  // longer department names go on in a second table line

QString rule(int width) {
    return QString(width, QChar(0x2500));
}

QString tableRow(const QStringList& cells) {
    QString row = QStringLiteral("｜");
    for (const QString& cell : cells)
        row += cell + QStringLiteral("｜");
    return row;
}

QDate previousTradingDay(QDate day, int steps) {
    while (steps > 0) {
        day = day.addDays(-1);
        if (day.dayOfWeek() <= 5)
            --steps;
    }
    return day;
}

}  // namespace

ReportGenerator::ReportGenerator(quint32 seed) : m_random(seed) {}

int ReportGenerator::uniform(int low, int high) {
    const auto span = static_cast<quint32>(high - low + 1);
    return low + static_cast<int>(m_random() % span);
}

QString ReportGenerator::amountText(int low, int high) {
    const int whole = uniform(low, high);
    return QStringLiteral("%1.%2").arg(whole).arg(uniform(0, 99), 2, 10, QLatin1Char('0'));
}

QString ReportGenerator::department() {
    constexpr int count = static_cast<int>(std::size(kDepartments));
    return QString::fromUtf8(kDepartments[uniform(0, count - 1)]);
}

QList<GeneratedStock> ReportGenerator::stocks(int count) {
    QList<GeneratedStock> list;
    QSet<QString> seen;  // the markets' code steps may meet; each code is listed once
    constexpr int names = static_cast<int>(std::size(kStockNames));
    for (int i = 0; i < count; ++i) {
        // Alternate the markets: Shanghai 600xxx/601xxx, Shenzhen 000xxx and 300xxx.
        int code = 0;
        switch (i % 3) {
            case 0:
                code = 600000 + (i / 3) * 7 % 4000;
                break;
            case 1:
                code = 1 + (i / 3) * 3 % 2999;
                break;
            default:
                code = 300001 + (i / 3) % 999;
                break;
        }
        const QString codeText = QStringLiteral("%1").arg(code, 6, 10, QLatin1Char('0'));
        if (seen.contains(codeText))
            continue;
        seen.insert(codeText);
        QString name = QString::fromUtf8(kStockNames[i % names]);
        if (i >= names)
            name += QString::number(i / names);
        list.append({codeText, name});
    }
    return list;
}

GeneratedReport ReportGenerator::generate(const GeneratedStock& stock, const QDate& reportDate,
                                          int anomalyDays, int bigTrades) {
    return compose(stock, reportDate, anomalyDays, nullptr, bigTrades);
}

GeneratedReport ReportGenerator::generate(const GeneratedStock& stock, const QDate& reportDate,
                                          const QList<ReportAnomaly>& anomalies, int bigTrades) {
    return compose(stock, reportDate, static_cast<int>(anomalies.size()), &anomalies, bigTrades);
}

// Given days take the place of drawn ones without changing the draws that remain, so the
// reports of a seed stay what they were.
GeneratedReport ReportGenerator::compose(const GeneratedStock& stock, const QDate& reportDate,
                                         int anomalyDays, const QList<ReportAnomaly>* given, int bigTrades) {
    GeneratedReport report;
    report.code = stock.code;
    report.name = stock.name;
    report.reportDate = reportDate;
    QStringList& out = report.lines;

    out << QStringLiteral("☆龙虎榜单☆ ◇%1 %2◇ 更新日期:%3")
               .arg(stock.code, stock.name, reportDate.toString(QStringLiteral("yyyy-MM-dd")));
    out << QStringLiteral("★本栏包括【1.涨跌幅异动】【2.大宗交易】★");
    out << QString();
    out << QStringLiteral("【1.涨跌幅异动】");
    out << rule(40);

    const QString border = QStringLiteral("┌") + rule(22) + QStringLiteral("┬") + rule(8) +
                           QStringLiteral("┬") + rule(8) + QStringLiteral("┐");
    const QString middle = QStringLiteral("├") + rule(22) + QStringLiteral("┼") + rule(8) +
                           QStringLiteral("┼") + rule(8) + QStringLiteral("┤");
    const QString bottom = QStringLiteral("└") + rule(22) + QStringLiteral("┴") + rule(8) +
                           QStringLiteral("┴") + rule(8) + QStringLiteral("┘");

    QDate day = reportDate;
    for (int d = 0; d < anomalyDays; ++d) {
        if (given)
            day = given->at(d).day;
        report.anomalyDays.append(day);
        bool turnover = uniform(0, 5) == 0;
        bool rising = uniform(0, 2) != 0;
        bool threeDays = false;
        if (given) {
            const ReportAnomalyKind kind = given->at(d).kind;
            turnover = kind == ReportAnomalyKind::Turnover;
            threeDays = kind == ReportAnomalyKind::ThreeDayRise || kind == ReportAnomalyKind::ThreeDayFall;
            rising = kind == ReportAnomalyKind::Rise || kind == ReportAnomalyKind::ThreeDayRise;
        }
        const QString dayText = day.toString(QStringLiteral("yyyy-MM-dd"));
        if (turnover) {
            out << QStringLiteral("【交易日期】%1 日换手率达20%的证券").arg(dayText);
            out << QStringLiteral("成交量:%1万股 成交金额:%2万元")
                       .arg(amountText(500, 9000), amountText(5000, 90000));
        } else if (threeDays) {
            out << QStringLiteral("【交易日期】%1 %2")
                       .arg(dayText,
                            rising ? QStringLiteral("连续三个交易日内收盘价格涨幅偏离值累计达到20%的证券")
                                   : QStringLiteral("连续三个交易日内收盘价格跌幅偏离值累计达到20%的证券"));
            const QString rate = QStringLiteral("%1%2.%3")
                                     .arg(rising ? QString() : QStringLiteral("-"))
                                     .arg(uniform(20, 32))
                                     .arg(uniform(0, 99), 2, 10, QLatin1Char('0'));
            out << QStringLiteral("涨跌幅:%1% 成交量:%2万股 成交金额:%3万元")
                       .arg(rate, amountText(500, 9000), amountText(5000, 90000));
        } else {
            out << QStringLiteral("【交易日期】%1 %2")
                       .arg(dayText, rising ? QStringLiteral("日涨幅偏离值达7%的证券")
                                            : QStringLiteral("日跌幅偏离值达7%的证券"));
            const QString rate =
                rising
                    ? QStringLiteral("%1.%2").arg(uniform(5, 10)).arg(uniform(0, 99), 2, 10, QLatin1Char('0'))
                    : QStringLiteral("-%1.%2")
                          .arg(uniform(5, 10))
                          .arg(uniform(0, 99), 2, 10, QLatin1Char('0'));
            out << QStringLiteral("涨跌幅:%1% 成交量:%2万股 成交金额:%3万元")
                       .arg(rate, amountText(500, 9000), amountText(5000, 90000));
        }
        out << QString();
        ++report.changeRows;

        // Five buyers and five sellers; one of the buyers often sells too.
        QStringList buyers;
        while (buyers.size() < 5) {
            const QString name = department();
            if (!buyers.contains(name))
                buyers << name;
        }
        QStringList sellers;
        const bool shared = uniform(0, 1) == 0;
        if (shared)
            sellers << buyers[uniform(0, 4)];
        while (sellers.size() < 5) {
            const QString name = department();
            if (!sellers.contains(name) && !buyers.contains(name))
                sellers << name;
        }
        struct Row {
            QString name, buy, sale;
        };
        QList<Row> buyRows;
        QList<Row> saleRows;
        for (const QString& name : buyers)
            buyRows.append({name, amountText(300, 9000),
                            uniform(0, 3) == 0 ? amountText(1, 200) : QStringLiteral("0.00")});
        for (const QString& name : sellers) {
            auto it =
                std::find_if(buyRows.begin(), buyRows.end(), [&](const Row& r) { return r.name == name; });
            saleRows.append(it != buyRows.end()
                                ? *it
                                : Row{name, uniform(0, 3) == 0 ? amountText(1, 200) : QStringLiteral("0.00"),
                                      amountText(300, 9000)});
        }
        if (uniform(0, 7) == 0)
            saleRows.last() = Row{saleRows.last().name, QStringLiteral("0.00"), QStringLiteral("0.00")};

        QSet<QString> storedNames;
        auto writeTable = [&](const QString& heading, const QString& titles, const QList<Row>& rows) {
            out << heading;
            out << border;
            out << titles;
            out << middle;
            for (const Row& row : rows) {
                const bool zero = row.buy == QLatin1String("0.00") && row.sale == QLatin1String("0.00");
                if (!zero && !storedNames.contains(row.name)) {
                    storedNames.insert(row.name);
                    ++report.changeRows;
                }
                if (row.name.size() > kNameBreak) {
                    out << tableRow({row.name.left(kNameBreak), row.buy, row.sale});
                    out << tableRow({row.name.mid(kNameBreak), QStringLiteral("-"), QStringLiteral("-")});
                } else {
                    out << tableRow({row.name, row.buy, row.sale});
                }
            }
            out << bottom;
        };
        writeTable(QStringLiteral("买入金额排名前5名营业部"),
                   QStringLiteral("｜营业部名称｜买入金额(万元)｜卖出金额(万元)｜"), buyRows);
        writeTable(QStringLiteral("卖出金额排名前5名营业部"),
                   QStringLiteral("｜营业部名称｜买入金额(万元)｜卖出金额(万元)｜"), saleRows);
        out << QString();
        if (!given)
            day = previousTradingDay(day, uniform(3, 25));
    }

    out << QStringLiteral("【2.大宗交易】");
    out << rule(40);
    out << QStringLiteral("┌") + rule(60) + QStringLiteral("┐");
    out << QStringLiteral("｜交易日期｜成交价(元)｜成交量(万股)｜成交金额(万元)｜买方营业部｜卖方营业部｜");
    out << QStringLiteral("├") + rule(60) + QStringLiteral("┤");
    QDate tradeDay = previousTradingDay(reportDate, uniform(1, 4));
    QSet<QString> tradeKeys;
    for (int t = 0; t < bigTrades; ++t) {
        const QString buyer = department();
        QString seller = department();
        const QString price = amountText(3, 80);
        const QString quantity = amountText(10, 900);
        const QString amount = amountText(100, 20000);
        const QString dayText = tradeDay.toString(QStringLiteral("yyyy-MM-dd"));
        tradeKeys.insert(dayText + buyer + quantity + amount + price);
        if (buyer.size() > kNameBreak || seller.size() > kNameBreak) {
            out << tableRow(
                {dayText, price, quantity, amount, buyer.left(kNameBreak), seller.left(kNameBreak)});
            out << tableRow(
                {QString(), QString(), QString(), QString(), buyer.mid(kNameBreak), seller.mid(kNameBreak)});
        } else {
            out << tableRow({dayText, price, quantity, amount, buyer, seller});
        }
        if (uniform(0, 2) != 0)
            tradeDay = previousTradingDay(tradeDay, uniform(1, 30));
    }
    report.bigTrades = static_cast<int>(tradeKeys.size());
    out << QStringLiteral("└") + rule(60) + QStringLiteral("┘");
    return report;
}

}  // namespace quarrow
