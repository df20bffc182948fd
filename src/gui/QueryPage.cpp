#include "gui/QueryPage.h"
#include "gui/DateBox.h"

#include "app/AppFrame.h"
#include "gui/ColumnRoom.h"
#include "gui/DatabaseMessages.h"
#include "gui/GridExport.h"
#include "gui/PageHost.h"
#include "gui/PageWidgets.h"
#include "gui/QueryResultModel.h"
#include "gui/StockCodePage.h"
#include "gui/WindowMemory.h"
#include "program/ProgramServices.h"
#include "quotefiles/StockPicker.h"
#include "review/FilteredDelete.h"
#include "review/QueryRunner.h"
#include "store/ChangeReads.h"
#include "store/DataBase.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
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
// The captions the window gives the five buttons as it opens, a line break in each.
const std::array<QString, 5> kQueryCaptions = {
    QStringLiteral("即买即抛\n庄家大户"), QStringLiteral("单买入\n庄家大户"),
    QStringLiteral("单抛售\n庄家大户"),   QStringLiteral("只买只抛\n庄家大户"),
    QStringLiteral("有买有抛\n庄家大户"),
};
const QString kThresholdHint = QStringLiteral("主力买卖数据和大宗交易的数量界限(万股)");
const QString kMainGridKey = QStringLiteral("dbGridTop5List");

QString boolText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace

CheckedDatePicker::CheckedDatePicker(const char* name, const QString& hint, bool checked, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QString::fromLatin1(name));
    setToolTip(hint);
    m_check = new QCheckBox(this);
    m_check->setObjectName(objectName() + QStringLiteral("Checked"));
    m_check->setChecked(checked);
    m_check->setToolTip(hint);
    m_edit = new DateBox(this);
    m_edit->setObjectName(objectName() + QStringLiteral("Date"));
    m_edit->setToolTip(hint);
    m_edit->lineEdit()->installEventFilter(this);
    connect(m_check, &QCheckBox::clicked, this, &CheckedDatePicker::clicked);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_check);
    layout->addWidget(m_edit, 1);
}

bool CheckedDatePicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit->lineEdit() && event->type() == QEvent::MouseButtonPress)
        Q_EMIT clicked();
    return QWidget::eventFilter(watched, event);
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
    // Hundreds of names: typing any part of one finds it. Only a listed name is taken.
    m_departments->setEditable(true);
    m_departments->setInsertPolicy(QComboBox::NoInsert);
    m_departments->completer()->setFilterMode(Qt::MatchContains);
    m_departments->completer()->setCompletionMode(QCompleter::PopupCompletion);
    m_departments->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    m_departments->setToolTip(QStringLiteral("输入营业部名称的任意部分即可查找"));
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
    m_threshold->setToolTip(kThresholdHint);
    m_thresholdKind = new QPushButton(this);
    m_thresholdKind->setObjectName(QStringLiteral("btnMainSaleType"));
    m_unit = new QLabel(QStringLiteral("万股"), this);
    m_unit->setObjectName(QStringLiteral("LabelBuySale2"));
    m_unit->hide();
    m_sortOnAmount = checkBox(this, "chkSortOnAmt", QStringLiteral("按幅度大小排序"));
    for (const QueryButtonInfo& info : queryButtons()) {
        const auto index = static_cast<size_t>(info.button);
        auto* button = new QPushButton(kQueryCaptions.at(index), this);
        button->setObjectName(QString::fromLatin1(info.objectName));
        button->setToolTip(kQueryHints.at(index));
        button->setMinimumHeight(44);
        const QueryButton which = info.button;
        connect(button, &QPushButton::clicked, this, [this, which] { queryClick(which); });
        m_queryButtons.append(button);
    }

    m_delete = new QPushButton(QStringLiteral("删除过期\n买卖数据"), this);
    m_delete->setObjectName(QStringLiteral("btnDelMainBuySale"));
    m_delete->setToolTip(QStringLiteral("删除过期的买卖动态数据"));
    connectCommand(m_delete, m_frame, [this] { btnDelMainBuySaleClick(); });
    m_newestDay = new QPushButton(this);
    m_newestDay->setObjectName(QStringLiteral("btnNewestDay"));
    m_newestDay->hide();
    connect(m_newestDay, &QPushButton::clicked, this, [this] {
        const QDate day = m_newestDay->property("day").toDate();
        m_newestDay->hide();
        m_from->setChecked(true);
        m_to->setChecked(true);
        m_from->setDate(day);
        m_to->setDate(day);
        queryClick(QueryButton::All);
    });
    auto* backup = new QPushButton(QStringLiteral("备份数据库"), this);
    backup->setObjectName(QStringLiteral("btnCopyData"));
    connectCommand(backup, m_frame, [this] { btnCopyDataClick(); });

    // The main grid sits on the stock-code page; the page only feeds it. The grid shows
    // another model at times (the share-capital listing): what the user does on it counts
    // here only while it shows this page's rows.
    m_model = new QueryResultModel(this);
    m_model->setObjectName(QStringLiteral("QueryStChange"));
    m_grid = stocks.resultGrid();
    m_columnRoom = new ColumnRoom(*m_grid);
    m_stocks.showInResultGrid(m_model);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
    m_grid->setSortingEnabled(true);
    m_grid->setToolTip(resultWindowLook(ResultKind::TopFive).hint);
    addGridCommands(*m_grid, ResultKind::TopFive);
    m_host.memory().trackColumns(*m_grid, kMainGridKey);
    connect(m_grid, &QTableView::doubleClicked, this, &QueryPage::dbGridTop5ListDblClick);
    connect(&stocks, &StockCodePage::resultRowChanged, this, [this](const QModelIndex& current) {
        if (current.isValid() && current.model() == m_model)
            QueryStChangeAfterScroll(m_model->rowValues(current.row()));
    });

    connect(m_thresholdKind, &QPushButton::clicked, this, &QueryPage::btnMainSaleTypeClick);
    connect(m_mainBuySale, &QCheckBox::toggled, this, &QueryPage::chkMainBuySaleClick);
    connect(m_stockGiven, &QCheckBox::clicked, this, &QueryPage::chkStockCodeClick);
    connect(m_stockGiven, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_pickingStock)
            m_stockTickedByUser = on;
    });
    connect(m_departments, &QComboBox::activated, this, &QueryPage::ListBoxDepartmentClick);
    connect(m_departments->completer(), qOverload<const QString&>(&QCompleter::activated), this,
            [this](const QString& text) {
                selectDepartmentText(text);
                ListBoxDepartmentClick();
            });
    connect(m_departments->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        // A text that names no item goes back to the item chosen.
        if (m_departments->findText(m_departments->currentText(), Qt::MatchExactly) < 0)
            m_departments->setEditText(m_departments->itemText(m_departments->currentIndex()));
    });
    connect(m_reloadDepartments, &QPushButton::clicked, this, &QueryPage::btnRefreshDepartmentClick);
    for (CheckedDatePicker* picker : {m_from, m_to}) {
        connect(picker, &CheckedDatePicker::clicked, this,
                [this, picker] { m_frame.ShowPrompt(picker->toolTip()); });
        connect(picker->edit(), &DateBox::textRejected, this,
                [this](const QString& message) { m_frame.ShowPrompt(message); });
    }
    connect(m_threshold, &QSpinBox::valueChanged, this, [this] { m_frame.ShowPrompt(kThresholdHint); });
    connect(m_to->edit(), &DateBox::dateChanged, this, [this](const QDate& day) {
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
    housekeeping->addWidget(m_newestDay);
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
    page.departmentItem = m_departments->currentIndex() > 0
                              ? m_departments->itemText(m_departments->currentIndex())
                              : QString();
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
    if (first.isValid() && m_from->date() > first)
        m_from->setDate(first);
    if (last.isValid() && m_to->date() < last)
        m_to->setDate(last);
}

void QueryPage::chooseGivenStock() {
    if (!m_stockGiven->isChecked()) {
        m_pickingStock = true;
        m_stockGiven->setChecked(true);
        m_pickingStock = false;
    }
    chkStockCodeClick();
}

void QueryPage::showStoredResults(const DateRange& days) {
    // The run may have stored older days than the range shows.
    widenDates(days.from, days.to);
    m_mainBuySale->setChecked(false);
    m_stockGiven->setChecked(false);
    m_departmentGiven->setChecked(false);
    m_from->setChecked(true);
    m_to->setChecked(true);
    m_queryButtons.at(static_cast<int>(QueryButton::All))->click();
}

ResultWindowContext QueryPage::windowContext() {
    return ResultWindowContext{
        m_db, m_frame, [this](const QVariantList& row) { QueryStChangeAfterScroll(row); }, &m_host.memory(),
        [this](QTableView& grid, ResultKind kind) { addGridCommands(grid, kind); }};
}

TFormCodeDepart* QueryPage::resultWindow(QPointer<TFormCodeDepart>& slot, ResultKind kind) {
    if (!slot)
        slot = new TFormCodeDepart(kind, windowContext(), m_windowOwner);
    return slot;
}

void QueryPage::showInWindow(QPointer<TFormCodeDepart>& slot, ResultKind kind,
                             const ComposedStatement& statement, const QString& caption) {
    TFormCodeDepart* window = resultWindow(slot, kind);
    if (!caption.isEmpty())
        window->setCaption(caption);
    // Put away, not closed: the window stays the page's for the next query.
    if (!window->open(statement)) {
        window->hide();
        return;
    }
    if (!window->hasRows()) {
        // Nothing came: the window of the last query would only mislead.
        m_frame.ShowPrompt(kNoRowsMessage);
        window->hide();
        return;
    }
    if (kind == ResultKind::TopFive)
        m_host.showContentPage(ContentPage::StockCode);
    window->show();
    window->raise();
    Q_EMIT resultWindowOpened(window);
}

void QueryPage::showMainResultCount() {
    m_stocks.setResultCount(m_model->hasStatement() ? rowCountText(m_model->totalRows()) : QString());
}

void QueryPage::queryClick(QueryButton button) {
    m_frame.ShowPrompt(m_queryButtons.at(static_cast<int>(button))->toolTip());
    if (!m_db.DBOpened())
        return;
    const OperatorQuery page = state();
    const OperatorStatements statements = composeOperatorQueryFor(m_db, page, button);
    const int bits = page.targetBits();
    bool mainGridEmpty = false;
    m_newestDay->hide();

    // The main result: the main grid, or a window of its own when a stock or a department
    // was given.
    if (bits != 0) {
        showInWindow(m_mainWindow, ResultKind::TopFive, statements.main, resultCaption(bits));
    } else {
        m_stocks.showInResultGrid(m_model);
        m_grid->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
        if (!m_model->open(m_db, statements.main)) {
            m_frame.notify(QStringLiteral("数据查询出错: %1").arg(databaseErrorText(m_model->error())));
            m_model->close();
            showMainResultCount();
            return;
        }
        showMainResultCount();
        if (m_model->hasRows()) {
            m_host.showContentPage(ContentPage::StockCode);
            m_host.hideFunctionPanel();
            sizeResultColumns(*m_grid, &m_host.memory(), kMainGridKey);
            // The figures a user came for stand right of the department: the stock list
            // beside the grid gives way to them.
            m_columnRoom->makeRoom();
            m_grid->setCurrentIndex(m_model->index(0, 0));
        } else {
            m_frame.ShowPrompt(kNoRowsMessage);
            m_model->close();
            mainGridEmpty = true;
        }
    }

    // The block trades come in a window of their own, the same one for every query.
    showInWindow(m_tradesWindow, ResultKind::BlockTrades, statements.blockTrades, QString());
    if (mainGridEmpty)
        offerNewestDay();
}

void QueryPage::offerNewestDay() {
    m_newestDay->hide();
    const OperatorQuery page = state();
    if (page.mainBuySale)
        return;
    const std::optional<QDate> newest = newestChangeDay(m_db);
    if (!newest || !newest->isValid())
        return;
    const bool leftOut = (page.fromTicked && *newest < page.from) || (page.toTicked && *newest > page.to);
    if (!leftOut)
        return;
    const QString day = newest->toString(QStringLiteral("yyyy-MM-dd"));
    m_frame.ShowPrompt(kNoRowsMessage + QStringLiteral("。数据库中最新的数据是%1的").arg(day));
    m_newestDay->setText(QStringLiteral("查看%1的数据").arg(day));
    m_newestDay->setToolTip(QStringLiteral("把开始日期和结束日期都设为%1并查询全部数据").arg(day));
    m_newestDay->setProperty("day", *newest);
    m_newestDay->show();
}

void QueryPage::btnRefreshDepartmentClick() {
    if (!m_db.DBOpened())
        return;
    QString error;
    const std::optional<QStringList> names = loadDepartmentNames(m_db, &error);
    if (!names) {
        m_frame.ShowPrompt(QStringLiteral("读取营业部列表出错: %1").arg(databaseErrorText(error)));
        return;
    }
    const DepartmentListNames sorted = sortDepartmentNames(*names);
    const QString first = m_departments->itemText(0);
    m_departments->clear();
    m_departments->addItem(first);
    m_departments->addItems(sorted.departments);
    // The change descriptions come after a line, apart from the departments.
    if (!sorted.descriptions.isEmpty()) {
        m_departments->insertSeparator(m_departments->count());
        m_departments->addItems(sorted.descriptions);
    }
    m_departments->setCurrentIndex(0);
    m_departmentGiven->setChecked(false);
    // The names are all listed now: the next reload waits for new ones.
    m_reloadDepartments->setEnabled(false);
}

void QueryPage::refreshDepartmentsIfNew() {
    if (m_reloadDepartments->isEnabled())
        btnRefreshDepartmentClick();
}

void QueryPage::enableDepartmentReload() {
    m_reloadDepartments->setEnabled(true);
}

void QueryPage::selectDepartmentText(const QString& text) {
    const int index = m_departments->findText(text, Qt::MatchExactly);
    if (index > 0)
        m_departments->setCurrentIndex(index);
}

void QueryPage::restoreFilters() {
    WindowMemory& memory = m_host.memory();
    const auto flag = [&memory](const char* name, QCheckBox* box) {
        if (const auto value = memory.filter(QString::fromLatin1(name)))
            box->setChecked(value->toInt() != 0);
    };
    flag("StockGiven", m_stockGiven);
    flag("FromTicked", m_from->checkBox());
    flag("ToTicked", m_to->checkBox());
    flag("MainBuySale", m_mainBuySale);
    flag("SortOnAmount", m_sortOnAmount);
    if (const auto value = memory.filter(QStringLiteral("Threshold")))
        m_threshold->setValue(value->toInt());
    if (const auto value = memory.filter(QStringLiteral("ThresholdKind"))) {
        const int wanted = value->toInt();
        for (int i = 0; i < 4 && m_kindTag != wanted; ++i)
            btnMainSaleTypeClick();
    }
    if (const auto value = memory.filter(QStringLiteral("Department")); value && !value->isEmpty()) {
        selectDepartmentText(*value);
        flag("DepartmentGiven", m_departmentGiven);
        if (m_departments->currentIndex() <= 0)
            m_departmentGiven->setChecked(false);
    }
}

void QueryPage::rememberFilters() const {
    WindowMemory& memory = m_host.memory();
    const OperatorQuery page = state();
    memory.setFilter(QStringLiteral("StockGiven"), boolText(page.stockGiven && m_stockTickedByUser));
    memory.setFilter(QStringLiteral("FromTicked"), boolText(page.fromTicked));
    memory.setFilter(QStringLiteral("ToTicked"), boolText(page.toTicked));
    memory.setFilter(QStringLiteral("DepartmentGiven"), boolText(page.departmentGiven));
    memory.setFilter(QStringLiteral("Department"), page.departmentItem);
    memory.setFilter(QStringLiteral("MainBuySale"), boolText(page.mainBuySale));
    memory.setFilter(QStringLiteral("Threshold"), QString::number(page.threshold));
    memory.setFilter(QStringLiteral("ThresholdKind"), QString::number(page.thresholdKind));
    memory.setFilter(QStringLiteral("SortOnAmount"), boolText(page.sortOnAmount));
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
    m_stocks.followStock(cellText(row.at(0)), row.size() > 1 ? cellText(row.at(1)) : QString());
    const QString department = row.size() > 3 ? cellText(row.at(3)) : QString();
    if (department.isEmpty() || department == m_followedDepartment)
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
    TFormCodeDepart* window = TFormCodeDepart::drillDown(
        ResultKind::TopFive, cell.column(), m_model->rowValues(cell.row()), windowContext(), m_windowOwner);
    if (window)
        Q_EMIT resultWindowOpened(window);
    return window;
}

void QueryPage::addGridCommands(QTableView& grid, ResultKind kind) {
    QPointer<QTableView> view(&grid);
    // The row the menu was opened on: a right click makes its cell current.
    const auto current = [view]() -> std::pair<QVariantList, int> {
        auto* rows = view ? qobject_cast<QueryResultModel*>(view->model()) : nullptr;
        if (!rows || !view->currentIndex().isValid())
            return {};
        return {rows->rowValues(view->currentIndex().row()), view->currentIndex().column()};
    };
    const auto add = [&grid](const char* name, const QString& caption, std::function<void()> command) {
        auto* action = new QAction(caption, &grid);
        action->setObjectName(QString::fromLatin1(name));
        QObject::connect(action, &QAction::triggered, &grid, std::move(command));
        grid.addAction(action);
    };
    add("actDepartmentHistory", QStringLiteral("查看该营业部历史"), [this, current, kind] {
        auto [row, column] = current();
        if (row.isEmpty())
            return;
        // A block trade has two departments: the seller when its column was clicked.
        if (kind == ResultKind::BlockTrades && column == 7)
            row[3] = row.value(7);
        TFormCodeDepart* window =
            TFormCodeDepart::drillDown(ResultKind::TopFive, 3, row, windowContext(), m_windowOwner);
        if (window)
            Q_EMIT resultWindowOpened(window);
    });
    add("actStockHistory", QStringLiteral("查看该股龙虎榜"), [this, current] {
        const QVariantList row = current().first;
        if (row.isEmpty())
            return;
        TFormCodeDepart* window =
            TFormCodeDepart::drillDown(ResultKind::TopFive, 0, row, windowContext(), m_windowOwner);
        if (window)
            Q_EMIT resultWindowOpened(window);
    });
    add("actDailyBars", QStringLiteral("收盘数据"), [this, current] {
        const QVariantList row = current().first;
        if (row.isEmpty())
            return;
        m_stocks.followStock(cellText(row.at(0)), cellText(row.value(1)));
        m_host.hideFunctionPanel();
        m_stocks.btnLoadDailyClick();
    });
    add("actAddOwnStock", QStringLiteral("加入自选股"), [this, current] {
        const QVariantList row = current().first;
        if (!row.isEmpty())
            m_stocks.addStockToOwnList(cellText(row.at(0)));
    });
    add("actCopyCode", QStringLiteral("复制代码"), [current] {
        const QVariantList row = current().first;
        if (!row.isEmpty())
            QApplication::clipboard()->setText(cellText(row.at(0)));
    });
    auto* line = new QAction(&grid);
    line->setSeparator(true);
    grid.addAction(line);
}

void QueryPage::btnDelMainBuySaleClick() {
    m_host.showContentPage(ContentPage::StockCode);
    const OperatorQuery page = state();
    const FilteredDeleteOutcome outcome = m_services.jobs().deleteRows(page);
    if (outcome.failed()) {
        m_frame.notify(
            QStringLiteral("删除数据出错,没有删除任何数据: %1").arg(databaseErrorText(outcome.detail)));
        return;
    }
    if (!outcome.done())
        return;
    m_frame.ShowPrompt(QStringLiteral("已删除%1条数据").arg(outcome.rows));
    // The main grid shows what is left of the stored rows; the alerts it may not show.
    if (page.mainBuySale || !m_model->hasStatement())
        return;
    m_stocks.showInResultGrid(m_model);
    if (!m_model->reopen(m_db))
        m_frame.notify(QStringLiteral("数据查询出错: %1").arg(databaseErrorText(m_model->error())));
    showMainResultCount();
}

void QueryPage::btnCopyDataClick() {
    const DatabaseCopyOutcome outcome = m_services.jobs().backUp([this](const QString& proposed) {
        return m_host.chooseFile(QStringLiteral("备份数据库"), proposed);
    });
    switch (outcome.status) {
        case DatabaseCopyOutcome::Status::Copied:
            m_frame.ShowPrompt(QStringLiteral("数据库已备份到") + QDir::toNativeSeparators(outcome.target));
            break;
        case DatabaseCopyOutcome::Status::SamePath:
            m_frame.ShowPrompt(QStringLiteral("备份文件就是数据库文件本身,没有备份"));
            break;
        case DatabaseCopyOutcome::Status::Unsupported:
            m_frame.notify(QStringLiteral("数据保存在ODBC数据源%1中,程序无法按文件备份,没有备份任何数据。"
                                          "请用该数据源所在数据库自己的备份工具备份。")
                               .arg(m_services.storeLocation().displayName()));
            break;
        case DatabaseCopyOutcome::Status::Failed:
            // Cancelled, or refused while another job runs: nothing to say beyond the prompt.
            if (outcome.failed())
                m_frame.notify(QStringLiteral("数据库备份失败,没有备份任何数据: %1").arg(outcome.error));
            break;
    }
    if (!outcome.settingsError.isEmpty())
        m_frame.notify(QStringLiteral("无法记下备份文件夹: %1").arg(outcome.settingsError));
}

}  // namespace quarrow
