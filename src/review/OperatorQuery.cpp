#include "review/OperatorQuery.h"

namespace quarrow {

namespace {

const QString kTopFiveHead = QStringLiteral(
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDept as 营业部o涨跌说明,StBuy as "
    "买入o成交量,StSale as 卖出o成交额,StRate as 涨跌幅度,StMemo as 注释 From viewStChange");
const QString kSingleAlertsHead = QStringLiteral(
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDept as 主力买卖,StBuy as 买入万股,StSale "
    "as 卖出万股,StRate as 买卖价格,StMemo as 注释 From tblMainBuySale");
const QString kAlertSumsHead = QStringLiteral(
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,sum(StBuy) as 买入万股,sum(StSale) as "
    "卖出万股 "
    "From tblMainBuySale ");
const QString kBlockTradesHead = QStringLiteral(
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDeptBuy as 买方,StPrice as 成交价格,StQTY "
    "as "
    "成交万股,StAMT as 成交万元,StDeptSale as 卖方 From viewStBigBuySale where (StQTY>=");

const QString kStCode = QStringLiteral(":StCode");
const QString kStDate = QStringLiteral(":StDate");
const QString kStDateTo = QStringLiteral(":StDateTo");
const QString kStDept = QStringLiteral(":StDept");
const QString kKeysOfDepartment =
    QStringLiteral("select StDeptKey from tblStDepart where Trim(StDept)=:StDept");

QString alertSumsTail(const OperatorQuery& page) {
    const QString group = QStringLiteral(" group by StCode,StName,StDate");
    if (page.threshold <= 0)
        return group + QStringLiteral(" Order by StDate desc");
    const QString v = QString::number(page.threshold);
    switch (page.thresholdKind) {
        case kBoughtOrSold:
            return group + QStringLiteral(" having (sum(StBuy)>=") + v + QStringLiteral(" or sum(StSale)>=") +
                   v + QStringLiteral(") Order by StDate DESC");
        case kBought:
            return group + QStringLiteral(" having (sum(StBuy)>=") + v +
                   QStringLiteral(") Order by StDate DESC");
        case kSold:
            return group + QStringLiteral(" having (sum(StSale)>=") + v +
                   QStringLiteral(") Order by StDate DESC");
        default:
            return group + QStringLiteral(" Order by StDate desc");
    }
}

}  // namespace

const std::array<QueryButtonInfo, 5>& queryButtons() {
    static const std::array<QueryButtonInfo, 5> buttons = {{
        {QueryButton::BuySale, "btnDepart_BuySale", "buysale", QStringLiteral("调阅买卖"),
         QStringLiteral("where (StBuy>0 and StSale>0)")},
        {QueryButton::BuyOnly, "btnDepart_BuyOnly", "buyonly", QStringLiteral("调阅单买"),
         QStringLiteral("where (StBuy>0 and StSale=0)")},
        {QueryButton::SaleOnly, "btnDepart_SaleOnly", "saleonly", QStringLiteral("调阅单卖"),
         QStringLiteral("where (StBuy=0 and StSale>0)")},
        {QueryButton::BuySaleOnly, "btnDepart_BuySaleOnly", "buysaleonly", QStringLiteral("单买单卖"),
         QStringLiteral("where (StBuy=0 or StSale=0)")},
        {QueryButton::All, "btnDepart_Buy_Sale", "all", QStringLiteral("有买有卖"),
         QStringLiteral("where (true)")},
    }};
    return buttons;
}

const QueryButtonInfo& queryButtonInfo(QueryButton button) {
    return queryButtons()[static_cast<size_t>(button)];
}

const ThresholdKindLook& thresholdKindLook(int tag) {
    static const std::array<ThresholdKindLook, 4> looks = {{
        {QStringLiteral("买卖超过"), 0x800000},  // maroon
        {QStringLiteral("买入超过"), 0xFF0000},  // red
        {QStringLiteral("抛售超过"), 0x0000FF},  // blue
        {QStringLiteral("全部数据"), 0x808000},  // olive
    }};
    return looks[static_cast<size_t>(((tag % 4) + 4) % 4)];
}

OperatorQuery OperatorQuery::initial(const QDate& today) {
    OperatorQuery page;
    page.from = today;
    page.to = today;
    return page;
}

void OperatorQuery::changeDateTo(const QDate& day) {
    to = day;
    if (to < from)
        from = to;
}

int OperatorQuery::targetBits() const {
    return (stockGiven ? 1 : 0) | (departmentGiven ? 2 : 0);
}

bool OperatorQuery::filtersOnDepartment() const {
    return !mainBuySale && departmentGiven && !departmentItem.isEmpty();
}

OperatorStatements composeOperatorQuery(const OperatorQuery& page, QueryButton button,
                                        DepartmentFilterForm form) {
    OperatorStatements composed;
    ComposedStatement& q1 = composed.main;
    ComposedStatement& q2 = composed.blockTrades;
    const bool allData = page.thresholdKind == kAllData;

    if (!page.mainBuySale)
        q1.add(kTopFiveHead);
    else if (page.stockGiven && allData)
        q1.add(kSingleAlertsHead);
    else
        q1.add(kAlertSumsHead);
    q2.add(kBlockTradesHead + (allData ? QStringLiteral("0") : QString::number(page.threshold)) +
           QLatin1Char(')'));

    q1.add(queryButtonInfo(button).rowFilter);

    addStockAndDateFilters(page, q1);
    addStockAndDateFilters(page, q2);

    if (page.filtersOnDepartment()) {
        // The name picks the department's keys and the keys pick the rows, so the query
        // walks that department's rows by index instead of naming every row of a large
        // file: the same rows as comparing each row's trimmed name.
        // A block trade has a buying and a selling department and no StDept: the given
        // one may stand on either side.
        if (form == DepartmentFilterForm::ViewKeys) {
            q1.add(QStringLiteral("and ") + departmentKeyCondition(QStringLiteral("StDeptKey")));
            q2.add(QStringLiteral("and (") + departmentKeyCondition(QStringLiteral("StDeptBuyKey")) +
                   QStringLiteral(" or ") + departmentKeyCondition(QStringLiteral("StDeptSaleKey")) +
                   QLatin1Char(')'));
        } else {
            q1.add(QStringLiteral("and ID in (select ID from tblStChange where ") +
                   departmentKeyCondition(QStringLiteral("StDeptKey")) + QLatin1Char(')'));
            q2.add(QStringLiteral("and ID in (select ID from tblBigBuySale where ") +
                   departmentKeyCondition(QStringLiteral("StDeptBuy")) + QStringLiteral(" or ") +
                   departmentKeyCondition(QStringLiteral("StDeptSale")) + QLatin1Char(')'));
        }
        const QString department = departmentOfItem(page.departmentItem);
        q1.bind(kStDept, department);
        q2.bind(kStDept, department);
    }

    if (page.mainBuySale) {
        q1.add(page.stockGiven && allData ? QStringLiteral(" Order by ID") : alertSumsTail(page));
    } else if (page.sortOnAmount) {
        q1.add(QStringLiteral("Order by ABS(StRate) desc"));
        q2.add(QStringLiteral("Order by ABS(StQTY) desc"));
    } else {
        q1.add(QStringLiteral("Order by ID"));
        q2.add(QStringLiteral("Order by ID"));
    }
    return composed;
}

void addStockAndDateFilters(const OperatorQuery& page, ComposedStatement& statement) {
    if (page.stockGiven) {
        statement.add(QStringLiteral("and StCode=:StCode"));
        statement.bind(kStCode, page.stockCode);
    }
    if (page.fromTicked && page.toTicked) {
        statement.add(QStringLiteral("and StDate>=:StDate and StDate<=:StDateTo"));
        statement.bind(kStDate, page.from);
        statement.bind(kStDateTo, page.to);
    } else if (page.fromTicked) {
        statement.add(QStringLiteral("and StDate>=:StDate"));
        statement.bind(kStDate, page.from);
    } else if (page.toTicked) {
        // The day before the end, excluded: only the end date itself is left.
        statement.add(QStringLiteral("and StDate>:StDate and StDate<=:StDateTo"));
        statement.bind(kStDate, page.to.addDays(-1));
        statement.bind(kStDateTo, page.to);
    }
}

QString departmentKeyCondition(const QString& keyColumn) {
    return keyColumn + QStringLiteral(" in (") + kKeysOfDepartment + QLatin1Char(')');
}

QString departmentOfItem(const QString& item) {
    return item.section(QLatin1Char('|'), 0, 0);
}

int departmentItemIndex(const QStringList& items, const QString& department) {
    for (int i = 1; i < items.size(); ++i) {
        if (items.at(i).startsWith(department))
            return i;
    }
    return -1;
}

QString resultCaption(int targetBits) {
    switch (targetBits) {
        case 1:
            return QStringLiteral("股票操盘数据查询");
        case 2:
            return QStringLiteral("操盘庄家数据查询");
        case 3:
            return QStringLiteral("股票操盘庄家查询");
        default:
            return {};
    }
}

}  // namespace quarrow
