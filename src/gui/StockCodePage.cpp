#include "gui/StockCodePage.h"

#include "app/StockCode.h"
#include "gui/DailyBarGrid.h"
#include "gui/FormCodeDepart.h"
#include "gui/GridExport.h"
#include "gui/PageHost.h"
#include "gui/PageWidgets.h"
#include "gui/ResultFormat.h"
#include "gui/StockChart.h"
#include "gui/StockListModel.h"
#include "gui/WindowMemory.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/ShareCapital.h"
#include "quotefiles/StockListLoader.h"
#include "store/StockTable.h"

#include <QAction>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <limits>

namespace quarrow {

namespace {

constexpr int kCodeColumnWidth = 70;
constexpr int kNameColumnWidth = 80;
constexpr int kArrowsWidth_px = 20;
constexpr int kOwnListWidth_px = 110;
constexpr int kCapitalSortRole = Qt::UserRole + 2;

// The page's small commands look like the labels they always were: flat, a hand cursor.
QPushButton* labelButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = named(new QPushButton(caption, parent), name);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

}  // namespace

StockCodePage::StockCodePage(ProgramServices& services, PageHost& host, StockCodePageLinks links,
                             QWidget* parent)
    : QWidget(parent),
      m_services(services),
      m_host(host),
      m_links(links),
      m_picker(services.stocks(), &services.store(), services.frame()) {
    setObjectName(QStringLiteral("TabSheetStockCode"));
    setWindowTitle(QStringLiteral("股票代码和大笔买卖查询"));
    // The query page hears of the stock once the toolbar shows it: its prompt names the
    // stock, and the documents it lists are the stock's.
    m_picker.onShowOnQueryPage = [this](bool withDocuments) { m_chosenForQuery = withDocuments; };

    auto* left = named(new QWidget(this), "PanelStockLeft");
    m_codeNamePanel = named(new QWidget(left), "PanelCodeName");
    m_listModel = new StockListModel(services.stocks(), this);
    m_list = named(new QTableView(m_codeNamePanel), "ListStCodeName");
    m_list->setModel(m_listModel);
    m_list->setToolTip(QStringLiteral("为全部股票列表(sz为深证所股票,sh为上证所股票)"));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->setColumnWidth(0, kCodeColumnWidth);
    m_list->setColumnWidth(1, kNameColumnWidth);
    m_list->setFixedWidth(kCodeColumnWidth + kNameColumnWidth +
                          m_list->verticalScrollBar()->sizeHint().width() + 2 * m_list->frameWidth());
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (m_loading || !current.isValid())
                    return;
                pick([&] { m_picker.pickListEntry(current.row()); });
            });

    m_own = named(new QListWidget(m_codeNamePanel), "ListSelfStock");
    m_own->setToolTip(QStringLiteral("为自选股票"));
    // A prefixed code and a name of four characters whole, beside the scroll bar.
    m_own->setFixedWidth(std::max(
        kOwnListWidth_px, m_own->fontMetrics().horizontalAdvance(QStringLiteral("sh600000 中国平安")) +
                              m_own->verticalScrollBar()->sizeHint().width() + 2 * m_own->frameWidth() + 8));
    connect(m_own, &QListWidget::itemClicked, this, &StockCodePage::ListSelfStockClick);
    auto* addOwn = labelButton(m_codeNamePanel, "btnSelfStock", QStringLiteral("> 加入到自选股 >"));
    auto* addFromQuery = labelButton(m_codeNamePanel, "lblAddToSelf", QStringLiteral("< 加入到自选股 <"));
    auto* delLeft = labelButton(m_codeNamePanel, "btnDelSelfStock", QStringLiteral("< 取消一只自选股 <"));
    auto* delRight = labelButton(m_codeNamePanel, "lblDelSelfStock", QStringLiteral("> 取消一只自选股 >"));
    // The arrows point from where a stock comes to where it goes: the stock list on the
    // left, the own list on the right, the query's grid below.
    addOwn->setToolTip(QStringLiteral("把左边股票列表中选中的股票加入右边的自选股"));
    addFromQuery->setToolTip(QStringLiteral("把下方查询结果中当前行的股票加入自选股"));
    delLeft->setToolTip(QStringLiteral("从自选股中删去选中的股票"));
    delRight->setToolTip(QStringLiteral("从自选股中删去选中的股票"));
    auto* addCurrent = named(new QLabel(QStringLiteral("←加到自选股"), m_codeNamePanel), "pnlAddToSelf");
    addCurrent->setFrameShape(QFrame::Panel);
    addCurrent->setToolTip(QStringLiteral("双击加到自选股"));
    addCurrent->installEventFilter(this);
    connect(addOwn, &QPushButton::clicked, this, &StockCodePage::btnSelfStockClick);
    connect(addFromQuery, &QPushButton::clicked, this, &StockCodePage::lblAddToSelfClick);
    connect(delLeft, &QPushButton::clicked, this, &StockCodePage::btnDelSelfStockClick);
    connect(delRight, &QPushButton::clicked, this, &StockCodePage::btnDelSelfStockClick);

    auto* commands = new QVBoxLayout;
    commands->addStretch();
    for (QWidget* widget :
         std::initializer_list<QWidget*>{addOwn, delRight, addFromQuery, delLeft, addCurrent})
        commands->addWidget(widget);
    commands->addStretch();
    auto* panelLayout = new QHBoxLayout(m_codeNamePanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(m_list);
    panelLayout->addLayout(commands);
    panelLayout->addWidget(m_own);

    m_daily = new DailyBarGrid(left);
    m_closeDaily = named(new QToolButton(m_daily), "btnCloseDaily");
    m_closeDaily->setText(QStringLiteral("X"));
    m_closeDaily->setToolTip(QStringLiteral("关闭此数据窗口"));
    m_closeDaily->hide();
    connect(m_closeDaily, &QToolButton::clicked, this, &StockCodePage::btnCloseDailyClick);
    m_upDownDays = named(new QSpinBox(m_daily), "UpDownDays");
    m_upDownDays->setRange(-1000000000, 1000000000);
    m_upDownDays->setToolTip(QStringLiteral("设置数据天数"));
    m_upDownDays->hide();
    connect(m_upDownDays, &QSpinBox::valueChanged, this, &StockCodePage::UpDownDaysChangingEx);
    // The close button is the window's cancel button: Esc closes the viewer.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_closeDaily->isVisible())
            m_closeDaily->click();
    });

    m_dailyChart = new StockChart(left);
    m_dailyChart->setObjectName(QStringLiteral("chartDaily"));
    m_dailyChart->hide();

    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(m_codeNamePanel);
    leftLayout->addWidget(m_daily);
    leftLayout->addWidget(m_dailyChart);

    auto* results = new QWidget(this);
    m_resultGrid = named(new QTableView(results), "dbGridTop5List");
    m_resultGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_resultGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_resultCount = named(new QLabel(results), "lblResultCount");
    m_capitalRows = new QStandardItemModel(this);
    auto* resultLayout = new QVBoxLayout(results);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    resultLayout->addWidget(m_resultGrid, 1);
    resultLayout->addWidget(m_resultCount);

    // The user may give the result grid more room than the lists.
    auto* split = named(new QSplitter(Qt::Horizontal, this), "StockCodeSplit");
    split->addWidget(left);
    split->addWidget(results);
    split->setStretchFactor(1, 1);
    split->setCollapsible(0, false);
    // The lists as narrow as they allow, the rest for the results' figures, until the user
    // moves the bar.
    split->setSizes({left->minimumSizeHint().width(), QWIDGETSIZE_MAX / 2});
    m_host.memory().trackSplitter(*split);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(split);

    m_links.code->installEventFilter(this);
    m_links.code->setMaxLength(6);
    m_links.code->setToolTip(QStringLiteral("当前股票代码"));
    m_links.name->setToolTip(QStringLiteral("双击加到自选股"));
    m_links.name->installEventFilter(this);
}

void StockCodePage::addMenuCommands(QMenu* menu) {
    const auto command = [&](const char* name, const QString& caption, const QString& hint,
                             void (StockCodePage::*slot)()) {
        QAction* action = named(menu->addAction(caption), name);
        action->setToolTip(hint);
        action->setStatusTip(hint);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    command("menuLoadStockCodes", QStringLiteral("装入股票代码(&L)"), QStringLiteral("装入股票代码"),
            &StockCodePage::menuLoadStockCodesClick);
    m_listCommands = {
        command("btnLoadCodeName", QStringLiteral("从股票行情中装入股票代码(&C)"),
                QStringLiteral("从华林行情中装入最新股票代码数据"), &StockCodePage::btnLoadCodeNameClick),
        command("btnMyselfCodeName", QStringLiteral("装入自制股票代码表(&M)"),
                QStringLiteral("从STCodeName.txt中读取自己收集的代码表,需要手动增加新股"),
                &StockCodePage::btnMyselfCodeNameClick)};
    command("menuSaveSelfCode", QStringLiteral("保存自制股票代码表(&S)"),
            QStringLiteral("将从东方证券网站上取得的股票代码存入文件中"),
            &StockCodePage::menuSaveSelfCodeClick);
    menu->addSeparator();
    command("MenuLoadStockQTY", QStringLiteral("从股票行情中装入股本数据(&G)"),
            QStringLiteral("将获取的股本和流通股数据存入数据库中"), &StockCodePage::MenuLoadStockQTYClick);
    command("menuRefreshName", QStringLiteral("更新数据库中股票名称(&N)"), QString(),
            &StockCodePage::menuRefreshNameClick);
}

void StockCodePage::listsLoaded() {
    m_listModel->reload([] {});
    selectFirstStock();
    refreshOwnList();
}

QString StockCodePage::quoteFolder() const {
    return m_services.setup().QuoteFolder();
}

QString StockCodePage::currentCodeText() const {
    return m_links.code->text().trimmed();
}

QString StockCodePage::currentCode() const {
    return currentCodeText();
}

QString StockCodePage::currentName() const {
    return m_links.name->text();
}

void StockCodePage::showInResultGrid(QAbstractItemModel* rows) {
    if (m_resultGrid->model() == rows)
        return;
    // A model comes with a selection model of its own; the old one would go on following
    // a model the grid no longer shows.
    QItemSelectionModel* previous = m_resultGrid->selectionModel();
    m_resultGrid->setModel(rows);
    delete previous;
    connect(m_resultGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { Q_EMIT resultRowChanged(current); });
}

void StockCodePage::pick(const std::function<void()>& step) {
    m_picker.setCodeText(currentCodeText());
    m_chosenForQuery.reset();
    step();
    showPicked();
    if (const std::optional<bool> withDocuments = std::exchange(m_chosenForQuery, std::nullopt))
        Q_EMIT stockChosenForQuery(*withDocuments);
}

void StockCodePage::scrollListToPicked() {
    if (m_services.stocks().indexOf(m_picker.prefixedCode()) >= 0 && !m_picker.name().trimmed().isEmpty())
        m_list->scrollTo(m_listModel->index(m_picker.listTopIndex(), 0), QAbstractItemView::PositionAtTop);
}

void StockCodePage::showPicked() {
    m_links.code->setText(m_picker.codeText());
    m_links.name->setText(m_picker.name());
    m_links.name->setToolTip(m_picker.prefixedCode());
}

// --- the all-stocks list -------------------------------------------------------------

void StockCodePage::reloadList(const std::function<void()>& load) {
    m_loading = true;
    try {
        m_listModel->reload(load);
    } catch (const RecordFileError& error) {
        m_services.frame().ShowPrompt(error.message());
    }
    m_loading = false;
    m_services.stocks().setComplete(true);
    selectFirstStock();
}

void StockCodePage::selectFirstStock() {
    if (m_services.stocks().isEmpty())
        return;
    m_loading = true;
    m_list->setCurrentIndex(m_listModel->index(0, 0));
    m_list->scrollToTop();
    m_loading = false;
    m_picker.listLoaded();
    showPicked();
}

void StockCodePage::btnLoadCodeNameClick() {
    reloadList([this] {
        StockListLoader(m_services.frame()).loadFromNameTables(quoteFolder(), m_services.stocks());
    });
}

void StockCodePage::btnMyselfCodeNameClick() {
    const QString file = m_services.folder().filePath(handKeptTableName());
    if (!QFileInfo::exists(file)) {
        // Said on the prompt line; the list and the current stock stay.
        StockListLoader(m_services.frame()).loadHandKept(file, m_services.stocks());
        return;
    }
    m_host.showContentPage(ContentPage::StockCode);
    reloadList([&] { StockListLoader(m_services.frame()).loadHandKept(file, m_services.stocks()); });
}

void StockCodePage::menuSaveSelfCodeClick() {
    const QStringList pasted = m_links.capture->toPlainText().split(QLatin1Char('\n'));
    StockListLoader(m_services.frame())
        .saveHandKeptFromWebText(pasted, m_services.folder().filePath(handKeptTableName()), nullptr,
                                 [this](const QStringList& lines) {
                                     // The right-hand area shows what will be saved, for the user to check.
                                     m_services.frame().clearLog();
                                     for (const QString& line : lines)
                                         m_services.frame().addLog(line, LogColor::Default);
                                 });
}

void StockCodePage::menuLoadStockCodesClick() {
    m_host.hideFunctionPanel();
    m_host.showContentPage(ContentPage::StockCode);
    btnCloseDailyClick();
}

// --- share capital ---------------------------------------------------------------------

void StockCodePage::MenuLoadStockQTYClick() {
    m_host.showContentPage(ContentPage::StockDoc);
    if (!QFileInfo::exists(QuotePaths::baseDbfFile(quoteFolder()))) {
        m_services.frame().ShowPrompt(QuotePaths::baseDbfFile(quoteFolder()) +
                                      QStringLiteral(" 不存在!需要安装华林证券或东方证券行情分析软件"));
        return;
    }
    m_services.frame().showCapture({});
    try {
        ShareCapital capital(&m_services.store(), m_services.frame(), m_services.platform().clock());
        const CapitalImportResult result = capital.importShareCapital(quoteFolder(), m_services.stocks());
        m_services.frame().showCapture(result.memo);
    } catch (const RecordFileError& error) {
        m_services.frame().ShowPrompt(error.message());
    }
}

void StockCodePage::listShareCapital(bool currentStockOnly) {
    m_host.showContentPage(ContentPage::StockCode);
    if (!m_services.store().DBOpened())
        return;
    QString error;
    const std::optional<QList<CapitalRow>> rows =
        shareCapitalRows(m_services.store(),
                         currentStockOnly ? std::optional<QString>(currentCodeText()) : std::nullopt, &error);
    if (!rows) {
        m_services.frame().ShowPrompt(QStringLiteral("读取股本数据出错:") + error);
        return;
    }
    m_capitalRows->clear();
    m_capitalRows->setHorizontalHeaderLabels(shareCapitalTitles());
    // A click on a title sorts the figures by their value, not their text.
    m_capitalRows->setSortRole(kCapitalSortRole);
    const auto textItem = [](const QString& text) {
        auto* item = new QStandardItem(text);
        item->setData(text, kCapitalSortRole);
        return item;
    };
    const auto figureItem = [](const std::optional<Money>& shares) {
        auto* item = new QStandardItem;
        if (!shares) {
            item->setData(QString(), kCapitalSortRole);
            return item;
        }
        item->setText(figureText(shares->toDouble(), 2));
        item->setData(shares->toDouble(), kCapitalSortRole);
        item->setData(shares->toString(), GridExport::kExportRole);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return item;
    };
    for (const CapitalRow& row : *rows)
        m_capitalRows->appendRow({textItem(row.code), textItem(row.name), textItem(row.listed),
                                  figureItem(row.total), figureItem(row.tradable), textItem(row.refreshed)});
    m_resultGrid->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
    showInResultGrid(m_capitalRows);
    m_resultGrid->resizeColumnsToContents();
    setResultCount(rowCountText(m_capitalRows->rowCount()));
}

void StockCodePage::setResultCount(const QString& text) {
    m_resultCount->setText(text);
}

void StockCodePage::menuRefreshNameClick() {
    if (!m_services.store().DBOpened())
        return;
    m_host.showContentPage(ContentPage::StockDoc);
    m_services.frame().showCapture({});
    ShareCapital capital(&m_services.store(), m_services.frame(), m_services.platform().clock());
    m_services.frame().showCapture(capital.refreshNames(m_services.stocks()));
}

// --- the daily-bar viewer ----------------------------------------------------------------

void StockCodePage::layOutDailyOnce() {
    if (m_dailyLaidOut)
        return;
    m_dailyLaidOut = true;
    // Over the header row: the close box at its left, the arrows ending 2 pixels right of
    // the first column's border.
    const int headerHeight = m_daily->horizontalHeader()->sizeHint().height();
    const int frame = m_daily->frameWidth();
    m_closeDaily->setGeometry(frame + 2, frame + 2, headerHeight, headerHeight);
    m_upDownDays->setGeometry(frame + m_daily->columnWidth(0) - kArrowsWidth_px + 2, frame + 2,
                              kArrowsWidth_px, headerHeight);
}

void StockCodePage::btnLoadDailyClick() {
    const QString prefixedCode = m_picker.prefixedCode();
    const QString path = QuotePaths::dailyBarFile(quoteFolder(), prefixedCode);
    if (prefixedCode.size() != 8 || !QFileInfo::exists(path))
        return;
    m_codeNamePanel->hide();
    m_daily->show();
    m_closeDaily->show();
    m_upDownDays->show();
    m_closeDaily->raise();
    m_upDownDays->raise();
    layOutDailyOnce();
    m_host.showContentPage(ContentPage::StockCode);
    m_services.frame().setStatusPanel(StatusPanel::Message, path);
    try {
        const auto view = loadDailyRows(quoteFolder(), prefixedCode, m_links.lastDays->value());
        if (!view || view->rows.isEmpty())
            return;  // a count that leaves no rows keeps what the grid showed
        m_services.frame().setStatusPanel(StatusPanel::Pending, QString::number(view->rows.size()));
        m_daily->rows()->setRows(view->rows);
        drawDailyChart(prefixedCode, static_cast<int>(view->rows.size()));
    } catch (const RecordFileError& error) {
        m_services.frame().ShowPrompt(error.message());
    }
}

void StockCodePage::LoadDailyData(const QString& pStCode) {
    if (m_daily->isVisible() && pStCode != currentCodeText())
        btnLoadDailyClick();
}

void StockCodePage::UpDownDaysChangingEx(int newPosition) {
    const int step = newPosition > m_upDownPosition ? 1 : -1;
    m_upDownPosition = newPosition;
    QSpinBox* days = m_links.lastDays;
    const int before = days->value();
    days->setValue(before + step);
    if (days->value() == before)
        return;
    m_upDownDays->setToolTip(QStringLiteral("调阅最近") + QString::number(days->value()) +
                             QStringLiteral("天的收盘数据"));
    btnLoadDailyClick();
}

void StockCodePage::drawDailyChart(const QString& prefixedCode, int days) {
    // At least three months, so a few days in the grid still show where they stand; more
    // than half a year of candlesticks would be too thin to read.
    constexpr int kFewestBars = 60;
    constexpr int kMostBars = 120;
    StockChartData chart;
    chart.code = prefixedCode.mid(2);
    chart.bars = lastBars(quoteFolder(), chart.code, std::clamp(days, kFewestBars, kMostBars));
    if (const auto stored = storedDays(m_services.store(), chart.code, chart.bars))
        chart.anomalyDays = *stored;
    m_dailyChart->showData(chart, prefixedCode);
    m_dailyChart->show();
}

void StockCodePage::btnCloseDailyClick() {
    m_closeDaily->hide();
    m_dailyChart->hide();
    m_daily->hide();
    m_upDownDays->hide();
    m_codeNamePanel->show();
}

// --- the picker and the own list ---------------------------------------------------------

void StockCodePage::pnlStockNameClick() {
    pick([this] { m_picker.pickCode(PickSender::NamePanel); });
    scrollListToPicked();
}

void StockCodePage::edtStockCodeExit() {
    // Leaving the box without typing changes nothing, not even what the mining run showed.
    if (!m_picker.codeTyped())
        return;
    // A typed code is taken as a click on the name panel takes it.
    pick([this] { m_picker.applyTypedCode(); });
    scrollListToPicked();
}

void StockCodePage::showStock(const QString& code, const QString& name) {
    m_picker.showStock(code, name);
    showPicked();
}

void StockCodePage::followStock(const QString& code, const QString& rowName) {
    const QString before = currentCodeText();
    m_links.code->setText(code);
    // The name panel follows as when the mining run sets a stock: its name and its prefixed
    // code, which the viewer and the own list take, without the name panel's own extras.
    // A stock the list does not know (delisted, or no quote folder yet) keeps the name its
    // row carries instead of a complaint at every row.
    if (m_services.stocks().nameOf(PrefixCode(code)).trimmed().isEmpty() && !rowName.trimmed().isEmpty())
        showStock(code, rowName);
    else
        pick([this] { m_picker.pickCode(PickSender::None); });
    LoadDailyData(before);
}

void StockCodePage::addToOwnList(const QString& prefixedCode) {
    if (prefixedCode.isEmpty())
        return;
    QString error;
    if (m_services.ownStocks().add(prefixedCode, &error) == OwnStockList::Change::SaveFailed)
        m_services.frame().ShowPrompt(QStringLiteral("自选股保存出错:") + error);
    refreshOwnList();
}

void StockCodePage::removeFromOwnList(const QString& prefixedCode) {
    QString error;
    if (m_services.ownStocks().remove(prefixedCode, &error) == OwnStockList::Change::SaveFailed)
        m_services.frame().ShowPrompt(QStringLiteral("自选股保存出错:") + error);
    refreshOwnList();
}

QString StockCodePage::ownKey(const QListWidgetItem* item) {
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void StockCodePage::refreshOwnList() {
    const QString selected = ownKey(m_own->currentItem());
    m_own->clear();
    // A bare code says little: each line names its stock as the stock list does.
    for (const QString& key : m_services.ownStocks().items()) {
        const QString name = m_services.stocks().nameOf(key).trimmed();
        auto* item = new QListWidgetItem(name.isEmpty() ? key : key + QLatin1Char(' ') + name, m_own);
        item->setData(Qt::UserRole, key);
        if (!selected.isEmpty() && key == selected)
            m_own->setCurrentItem(item);
    }
}

void StockCodePage::addStockToOwnList(const QString& code) {
    const QString prefixedCode = PrefixCode(code.trimmed());
    if (!isStockCode(code.trimmed()) || m_services.stocks().indexOf(prefixedCode) < 0) {
        m_services.frame().ShowPrompt(QStringLiteral("没有与") + code +
                                      QStringLiteral("对应的股票,不能加到自选股"));
        return;
    }
    addToOwnList(prefixedCode);
    m_services.frame().ShowPrompt(prefixedCode + QStringLiteral("已加到自选股"));
}

void StockCodePage::btnSelfStockClick() {
    const QModelIndex current = m_list->currentIndex();
    if (m_services.stocks().isEmpty() || !current.isValid())
        return;
    addToOwnList(m_services.stocks().at(current.row()).key);
}

void StockCodePage::lblAddToSelfClick() {
    const QAbstractItemModel* rows = m_resultGrid->model();
    if (!m_services.store().DBOpened() || !rows || rows->rowCount() == 0)
        return;
    const int row = std::max(0, m_resultGrid->currentIndex().row());
    addToOwnList(PrefixCode(rows->index(row, 0).data().toString().trimmed()));
}

void StockCodePage::pnlStockNameDblClick() {
    // The hint holds whatever the code box held, a partial code too; the own list, which
    // the mining run walks, takes only a complete code of a known stock.
    const QString prefixedCode = m_picker.prefixedCode();
    if (!isStockCode(prefixedCode.mid(2)) || m_services.stocks().indexOf(prefixedCode) < 0) {
        m_services.frame().ShowPrompt(QStringLiteral("没有与") + m_picker.codeText() +
                                      QStringLiteral("对应的股票,不能加到自选股"));
        return;
    }
    addToOwnList(prefixedCode);
}

void StockCodePage::btnDelSelfStockClick() {
    if (m_own->count() == 0 || !m_own->currentItem() || !m_own->currentItem()->isSelected())
        return;
    removeFromOwnList(ownKey(m_own->currentItem()));
}

void StockCodePage::ListSelfStockClick() {
    if (!m_own->currentItem())
        return;
    m_links.code->setText(ownKey(m_own->currentItem()).right(6));
    pnlStockNameClick();
}

bool StockCodePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_links.code) {
        if (event->type() == QEvent::FocusIn) {
            // The user's own step into the box, not the window taking the focus as it opens,
            // which would hide the start's prompt.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
                reason == Qt::BacktabFocusReason)
                m_services.frame().ShowPrompt(m_links.code->toolTip());
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                edtStockCodeExit();
            else if (!key->text().isEmpty())
                m_picker.markCodeTyped();
        } else if (event->type() == QEvent::FocusOut) {
            edtStockCodeExit();
        }
    } else if (watched == m_links.name) {
        if (event->type() == QEvent::MouseButtonRelease)
            pnlStockNameClick();
        else if (event->type() == QEvent::MouseButtonDblClick)
            pnlStockNameDblClick();
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        pnlStockNameDblClick();  // the panel "←加到自选股"
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quarrow
