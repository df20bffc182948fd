#include "gui/RelayPage.h"

#include "app/AppFrame.h"
#include "gui/PageHost.h"
#include "gui/PageWidgets.h"
#include "program/ProgramServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace quarrow {

namespace {

const QString kNicknameHint = QStringLiteral("为股票动态信息收取QQ,必须为昵称而非QQ号");
const QString kStartCaption = QStringLiteral("启动QQ监视");
const QString kStopCaption = QStringLiteral("关停QQ监视");

QSpinBox* spinBox(QWidget* parent, const char* name, int low, int high, int step, int value) {
    auto* box = named(new QSpinBox(parent), name);
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setValue(value);
    return box;
}

}  // namespace

NicknameEdit::NicknameEdit(const char* name, QWidget* parent) : QLineEdit(parent) {
    setObjectName(QString::fromLatin1(name));
    setToolTip(kNicknameHint);
    setPlaceholderText(QStringLiteral("(输入QQ昵称)"));
}

void NicknameEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_edited = true;
        commit();
        return;
    }
    m_edited = true;
    QLineEdit::keyPressEvent(event);
}

void NicknameEdit::focusOutEvent(QFocusEvent* event) {
    commit();
    QLineEdit::focusOutEvent(event);
}

void NicknameEdit::commit() {
    if (!m_edited)
        return;
    m_edited = false;
    Q_EMIT committed(text().trimmed());
}

RelayPage::RelayPage(ProgramServices& services, PageHost& host, QWidget* parent)
    : QWidget(parent), m_services(services), m_host(host), m_frame(services.frame()) {
    setObjectName(QStringLiteral("TabSheetSendToQQ"));
    setWindowTitle(QStringLiteral("主力买卖QQ秀"));
    const WatchSelection watch;
    const RelaySettings relay;

    m_below = checkBox(this, "chkQQStockBelow", QStringLiteral("挑选股权数小于"), watch.below);
    m_belowBound = spinBox(this, "valueStockBelow", 100, 4000000, 100, watch.belowBound);
    m_upper = checkBox(this, "chkStockUpper", QStringLiteral("挑选股权数大于"), watch.upper);
    m_upperBound = spinBox(this, "valueStockUpper", 10000, 2100000000, 10000, watch.upperBound);
    m_includeOwn = checkBox(this, "chkIncludeMyStock", QStringLiteral("包含自选股票"), watch.includeOwn);
    m_includeOwn->setToolTip(QStringLiteral("自选股票的监视将不受买卖交易量的限制"));
    m_pick = named(new QPushButton(QStringLiteral("挑选监视股票"), this), "btnSetQQStock");
    m_pick->setToolTip(
        QStringLiteral("挑选进行主力买卖动态数据发送给QQ的股票,请设置挑选条件,否则发送数据量会很大"));

    m_nickname = new NicknameEdit("edtQQ", this);
    m_delay = spinBox(this, "valueDelay", 10, 60, 1, relay.delay_s);
    m_sendQty = spinBox(this, "valueSendQTY", 0, 400000, 10, relay.sendQty);
    m_onTime = checkBox(this, "chkOnTime", QStringLiteral("只在交易时段实时监视"), relay.onTime);
    m_onTime->setToolTip(
        QStringLiteral("选择时,只在股票交易时间进行买卖监视. 不选时,可在非交易时间发送监视数据."));
    m_relay = named(new QPushButton(kStartCaption, this), "btnSendToQQ");
    m_relay->setToolTip(QStringLiteral(
        "从华林或东方证券系统中提取股票主力买卖数据发送给指定的QQ,"
        "\r需要开启华林或东方行情软件中的\"主力买卖总览\"窗口,"
        "\r同时需要打开指定的QQ聊天窗口.\r监视期间,请勿操作使用计算机!按Ctrl+Alt+X可关闭监视"));
    m_relay->setEnabled(false);
    m_capture = named(new QPushButton(QStringLiteral("抓取主力买卖"), this), "btnMainGetMain");

    auto* grid = new QGridLayout;
    grid->addWidget(m_below, 0, 0);
    grid->addWidget(m_belowBound, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("万股的股票"), this), 0, 2);
    grid->addWidget(m_upper, 1, 0);
    grid->addWidget(m_upperBound, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("万股的股票"), this), 1, 2);
    grid->addWidget(m_includeOwn, 2, 0);
    grid->addWidget(m_pick, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("QQ昵称:"), this), 3, 0);
    grid->addWidget(m_nickname, 3, 1);
    grid->addWidget(helpPictureButton(this, m_frame, "imgQQViewHelp",
                                      QStringLiteral("请启动QQ并打开与指定昵称的QQ聊天窗口!"),
                                      QStringLiteral("QQ聊天窗口.jpg")),
                    3, 2);
    grid->addWidget(new QLabel(QStringLiteral("发送间隔"), this), 4, 0);
    grid->addWidget(m_delay, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("秒"), this), 4, 2);
    grid->addWidget(new QLabel(QStringLiteral("发送买卖超过"), this), 5, 0);
    grid->addWidget(m_sendQty, 5, 1);
    grid->addWidget(new QLabel(QStringLiteral("万股的股票"), this), 5, 2);
    grid->addWidget(m_onTime, 6, 0, 1, 2);
    grid->addWidget(helpPictureButton(this, m_frame, "imgHelpQQMonitor",
                                      QStringLiteral("请打开行情软件的\"主力监控总览\"窗口!"),
                                      QStringLiteral("主力监控总览.jpg")),
                    6, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_relay);
    buttons->addWidget(m_capture);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addStretch();

    // Placed on other pages by the window; until then they are this page's.
    m_nicknameForView = new NicknameEdit("edtQQForView", this);
    m_watchGrid = named(new QTableWidget(0, 2, this), "StocksForMonitor");
    m_watchGrid->setHorizontalHeaderLabels({QStringLiteral("名称"), QStringLiteral("代码(万股)")});
    m_watchGrid->setColumnWidth(0, 74);
    m_watchGrid->setColumnWidth(1, 129);
    m_watchGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_watchGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_watchGrid->verticalHeader()->hide();

    connect(m_pick, &QPushButton::clicked, this, &RelayPage::btnSetQQStockClick);
    connect(m_relay, &QPushButton::clicked, this, &RelayPage::btnSendToQQClick);
    connect(m_capture, &QPushButton::clicked, this, &RelayPage::btnMainGetMainClick);
    connect(m_nickname, &NicknameEdit::committed, this, &RelayPage::edtQQExit);
    connect(m_nicknameForView, &NicknameEdit::committed, this, &RelayPage::edtQQExit);
    connect(m_watchGrid, &QTableWidget::cellClicked, this,
            [this](int row, int) { StocksForMonitorSelectCell(row); });

    RelayHooks hooks;
    hooks.showLogPage = [this] {
        m_host.hideFunctionPanel();
        m_host.showContentPage(ContentPage::StockDoc);
    };
    hooks.showQueryPage = [this] { m_host.showFunctionPage(FunctionPage::Query); };
    hooks.busyCursor = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    hooks.stayOnTop = [this](bool on) { m_host.stayOnTop(on); };
    hooks.stateChanged = [this] { showState(); };
    // The relay reads the interval, the threshold and the trading-hours box as they stand
    // at each tick and pass, so a change holds while it runs.
    m_relayJob = std::make_unique<MainForceRelay>(
        m_services.relay(RelaySettingsSource([this] { return relaySettings(); }), std::move(hooks)));
}

RelayPage::~RelayPage() = default;

WatchSelection RelayPage::selection() const {
    WatchSelection selection;
    selection.below = m_below->isChecked();
    selection.belowBound = m_belowBound->value();
    selection.upper = m_upper->isChecked();
    selection.upperBound = m_upperBound->value();
    selection.includeOwn = m_includeOwn->isChecked();
    return selection;
}

RelaySettings RelayPage::relaySettings() const {
    RelaySettings settings;
    settings.delay_s = m_delay->value();
    settings.sendQty = m_sendQty->value();
    settings.onTime = m_onTime->isChecked();
    return settings;
}

bool RelayPage::relayOn() const {
    return m_relayJob->relayOn();
}

bool RelayPage::tick() {
    return m_relayJob->tick();
}

void RelayPage::addMenuCommands(QMenu* menu) {
    QAction* show = named(menu->addAction(QStringLiteral("主力买卖QQ秀(&Q)")), "MenuSendToQQ");
    connect(show, &QAction::triggered, this, [this] { m_host.showFunctionPage(FunctionPage::Relay); });
}

void RelayPage::showNickname() {
    const QString nickname = m_services.windows().setup().qqName;
    m_nickname->setText(nickname);
    m_nicknameForView->setText(nickname);
}

void RelayPage::showState() {
    const bool relayOn = m_relayJob->relayOn();
    const bool captureOn = m_relayJob->captureOn();
    m_relay->setText(relayOn ? kStopCaption : kStartCaption);
    m_relay->setEnabled(relayOn || (!m_services.watchList().isEmpty() && !captureOn));
    m_pick->setEnabled(!relayOn && !captureOn);
    m_capture->setEnabled(!captureOn);
    Q_EMIT activeChanged(m_relayJob->active());
}

void RelayPage::showWatchList() {
    const QList<WatchRow>& rows = m_services.watchList().rows();
    m_watchGrid->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        m_watchGrid->setItem(i, 0, new QTableWidgetItem(rows[i].name));
        m_watchGrid->setItem(i, 1, new QTableWidgetItem(rows[i].value));
    }
}

void RelayPage::btnSetQQStockClick() {
    m_host.hideFunctionPanel();
    m_host.showContentPage(ContentPage::StockDoc);
    m_watchGrid->setRowCount(0);
    StocksForMonitor& watch = m_services.watchList();
    const int count = watch.rebuild(selection());
    if (!watch.lastError().isEmpty())
        m_frame.ShowPrompt(QStringLiteral("股本数据读不出: %1").arg(watch.lastError()));
    showWatchList();
    m_frame.setStatusPanel(StatusPanel::Message, StocksForMonitor::statusText(count));
    m_relay->setEnabled(count > 0);
}

void RelayPage::btnSendToQQClick() {
    if (m_relayJob->relayOn()) {
        // Its own button stops it as the Stop command does.
        m_host.stopRun();
        m_relayJob->tick();
        return;
    }
    m_services.jobs().startRelay(*m_relayJob);
    showState();
}

void RelayPage::btnMainGetMainClick() {
    m_services.jobs().startCapture(*m_relayJob);
    showState();
}

void RelayPage::StocksForMonitorSelectCell(int row) {
    if (const std::optional<WatchPick> pick = m_services.watchList().pick(row))
        Q_EMIT stockChosen(pick->code, pick->name);
}

void RelayPage::edtQQExit(const QString& nickname) {
    QString error;
    if (!commitNickname(m_services.settings(), m_services.windows(), nickname, &error))
        m_frame.ShowPrompt(QStringLiteral("QQ昵称保存失败: %1").arg(error));
    showNickname();
}

}  // namespace quarrow
