#include "gui/StockCodePage.h"

#include "app/StockCode.h"
#include "gui/DailyViewerPanel.h"
#include "gui/PageHost.h"
#include "gui/PageWidgets.h"
#include "gui/ResultGridPanel.h"
#include "gui/ShareCapitalListing.h"
#include "gui/StockListPanel.h"
#include "gui/WindowMemory.h"
#include "program/ProgramServices.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/StockListLoader.h"

#include <QAction>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace quarrow {

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
    m_lists = new StockListPanel(services.stocks(), left);
    connect(m_lists, &StockListPanel::stockRowChosen, this,
            [this](int row) { pick([&] { m_picker.pickListEntry(row); }); });
    connect(m_lists, &StockListPanel::ownStockClicked, this, &StockCodePage::ListSelfStockClick);
    connect(m_lists, &StockListPanel::addListStockClicked, this, &StockCodePage::btnSelfStockClick);
    connect(m_lists, &StockListPanel::addResultStockClicked, this, &StockCodePage::lblAddToSelfClick);
    connect(m_lists, &StockListPanel::removeOwnStockClicked, this, &StockCodePage::btnDelSelfStockClick);
    connect(m_lists, &StockListPanel::addCurrentDoubleClicked, this, &StockCodePage::pnlStockNameDblClick);

    m_daily = new DailyViewerPanel(services, left);
    connect(m_daily, &DailyViewerPanel::closeClicked, this, &StockCodePage::btnCloseDailyClick);
    connect(m_daily, &DailyViewerPanel::daysStepped, this, &StockCodePage::UpDownDaysChangingEx);

    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(m_lists);
    leftLayout->addWidget(m_daily);

    m_results = new ResultGridPanel(this);
    connect(m_results, &ResultGridPanel::currentRowChanged, this, &StockCodePage::resultRowChanged);
    m_capital = new ShareCapitalListing(services, host, *m_results, this);

    // The user may give the result grid more room than the lists.
    auto* split = named(new QSplitter(Qt::Horizontal, this), "StockCodeSplit");
    split->addWidget(left);
    split->addWidget(m_results);
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
    m_lists->reload([] {});
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

QTableView* StockCodePage::resultGrid() const {
    return m_results->grid();
}

void StockCodePage::showInResultGrid(QAbstractItemModel* rows) {
    m_results->showRows(rows);
}

DailyBarGrid* StockCodePage::dailyGrid() const {
    return m_daily->grid();
}

StockChart* StockCodePage::dailyChart() const {
    return m_daily->chart();
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
        m_lists->scrollToRow(m_picker.listTopIndex());
}

void StockCodePage::showPicked() {
    m_links.code->setText(m_picker.codeText());
    m_links.name->setText(m_picker.name());
    m_links.name->setToolTip(m_picker.prefixedCode());
}

// --- the all-stocks list -------------------------------------------------------------

void StockCodePage::reloadList(const std::function<void()>& load) {
    try {
        m_lists->reload(load);
    } catch (const RecordFileError& error) {
        m_services.frame().ShowPrompt(error.message());
    }
    m_services.stocks().setComplete(true);
    selectFirstStock();
}

void StockCodePage::selectFirstStock() {
    if (m_services.stocks().isEmpty())
        return;
    m_lists->selectRow(0);
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
    m_capital->importShareCapital();
}

void StockCodePage::listShareCapital(bool currentStockOnly) {
    m_capital->listShareCapital(currentStockOnly ? std::optional<QString>(currentCodeText()) : std::nullopt);
}

void StockCodePage::setResultCount(const QString& text) {
    m_results->setCount(text);
}

void StockCodePage::menuRefreshNameClick() {
    m_capital->refreshNames();
}

// --- the daily-bar viewer ----------------------------------------------------------------

void StockCodePage::btnLoadDailyClick() {
    const QString prefixedCode = m_picker.prefixedCode();
    const QString path = QuotePaths::dailyBarFile(quoteFolder(), prefixedCode);
    if (prefixedCode.size() != 8 || !QFileInfo::exists(path))
        return;
    m_lists->hide();
    m_host.showContentPage(ContentPage::StockCode);
    m_services.frame().setStatusPanel(StatusPanel::Message, path);
    m_daily->showStock(prefixedCode, m_links.lastDays->value());
}

void StockCodePage::LoadDailyData(const QString& pStCode) {
    if (m_daily->isOpen() && pStCode != currentCodeText())
        btnLoadDailyClick();
}

void StockCodePage::UpDownDaysChangingEx(int step) {
    QSpinBox* days = m_links.lastDays;
    const int before = days->value();
    days->setValue(before + step);
    if (days->value() == before)
        return;
    m_daily->setDaysHint(QStringLiteral("调阅最近") + QString::number(days->value()) +
                         QStringLiteral("天的收盘数据"));
    btnLoadDailyClick();
}

void StockCodePage::btnCloseDailyClick() {
    m_daily->closeViewer();
    m_lists->show();
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

void StockCodePage::refreshOwnList() {
    m_lists->showOwnStocks(m_services.ownStocks().items());
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
    const int row = m_lists->currentRow();
    if (m_services.stocks().isEmpty() || row < 0)
        return;
    addToOwnList(m_services.stocks().at(row).key);
}

void StockCodePage::lblAddToSelfClick() {
    const QAbstractItemModel* rows = resultGrid()->model();
    if (!m_services.store().DBOpened() || !rows || rows->rowCount() == 0)
        return;
    const int row = std::max(0, resultGrid()->currentIndex().row());
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
    const QString selected = m_lists->currentOwnStock(true);
    if (!selected.isEmpty())
        removeFromOwnList(selected);
}

void StockCodePage::ListSelfStockClick() {
    const QString current = m_lists->currentOwnStock(false);
    if (current.isEmpty())
        return;
    m_links.code->setText(current.right(6));
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
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quarrow
