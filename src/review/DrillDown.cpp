#include "review/DrillDown.h"

#include "store/DataBase.h"

namespace quarrow {

namespace {

const QString kTopFiveHead = QStringLiteral(
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDept as 营业部o涨跌说明,StBuy as "
    "买入o成交量,StSale as 卖出o成交额,StRate as 涨跌幅度,StMemo as 注释 From viewStChange where ");
const QString kBlockTradesHead = QStringLiteral(
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDeptBuy as 买方,StPrice as 成交价格,StQTY "
    "as "
    "成交万股,StAMT as 成交万元,StDeptSale as 卖方 From viewStBigBuySale where ");

QString cellText(const QVariantList& row, int column) {
    return row.value(column).toString();
}

// The day of the trading-day cell; a cell that holds no day binds null and selects nothing.
QDate cellDay(const QVariantList& row, int column) {
    const QVariant cell = row.value(column);
    if (cell.typeId() == QMetaType::QDate)
        return cell.toDate();
    return Statement::parseDay(cell.toString());
}

}  // namespace

const ResultWindowLook& resultWindowLook(ResultKind kind) {
    static const ResultWindowLook topFive{
        QStringLiteral("股票+营业部查询数据"), QStringLiteral("股票操盘庄家数据"),
        QStringLiteral(
            "股票涨跌幅度异动时买卖前5名证券营业部交易数据，双击时显示指定的股票或日期或营业部的数据")};
    static const ResultWindowLook blockTrades{
        QStringLiteral("股票大宗买卖数据"), QStringLiteral("股票大宗买卖数据"),
        QStringLiteral("股票大宗买卖交易数据，双击时显示指定的股票或日期或营业部的数据")};
    return kind == ResultKind::BlockTrades ? blockTrades : topFive;
}

std::optional<ComposedStatement> composeDrillDown(ResultKind kind, int column, const QVariantList& row) {
    const bool blockTrades = kind == ResultKind::BlockTrades;
    ComposedStatement statement;
    QString condition;
    switch (column) {
        case 0:
            condition = QStringLiteral("StCode=:StCode ");
            statement.bind(QStringLiteral(":StCode"), cellText(row, 0));
            break;
        case 1:  // this stock from that day on
            condition = QStringLiteral("StCode=:StCode and StDate>=:StDate ");
            statement.bind(QStringLiteral(":StCode"), cellText(row, 0));
            statement.bind(QStringLiteral(":StDate"), cellDay(row, 2));
            break;
        case 2:
            condition = QStringLiteral("StDate=:StDate ");
            statement.bind(QStringLiteral(":StDate"), cellDay(row, 2));
            break;
        case 3:
            condition =
                blockTrades ? QStringLiteral("StDeptBuy=:StDept ") : QStringLiteral("StDept=:StDept ");
            statement.bind(QStringLiteral(":StDept"), cellText(row, 3));
            break;
        case 7:
            if (!blockTrades)
                return std::nullopt;
            condition = QStringLiteral("StDeptSale=:StDept ");
            statement.bind(QStringLiteral(":StDept"), cellText(row, 7));
            break;
        default:
            return std::nullopt;
    }
    statement.add((blockTrades ? kBlockTradesHead : kTopFiveHead) + condition +
                  QStringLiteral("order by ID"));
    return statement;
}

}  // namespace quarrow

namespace quarrow {

QString drillDownSubject(ResultKind kind, int column, const QVariantList& row) {
    const bool blockTrades = kind == ResultKind::BlockTrades;
    const QString stock = (cellText(row, 0) + QLatin1Char(' ') + cellText(row, 1)).trimmed();
    const QDate day = cellDay(row, 2);
    const QString dayText = day.isValid() ? day.toString(QStringLiteral("yyyy-MM-dd")) : cellText(row, 2);
    switch (column) {
        case 0:
            return stock;
        case 1:
            return stock + QLatin1Char(' ') + dayText + QStringLiteral("起");
        case 2:
            return dayText;
        case 3:
            return blockTrades ? QStringLiteral("买方:") + cellText(row, 3) : cellText(row, 3).trimmed();
        case 7:
            return blockTrades ? QStringLiteral("卖方:") + cellText(row, 7) : QString();
        default:
            return {};
    }
}

}  // namespace quarrow
