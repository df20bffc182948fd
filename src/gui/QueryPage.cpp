#include "gui/QueryPage.h"

#include "app/AppFrame.h"
#include "gui/PageHost.h"
#include "gui/PageWidgets.h"
#include "gui/QueryResultModel.h"
#include "gui/StockCodePage.h"
#include "program/ProgramServices.h"
#include "review/FilteredDelete.h"
#include "review/QueryRunner.h"
#include "store/DataBase.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

namespace quarrow {

namespace {

// What each query button shows on the prompt line when clicked, in the order of
// queryButtons().
const std::array<QString, 5> kQueryHints = {
    QStringLiteral("调阅同时有买入和卖出的营业部数据"), QStringLiteral("调阅只买入不卖出的营业部数据"),
    QStringLiteral("调阅只卖出不买入的营业部数据"),     QStringLiteral("调阅只买入或只卖出的营业部数据"),
    QStringLiteral("调阅全部营业部买卖数据"),
};

}  // namespace

CheckedDatePicker::CheckedDatePicker(const char* name, const QString& hint, bool checked, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QString::fromLatin1(name));
    setToolTip(hint);
    m_check = new QCheckBox(this);
    m_check->setObjectName(objectName() + QStringLiteral("Checked"));
    m_check->setChecked(checked);
    m_check->setToolTip(hint);
    m_edit = new QDateEdit(this);
    m_edit->setObjectName(objectName() + QStringLiteral("Date"));
    m_edit->setCalendarPopup(true);
    m_edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_edit->setToolTip(hint);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_check);
    layout->addWidget(m_edit, 1);
}

bool CheckedDatePicker::isChecked() const {
    return m_check->isChecked();
}

void CheckedDatePicker::setChecked(bool on) {
    m_check->setChecked(on);
}

QDate CheckedDatePicker::date() const {
    return m_edit->date();
}

void CheckedDatePicker::setDate(const QDate& day) {
    m_edit->setDate(day);
}

QueryPage::QueryPage(ProgramServices& services, PageHost& host, StockCodePage& stocks, QWidget* windowOwner,
                     QWidget* parent)
    : QWidget(parent),
      m_services(services),
      m_db(services.store()),
      m_frame(services.frame()),
      m_host(host),
      m_stocks(stocks),
      m_windowOwner(windowOwner) {
    setObjectName(QStringLiteral("TabGetFromDB"));
    setWindowTitle(QStringLiteral("调阅庄家操盘数据"));

    m_stockGiven = checkBox(this, "chkStockCode", QStringLiteral("指定股票"));
    m_from = new CheckedDatePicker("DateFrom", kDateFromHint, true, this);
    m_to = new CheckedDatePicker("DateTo", kDateToHint, false, this);
    m_departmentGiven = checkBox(this, "chkDepartment", QStringLiteral("指定营业部"));
    m_departments = new QComboBox(this);
    m_departments->setObjectName(QStringLiteral("ListBoxDepartment"));
    m_departments->setEditable(false);
    m_departments->addItem(kNoDepartmentItem);
    m_reloadDepartments = new QPushButton(QStringLiteral("刷新"), this);
    m_reloadDepartments->setObjectName(QStringLiteral("btnRefreshDepartment"));
    m_reloadDepartments->setToolTip(QStringLiteral("重新读取营业部列表"));
    m_reloadDepartments->setEnabled(false);
    m_mainBuySale = checkBox(this, "chkMainBuySale", QStringLiteral("调阅主力买卖数据"));
    m_threshold = new QSpinBox(this);
    m_threshold->setObjectName(QStringLiteral("SpEditBuySaleValue"));
    m_threshold->setRange(0, OperatorQuery::kThresholdMax);
    m_threshold->setSingleStep(OperatorQuery::kThresholdStep);
    m_threshold->setValue(OperatorQuery::kThresholdInitial);
    m_thresholdKind = new QPushButton(this);
    m_thresholdKind->setObjectName(QStringLiteral("btnMainSaleType"));
    m_unit = new QLabel(QStringLiteral("万股"), this);
    m_unit->setObjectName(QStringLiteral("LabelBuySale2"));
    m_unit->hide();
    m_sortOnAmount = checkBox(this, "chkSortOnAmt", QStringLiteral("按幅度大小排序"));
    for (const QueryButtonInfo& info : queryButtons()) {
        auto* button = new QPushButton(info.caption, this);
        button->setObjectName(QString::fromLatin1(info.objectName));
        button->setToolTip(kQueryHints.at(static_cast<size_t>(info.button)));
        button->setMinimumHeight(36);
        const QueryButton which = info.button;
        connect(button, &QPushButton::clicked, this, [this, which] { queryClick(which); });
        m_queryButtons.append(button);
    }

    m_delete = new QPushButton(QStringLiteral("删除数据"), this);
    m_delete->setObjectName(QStringLiteral("btnDelMainBuySale"));
    m_delete->setToolTip(QStringLiteral("删除过期的买卖动态数据"));
    connectCommand(m_delete, m_frame, [this] { btnDelMainBuySaleClick(); });
    auto* backup = new QPushButton(QStringLiteral("备份数据库"), this);
    backup->setObjectName(QStringLiteral("btnCopyData"));
    connectCommand(backup, m_frame, [this] { btnCopyDataClick(); });

    // The main grid sits on the stock-code page; the page only feeds it. The grid shows
    // another model at times (the share-capital listing): what the user does on it counts
    // here only while it shows this page's rows.
    m_model = new QueryResultModel(this);
    m_model->setObjectName(QStringLiteral("QueryStChange"));
    m_grid = stocks.resultGrid();
    m_stocks.showInResultGrid(m_model);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->setToolTip(resultWindowLook(ResultKind::TopFive).hint);
    connect(m_grid, &QTableView::doubleClicked, this, &QueryPage::dbGridTop5ListDblClick);
    connect(&stocks, &StockCodePage::resultRowChanged, this, [this](const QModelIndex& current) {
        if (current.isValid() && current.model() == m_model)
            QueryStChangeAfterScroll(m_model->rowValues(current.row()));
    });

    connect(m_thresholdKind, &QPushButton::clicked, this, &QueryPage::btnMainSaleTypeClick);
    connect(m_mainBuySale, &QCheckBox::toggled, this, &QueryPage::chkMainBuySaleClick);
    connect(m_stockGiven, &QCheckBox::clicked, this, &QueryPage::chkStockCodeClick);
    connect(m_departments, &QComboBox::activated, this, &QueryPage::ListBoxDepartmentClick);
    connect(m_reloadDepartments, &QPushButton::clicked, this, &QueryPage::btnRefreshDepartmentClick);
    for (CheckedDatePicker* picker : {m_from, m_to}) {
        connect(picker->checkBox(), &QCheckBox::clicked, this,
                [this, picker] { m_frame.ShowPrompt(picker->toolTip()); });
    }
    connect(m_to->edit(), &QDateEdit::dateChanged, this, [this](const QDate& day) {
        if (day < m_from->date())
            m_from->setDate(day);
    });
    // The start-up leaves the threshold kind one click past "抛售超过": all data.
    btnMainSaleTypeClick();

    auto* filters = new QGridLayout;
    filters->addWidget(m_stockGiven, 0, 0);
    filters->addWidget(new QLabel(QStringLiteral("开始日期"), this), 1, 0);
    filters->addWidget(m_from, 1, 1);
    filters->addWidget(new QLabel(QStringLiteral("结束日期"), this), 2, 0);
    filters->addWidget(m_to, 2, 1);
    filters->addWidget(m_departmentGiven, 3, 0);
    auto* departmentRow = new QHBoxLayout;
    departmentRow->addWidget(m_departments, 1);
    departmentRow->addWidget(m_reloadDepartments);
    filters->addLayout(departmentRow, 3, 1);
    filters->addWidget(m_mainBuySale, 4, 0);
    auto* thresholdRow = new QHBoxLayout;
    thresholdRow->addWidget(m_thresholdKind);
    thresholdRow->addWidget(m_threshold, 1);
    thresholdRow->addWidget(m_unit);
    filters->addLayout(thresholdRow, 4, 1);
    filters->addWidget(m_sortOnAmount, 5, 0, 1, 2);
    filters->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : m_queryButtons)
        buttons->addWidget(button);
    auto* housekeeping = new QHBoxLayout;
    housekeeping->addWidget(m_delete);
    housekeeping->addWidget(backup);
    housekeeping->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addLayout(buttons);
    layout->addLayout(housekeeping);
    layout->addStretch();
}

QueryPage::~QueryPage() {
    // The result windows read the database that goes with the main window: they go first.
    if (m_windowOwner)
        qDeleteAll(m_windowOwner->findChildren<TFormCodeDepart*>(Qt::FindDirectChildrenOnly));
}

OperatorQuery QueryPage::state() const {
    OperatorQuery page;
    page.stockGiven = m_stockGiven->isChecked();
    page.stockCode = m_stocks.currentCode();
    page.fromTicked = m_from->isChecked();
    page.from = m_from->date();
    page.toTicked = m_to->isChecked();
    page.to = m_to->date();
    page.departmentGiven = m_departmentGiven->isChecked();
    page.departmentItem = m_departments->currentIndex() > 0 ? m_departments->currentText() : QString();
    page.mainBuySale = m_mainBuySale->isChecked();
    page.threshold = m_threshold->value();
    page.thresholdKind = m_kindTag;
    page.sortOnAmount = m_sortOnAmount->isChecked();
    return page;
}

QStringList QueryPage::departmentItems() const {
    QStringList items;
    for (int i = 0; i < m_departments->count(); ++i)
        items << m_departments->itemText(i);
    return items;
}

QList<QPushButton*> QueryPage::runCommands() const {
    return {m_queryButtons.at(static_cast<int>(QueryButton::BuySale)),
            m_queryButtons.at(static_cast<int>(QueryButton::BuyOnly)),
            m_queryButtons.at(static_cast<int>(QueryButton::SaleOnly))};
}

void QueryPage::setDates(const QDate& day) {
    m_from->setDate(day);
    m_to->setDate(day);
}

void QueryPage::widenDates(const QDate& first, const QDate& last) {
    if (m_from->date() > first)
        m_from->setDate(first);
    if (m_to->date() < last)
        m_to->setDate(last);
}

void QueryPage::setStockGiven(bool given) {
    m_stockGiven->setChecked(given);
}

void QueryPage::showStoredResults() {
    m_mainBuySale->setChecked(false);
    m_stockGiven->setChecked(false);
    m_departmentGiven->setChecked(false);
    m_from->setChecked(true);
    m_to->setChecked(true);
    m_queryButtons.at(static_cast<int>(QueryButton::All))->click();
}

RowFollower QueryPage::follower() {
    return [this](const QVariantList& row) { QueryStChangeAfterScroll(row); };
}

TFormCodeDepart* QueryPage::newResultWindow(ResultKind kind) {
    return new TFormCodeDepart(kind, m_db, m_frame, follower(), m_windowOwner);
}

void QueryPage::queryClick(QueryButton button) {
    m_frame.ShowPrompt(m_queryButtons.at(static_cast<int>(button))->toolTip());
    if (!m_db.DBOpened())
        return;
    const OperatorQuery page = state();
    const OperatorStatements statements = composeOperatorQuery(page, button);
    const int bits = page.targetBits();

    // The main result: the main grid, or a window of its own when a stock or a department
    // was given.
    if (bits != 0) {
        TFormCodeDepart* window = newResultWindow(ResultKind::TopFive);
        window->setCaption(resultCaption(bits));
        if (!window->open(statements.main)) {
            delete window;
            return;
        }
        if (window->hasRows()) {
            m_host.showContentPage(ContentPage::StockCode);
            window->show();
            Q_EMIT resultWindowOpened(window);
        } else {
            m_frame.ShowPrompt(kNoRowsMessage);
            delete window;
        }
    } else {
        m_stocks.showInResultGrid(m_model);
        if (!m_model->open(m_db, statements.main)) {
            m_frame.notify(QStringLiteral("数据查询出错: %1").arg(m_model->error()));
            m_model->close();
            return;
        }
        if (m_model->hasRows()) {
            m_host.showContentPage(ContentPage::StockCode);
            m_host.hideFunctionPanel();
            applyResultColumnWidths(*m_grid);
            m_grid->setCurrentIndex(m_model->index(0, 0));
        } else {
            m_frame.ShowPrompt(kNoRowsMessage);
            m_model->close();
        }
    }

    // The block trades always come in a window of their own.
    TFormCodeDepart* trades = newResultWindow(ResultKind::BlockTrades);
    if (!trades->open(statements.blockTrades)) {
        delete trades;
        return;
    }
    if (trades->hasRows()) {
        trades->show();
        Q_EMIT resultWindowOpened(trades);
    } else {
        m_frame.ShowPrompt(kNoRowsMessage);
        delete trades;
    }
}

void QueryPage::btnRefreshDepartmentClick() {
    if (!m_db.DBOpened())
        return;
    QString error;
    const std::optional<QStringList> names = loadDepartmentNames(m_db, &error);
    if (!names) {
        m_frame.ShowPrompt(QStringLiteral("读取营业部列表出错: %1").arg(error));
        return;
    }
    const QString first = m_departments->itemText(0);
    m_departments->clear();
    m_departments->addItem(first);
    m_departments->addItems(*names);
    m_departments->setCurrentIndex(0);
    m_departmentGiven->setChecked(false);
    m_reloadDepartments->setEnabled(false);
    // The names are all listed now: the next reload waits for new ones.
    m_services.totals().departmentsAdded = false;
}

void QueryPage::enableDepartmentReload() {
    m_reloadDepartments->setEnabled(true);
}

void QueryPage::btnMainSaleTypeClick() {
    m_kindTag = nextThresholdKind(m_kindTag);
    const ThresholdKindLook& look = thresholdKindLook(m_kindTag);
    m_thresholdKind->setText(look.caption);
    m_thresholdKind->setProperty("tag", m_kindTag);
    m_thresholdKind->setStyleSheet(
        QStringLiteral("QPushButton { color: #%1; }").arg(look.fontRgb, 6, 16, QLatin1Char('0')));
}

void QueryPage::chkMainBuySaleClick() {
    const bool on = m_mainBuySale->isChecked();
    // The main-force alerts carry no department of their own.
    m_departments->setEnabled(!on);
    m_departmentGiven->setEnabled(!on);
    for (QPushButton* button : m_queryButtons)
        button->setFlat(on);
    m_delete->setFlat(on);
    m_unit->setVisible(on);
}

void QueryPage::chkStockCodeClick() {
    m_frame.ShowPrompt(kGivenStockPrompt + m_stocks.currentCode() + m_stocks.currentName());
    if (m_stockGiven->isChecked())
        m_host.showContentPage(ContentPage::StockCode);
}

void QueryPage::ListBoxDepartmentClick() {
    m_departmentGiven->setChecked(m_departments->currentIndex() > 0);
}

void QueryPage::QueryStChangeAfterScroll(const QVariantList& row) {
    if (row.isEmpty())
        return;
    m_stocks.followStock(cellText(row.at(0)));
    const QString department = row.size() > 3 ? cellText(row.at(3)) : QString();
    if (department == m_followedDepartment)
        return;
    m_followedDepartment = department;
    const int index = departmentItemIndex(departmentItems(), department);
    if (index > 0)
        m_departments->setCurrentIndex(index);
}

TFormCodeDepart* QueryPage::dbGridTop5ListDblClick(const QModelIndex& cell) {
    if (!cell.isValid() || cell.model() != m_model)
        return nullptr;
    // The main grid narrows like a top-5 window whatever it shows.
    TFormCodeDepart* window =
        TFormCodeDepart::drillDown(ResultKind::TopFive, cell.column(), m_model->rowValues(cell.row()), m_db,
                                   m_frame, follower(), m_windowOwner);
    if (window)
        Q_EMIT resultWindowOpened(window);
    return window;
}

void QueryPage::btnDelMainBuySaleClick() {
    if (m_services.run().isActive())
        return;
    m_host.showContentPage(ContentPage::StockCode);
    const OperatorQuery page = state();
    m_host.runJob([&] {
        const FilteredDeleteOutcome outcome = FilteredDelete(m_db, m_frame).run(page);
        if (outcome.status == FilteredDeleteOutcome::Status::Failed) {
            m_frame.notify(QStringLiteral("删除数据出错,没有删除任何数据: %1").arg(outcome.error));
            return;
        }
        if (outcome.status != FilteredDeleteOutcome::Status::Deleted)
            return;
        m_frame.ShowPrompt(QStringLiteral("已删除%1条数据").arg(outcome.rows));
        // The main grid shows what is left of the stored rows; the alerts it may not show.
        if (page.mainBuySale || !m_model->hasStatement())
            return;
        m_stocks.showInResultGrid(m_model);
        if (!m_model->reopen(m_db))
            m_frame.notify(QStringLiteral("数据查询出错: %1").arg(m_model->error()));
    });
}

void QueryPage::btnCopyDataClick() {
    if (m_services.run().isActive())
        return;
    DatabaseCopy copy = m_services.databaseCopy();
    if (!copy.supported()) {
        m_frame.notify(QStringLiteral("数据保存在ODBC数据源%1中,无法按文件备份;请用数据源自己的工具备份")
                           .arg(m_services.storeLocation().displayName()));
        return;
    }
    const std::optional<QString> chosen =
        m_host.chooseFile(QStringLiteral("备份数据库"), copy.proposedPath());
    if (!chosen)
        return;
    m_host.runJob([&] {
        const DatabaseCopyOutcome outcome = copy.copyTo(*chosen);
        switch (outcome.status) {
            case DatabaseCopyOutcome::Status::Copied:
                m_frame.ShowPrompt(QStringLiteral("数据库已备份到") +
                                   QDir::toNativeSeparators(outcome.target));
                break;
            case DatabaseCopyOutcome::Status::SamePath:
                m_frame.ShowPrompt(QStringLiteral("备份文件就是数据库文件本身,没有备份"));
                break;
            case DatabaseCopyOutcome::Status::Unsupported:
            case DatabaseCopyOutcome::Status::Failed:
                m_frame.notify(QStringLiteral("数据库备份失败: %1").arg(outcome.error));
                break;
        }
        if (!outcome.settingError.isEmpty())
            m_frame.notify(QStringLiteral("无法记下备份文件夹: %1").arg(outcome.settingError));
    });
}

}  // namespace quarrow
