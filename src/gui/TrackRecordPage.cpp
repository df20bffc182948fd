#include "gui/TrackRecordPage.h"

#include "app/AppFrame.h"
#include "app/FigureFormat.h"
#include "gui/GridExport.h"
#include "gui/PageHost.h"
#include "gui/PageWidgets.h"
#include "gui/QueryPage.h"
#include "gui/ResultFormat.h"
#include "gui/StockChart.h"
#include "program/ProgramServices.h"
#include "quotefiles/FileOP.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace quarrow {

namespace {

constexpr int kSortRole = Qt::UserRole + 1;
constexpr int kKeyRole = Qt::UserRole + 2;
// Bars drawn around a trade's day: a month and a half before, three weeks after.
constexpr int kBarsBefore = 30;
constexpr int kBarsAfter = 15;

QStandardItem* textItem(const QString& text) {
    auto* item = new QStandardItem(text);
    item->setData(text, kSortRole);
    return item;
}

// A figure shown as every page shows it, sorted by its value, copied and exported as the
// plain number; an empty cell sorts below every figure.
QStandardItem* sortedFigureItem(const std::optional<double>& value, const QString& shown,
                                const QString& plain, FigureFormat::Tone tone = FigureFormat::Tone::Plain) {
    QStandardItem* item = figureItem(value ? shown : QString(), value ? plain : QString(), tone);
    item->setData(value ? *value : -1e300, kSortRole);
    return item;
}

// A change after the trade in percent, red up and green down.
QStandardItem* changeItem(const std::optional<double>& value) {
    return sortedFigureItem(value, value ? FigureFormat::percent(*value) : QString(),
                            value ? QString::number(*value, 'f', 2) : QString(),
                            value ? FigureFormat::toneOf(*value) : FigureFormat::Tone::Plain);
}

// The share of trades followed by a rise, in percent.
QStandardItem* shareItem(const std::optional<double>& value) {
    return sortedFigureItem(value, value ? FigureFormat::percent(*value, 1) : QString(),
                            value ? QString::number(*value, 'f', 1) : QString());
}

QStandardItem* countItem(qint64 value) {
    const auto number = static_cast<double>(value);
    return sortedFigureItem(number, FigureFormat::fixed(number, 0), QString::number(value));
}

// An amount in 10,000 yuan: buying red, selling green where there is any. A trade's side
// with nothing on it stays blank, as in the query's grid.
enum class Nothing { Shown, Blank };
QStandardItem* moneyItem(Money value, FigureFormat::Tone tone, Nothing nothing = Nothing::Shown) {
    const QString shown = value == Money() && nothing == Nothing::Blank
                              ? QString()
                              : FigureFormat::tenThousands(value.toDouble());
    return sortedFigureItem(value.toDouble(), shown, value.toString(),
                            value.isPositive() ? tone : FigureFormat::Tone::Plain);
}

QTableView* makeGrid(QWidget* parent, const char* name, QSortFilterProxyModel* model) {
    auto* grid = named(new QTableView(parent), name);
    grid->setModel(model);
    // Rows come in the record's order until the user sorts on a column.
    grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    grid->setSortingEnabled(true);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->verticalHeader()->setDefaultSectionSize(22);
    GridExport::install(grid);
    return grid;
}

}  // namespace

TrackRecordPage::TrackRecordPage(ProgramServices& services, PageHost& host, QWidget* parent)
    : QWidget(parent), m_services(services), m_host(host), m_frame(services.frame()) {
    setObjectName(QStringLiteral("TabSheetTrackRecord"));

    m_from = new CheckedDatePicker("TrackDateFrom", QStringLiteral("统计的开始日期,需要使用此条件时,打勾"),
                                   false, this);
    m_to = new CheckedDatePicker("TrackDateTo", QStringLiteral("统计的结束日期,需要使用此条件时,打勾"), false,
                                 this);
    m_minCount = named(new QSpinBox(this), "spnTrackMinCount");
    m_minCount->setRange(1, 100000);
    m_minCount->setToolTip(QStringLiteral("只列出交易次数不少于此数的营业部"));
    m_market = named(new QComboBox(this), "cboTrackMarket");
    m_market->addItems({QStringLiteral("全部市场"), QStringLiteral("沪市"), QStringLiteral("深市")});
    m_side = named(new QComboBox(this), "cboTrackSide");
    m_side->addItems({QStringLiteral("买入后表现"), QStringLiteral("卖出后表现")});
    auto* compute = named(new QPushButton(QStringLiteral("统计战绩"), this), "btnTrackRecord");
    compute->setToolTip(QStringLiteral("按营业部上榜后1、2、3、5、10个交易日的涨跌统计战绩"));
    m_summary = named(new QLabel(this), "lblTrackSummary");

    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("从"), this));
    filters->addWidget(m_from);
    filters->addWidget(new QLabel(QStringLiteral("到"), this));
    filters->addWidget(m_to);
    filters->addWidget(new QLabel(QStringLiteral("最少次数"), this));
    filters->addWidget(m_minCount);
    filters->addWidget(m_market);
    filters->addWidget(m_side);
    filters->addWidget(compute);
    filters->addWidget(m_summary, 1);

    m_departments = new QStandardItemModel(this);
    m_departmentOrder = new QSortFilterProxyModel(this);
    m_departmentOrder->setSourceModel(m_departments);
    m_departmentOrder->setSortRole(kSortRole);
    m_departmentGrid = makeGrid(this, "gridTrackDepartments", m_departmentOrder);
    m_trades = new QStandardItemModel(this);
    m_tradeOrder = new QSortFilterProxyModel(this);
    m_tradeOrder->setSourceModel(m_trades);
    m_tradeOrder->setSortRole(kSortRole);
    m_tradeGrid = makeGrid(this, "gridTrackTrades", m_tradeOrder);
    m_chart = named(new StockChart(this), "chartTrackStock");

    auto* lower = new QSplitter(Qt::Horizontal, this);
    lower->addWidget(m_tradeGrid);
    lower->addWidget(m_chart);
    lower->setStretchFactor(1, 1);
    lower->setSizes({560, 700});
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_departmentGrid);
    split->addWidget(lower);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(split, 1);

    connect(compute, &QPushButton::clicked, this, &TrackRecordPage::btnTrackRecordClick);
    connect(m_side, &QComboBox::currentIndexChanged, this, [this] { fillDepartments(); });
    connect(m_minCount, &QSpinBox::valueChanged, this, [this] { fillDepartments(); });
    connect(m_departmentGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    showDepartment(current.siblingAtColumn(0).data(kKeyRole).toInt());
            });
    connect(m_tradeGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    showTrade(m_tradeOrder->mapToSource(current).row());
            });
}

void TrackRecordPage::showForRange(const OperatorQuery& query) {
    m_from->setChecked(query.fromTicked);
    m_from->setDate(query.from);
    m_to->setChecked(query.toTicked);
    m_to->setDate(query.to);
    m_host.showContentPage(ContentPage::TrackRecord);
}

TradeSide TrackRecordPage::side() const {
    return m_side->currentIndex() == 1 ? TradeSide::Sell : TradeSide::Buy;
}

void TrackRecordPage::btnTrackRecordClick() {
    TrackRecordOptions options;
    if (m_from->isChecked())
        options.from = m_from->date();
    if (m_to->isChecked())
        options.to = m_to->date();
    options.market = m_market->currentIndex() == 1   ? Market::Shanghai
                     : m_market->currentIndex() == 2 ? Market::Shenzhen
                                                     : Market::All;
    // A large store takes a second or two: the cursor says the click was taken.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    TrackRecordOutcome computed = m_services.jobs().trackRecord(options);
    QGuiApplication::restoreOverrideCursor();
    if (!computed.done()) {
        // Refused while another job runs (the runner said so), or the record failed.
        if (computed.failed())
            m_frame.ShowPrompt(QStringLiteral("统计营业部战绩出错: ") + computed.detail);
        m_record.reset();
        fillDepartments();
        return;
    }
    m_record = std::move(computed.record);
    const TrackRecordStats& stats = m_record->stats();
    m_summary->setText(QStringLiteral("%1个营业部, %2次上榜, %3只股票")
                           .arg(m_record->departments().size())
                           .arg(stats.trades)
                           .arg(stats.stocks));
    fillDepartments();
}

void TrackRecordPage::fillDepartments() {
    m_departments->clear();
    m_trades->clear();
    m_shownTrades.clear();
    m_chart->clear();
    if (!m_record)
        return;
    const TradeSide which = side();
    const QString verb = which == TradeSide::Buy ? QStringLiteral("买入") : QStringLiteral("卖出");
    const auto same = [](const QString& title) { return std::pair(title, title); };
    QList<std::pair<QString, QString>> titles{
        same(QStringLiteral("营业部")),
        same(QStringLiteral("上榜次数")),
        same(verb + QStringLiteral("次数")),
        {verb + QStringLiteral("总额"), verb + QStringLiteral("总额(万元)")}};
    for (const int days : m_record->horizons()) {
        titles << std::pair(QStringLiteral("%1日均涨").arg(days), QStringLiteral("%1日均涨%").arg(days))
               << std::pair(QStringLiteral("%1日上涨率").arg(days), QStringLiteral("%1日上涨率%").arg(days))
               << same(QStringLiteral("%1日样本").arg(days));
    }
    setGridTitles(*m_departments, titles);
    Ranking ranking;
    ranking.side = which;
    ranking.minCount = m_minCount->value();
    for (const DepartmentRecord* department : rankDepartments(*m_record, ranking)) {
        const SideFigures& figures = department->side(which);
        QList<QStandardItem*> row{
            textItem(department->name), countItem(department->appearances), countItem(figures.trades),
            moneyItem(figures.total,
                      which == TradeSide::Buy ? FigureFormat::Tone::Rise : FigureFormat::Tone::Fall)};
        row.first()->setData(department->key, kKeyRole);
        for (const HorizonFigures& horizon : figures.horizons) {
            const bool any = horizon.count > 0;
            row << changeItem(any ? std::optional<double>(horizon.average) : std::nullopt)
                << shareItem(any ? std::optional<double>(horizon.riseShare) : std::nullopt)
                << countItem(horizon.count);
        }
        m_departments->appendRow(row);
    }
    m_departmentGrid->setColumnWidth(0, 260);
}

void TrackRecordPage::showDepartment(qint32 key) {
    m_trades->clear();
    m_chart->clear();
    if (!m_record)
        return;
    m_shownTrades = m_record->tradesOf(key);
    QList<std::pair<QString, QString>> titles{{QStringLiteral("代码"), QStringLiteral("代码")},
                                              {QStringLiteral("交易日"), QStringLiteral("交易日")},
                                              {QStringLiteral("买入"), QStringLiteral("买入(万元)")},
                                              {QStringLiteral("卖出"), QStringLiteral("卖出(万元)")}};
    for (const int days : m_record->horizons())
        titles << std::pair(QStringLiteral("%1日涨幅").arg(days), QStringLiteral("%1日涨幅%").arg(days));
    setGridTitles(*m_trades, titles);
    for (const DepartmentTrade& trade : m_shownTrades) {
        QList<QStandardItem*> row{textItem(trade.code),
                                  textItem(trade.day.toString(QStringLiteral("yyyy-MM-dd"))),
                                  moneyItem(trade.bought, FigureFormat::Tone::Rise, Nothing::Blank),
                                  moneyItem(trade.sold, FigureFormat::Tone::Fall, Nothing::Blank)};
        for (const std::optional<double>& value : trade.returns)
            row << changeItem(value);
        m_trades->appendRow(row);
    }
}

void TrackRecordPage::showTrade(int row) {
    if (row < 0 || static_cast<size_t>(row) >= m_shownTrades.size())
        return;
    const DepartmentTrade& trade = m_shownTrades[static_cast<size_t>(row)];
    StockChartData chart;
    chart.code = trade.code;
    try {
        chart.bars = barsAround(m_services.quoteFolder(), trade.code, trade.day, kBarsBefore, kBarsAfter);
    } catch (const RecordFileError& failure) {
        m_frame.ShowPrompt(failure.message());
    }
    if (const auto days = storedDays(m_services.store(), trade.code, chart.bars))
        chart.anomalyDays = *days;
    for (const DepartmentTrade& other : m_shownTrades) {
        if (other.code != trade.code)
            continue;
        const qint32 day = other.day.year() * 10000 + other.day.month() * 100 + other.day.day();
        if (other.bought.isPositive())
            chart.buyDays.insert(day);
        if (other.sold.isPositive())
            chart.sellDays.insert(day);
    }
    m_chart->showData(chart,
                      trade.code + QLatin1Char(' ') + trade.day.toString(QStringLiteral("yyyy-MM-dd")));
}

}  // namespace quarrow
