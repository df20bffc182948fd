#include "gui/ResultFormat.h"

#include "app/FigureFormat.h"
#include "gui/GridExport.h"
#include "review/QueryRunner.h"

#include <QDate>
#include <QRegularExpression>
#include <QStandardItemModel>

namespace quarrow {

namespace {

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return true;
        default:
            return false;
    }
}

// A figure the store may hand over as text (an ODBC driver, a REAL read as text).
std::optional<double> numberOf(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    if (isNumber(value))
        return value.toDouble();
    bool ok = false;
    const double number = value.toString().toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

QColor signColour(double value) {
    return toneColour(FigureFormat::toneOf(value));
}

}  // namespace

QColor riseColour() {
    return QColor(220, 0, 0);
}

QColor fallColour() {
    return QColor(0, 140, 0);
}

QColor toneColour(FigureFormat::Tone tone) {
    switch (tone) {
        case FigureFormat::Tone::Rise:
            return riseColour();
        case FigureFormat::Tone::Fall:
            return fallColour();
        default:
            return {};
    }
}

ResultColumn resultColumnOf(const QString& title) {
    static const QList<std::pair<QString, ResultColumn>> kinds{
        {QStringLiteral("代码"), ResultColumn::Code},
        {QStringLiteral("交易日"), ResultColumn::Day},
        {QStringLiteral("营业部o涨跌说明"), ResultColumn::Department},
        {QStringLiteral("买方"), ResultColumn::Department},
        {QStringLiteral("卖方"), ResultColumn::Department},
        {QStringLiteral("买入o成交量"), ResultColumn::BuyOrVolume},
        {QStringLiteral("卖出o成交额"), ResultColumn::SellOrAmount},
        {QStringLiteral("涨跌幅度"), ResultColumn::Rate},
        {QStringLiteral("成交价格"), ResultColumn::Price},
        {QStringLiteral("买卖价格"), ResultColumn::Price},
        {QStringLiteral("买入万股"), ResultColumn::BoughtShares},
        {QStringLiteral("卖出万股"), ResultColumn::SoldShares},
        {QStringLiteral("成交万股"), ResultColumn::Shares},
        {QStringLiteral("成交万元"), ResultColumn::Amount},
        {QStringLiteral("净买额"), ResultColumn::NetBuy},
        {QStringLiteral("注释"), ResultColumn::Memo},
    };
    for (const auto& [name, kind] : kinds) {
        if (title == name)
            return kind;
    }
    return ResultColumn::Text;
}

QString shownTitle(const QString& alias) {
    static const QRegularExpression between(QStringLiteral("(?<=[^\\x00-\\x7F])o(?=[^\\x00-\\x7F])"));
    QString shown = alias;
    return shown.replace(between, QStringLiteral("/"));
}

QString exportTitle(const QString& alias) {
    const QString shown = shownTitle(alias);
    switch (resultColumnOf(alias)) {
        case ResultColumn::BuyOrVolume:
            // A department's buying in 10,000 yuan, the anomaly day's volume in 10,000 shares.
            return shown + QStringLiteral("(万元/万股)");
        case ResultColumn::SellOrAmount:
        case ResultColumn::NetBuy:
            return shown + QStringLiteral("(万元)");
        case ResultColumn::Rate:
            return shown + QStringLiteral("(%)");
        case ResultColumn::Price:
            return shown + QStringLiteral("(元)");
        default:
            return shown;  // the others name their unit already (成交万股) or have none
    }
}

ShownCell showCell(ResultColumn column, const QVariant& value, bool anomalyRow, bool turnoverDay) {
    ShownCell cell;
    const std::optional<double> number = numberOf(value);
    switch (column) {
        case ResultColumn::Text:
        case ResultColumn::Code:
        case ResultColumn::Department:
        case ResultColumn::Memo:
            cell.text = cellText(value);
            return cell;
        case ResultColumn::Day:
            cell.text = value.typeId() == QMetaType::QDate
                            ? value.toDate().toString(QStringLiteral("yyyy-MM-dd"))
                            : cellText(value);
            return cell;
        default:
            break;
    }
    cell.figure = true;
    if (column == ResultColumn::Rate && turnoverDay) {
        // Stored as 20, the threshold that listed the day: no change of the price.
        cell.text = FigureFormat::turnoverRateText();
        return cell;
    }
    if (!number)
        return cell;
    const double v = *number;
    switch (column) {
        case ResultColumn::BuyOrVolume:
            // The anomaly row's volume is in 10,000 shares; a department's buying in 10,000 yuan.
            if (anomalyRow) {
                cell.text = FigureFormat::tenThousands(v, QStringLiteral("股"));
            } else if (v != 0) {
                cell.text = FigureFormat::tenThousands(v);
                cell.colour = riseColour();
            }
            break;
        case ResultColumn::SellOrAmount:
            if (anomalyRow) {
                cell.text = FigureFormat::tenThousands(v);
            } else if (v != 0) {
                cell.text = FigureFormat::tenThousands(v);
                cell.colour = fallColour();
            }
            break;
        case ResultColumn::NetBuy:
        case ResultColumn::Amount:
            cell.text = FigureFormat::tenThousands(v);
            if (column == ResultColumn::NetBuy)
                cell.colour = signColour(v);
            break;
        case ResultColumn::Rate:
            cell.text = FigureFormat::percent(v);
            cell.colour = signColour(v);
            break;
        case ResultColumn::Price:
            cell.text = FigureFormat::price(v);
            break;
        case ResultColumn::BoughtShares:
        case ResultColumn::SoldShares:
            if (v != 0) {
                cell.text = FigureFormat::fixed(v, 2);
                cell.colour = column == ResultColumn::BoughtShares ? riseColour() : fallColour();
            }
            break;
        case ResultColumn::Shares:
            cell.text = FigureFormat::fixed(v, 2);
            break;
        default:
            cell.text = cellText(value);
            break;
    }
    return cell;
}

QStandardItem* figureItem(const QString& shown, const QString& plain, FigureFormat::Tone tone) {
    auto* item = new QStandardItem(shown);
    item->setData(plain, GridExport::kExportRole);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (const QColor colour = toneColour(tone); colour.isValid())
        item->setForeground(colour);
    return item;
}

void setGridTitles(QStandardItemModel& model, const QList<std::pair<QString, QString>>& titles) {
    QStringList shown;
    for (const auto& title : titles)
        shown << title.first;
    model.setHorizontalHeaderLabels(shown);
    for (qsizetype column = 0; column < titles.size(); ++column)
        model.setHeaderData(static_cast<int>(column), Qt::Horizontal, titles.at(column).second,
                            GridExport::kExportTitleRole);
}

}  // namespace quarrow
