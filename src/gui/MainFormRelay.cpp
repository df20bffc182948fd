// The QQ page of the main window: the watch list, the relay and the capture, and the two
// nickname boxes.

#include "app/StockCode.h"
#include "gui/MainForm.h"
#include "gui/QueryPage.h"
#include "gui/RelayPage.h"
#include "gui/SetupPage.h"
#include "monitor/MainForceRelay.h"
#include "monitor/StocksForMonitor.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"

#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>

namespace quarrow {

void TMainForm::buildRelayPage() {
    ProgramServices& s = m_services;
    RelayHooks hooks;
    hooks.showLogPage = [this] {
        hideFunctionPanel();
        showContentPage(QStringLiteral("TabSheetStockDoc"));
    };
    hooks.showQueryPage = [this] { showFunctionPage(QStringLiteral("TabGetFromDB")); };
    hooks.busyCursor = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    hooks.stayOnTop = [this](bool on) { stayOnTop(on); };
    hooks.stateChanged = [this] { showRelayState(); };
    hooks.watchListChanged = [this] { showWatchList(); };
    m_relay = std::make_unique<MainForceRelay>(s.relay(RelaySettings{}, std::move(hooks)));

    m_relayPage = new RelayPage(*m_frame, m_functionPages);
    m_functionPages->addWidget(m_relayPage);
    connect(m_relayPage->pickButton(), &QPushButton::clicked, this, &TMainForm::btnSetQQStockClick);
    connect(m_relayPage->relayButton(), &QPushButton::clicked, this, &TMainForm::btnSendToQQClick);
    connect(m_relayPage->captureButton(), &QPushButton::clicked, this, &TMainForm::btnMainGetMainClick);
    connect(m_relayPage->nicknameEdit(), &NicknameEdit::committed, this, &TMainForm::edtQQExit);

    // The setup page's own nickname box edits the same stored nickname.
    m_nicknameForView = new NicknameEdit("edtQQForView", m_setupPage);
    if (auto* grid = qobject_cast<QGridLayout*>(m_setupPage->layout())) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QStringLiteral("QQ昵称:"), m_setupPage), row, 0);
        grid->addWidget(m_nicknameForView, row, 1);
    }
    connect(m_nicknameForView, &NicknameEdit::committed, this, &TMainForm::edtQQExit);

    m_watchGrid->setHorizontalHeaderLabels({QStringLiteral("名称"), QStringLiteral("代码(万股)")});
    m_watchGrid->setColumnWidth(0, 74);
    m_watchGrid->setColumnWidth(1, 129);
    m_watchGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_watchGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_watchGrid->verticalHeader()->hide();
    connect(m_watchGrid, &QTableWidget::cellClicked, this,
            [this](int row, int) { StocksForMonitorSelectCell(row); });
}

void TMainForm::showNickname() {
    const QString nickname = m_services.windows().setup().qqName;
    m_relayPage->nicknameEdit()->setText(nickname);
    m_nicknameForView->setText(nickname);
}

void TMainForm::showWatchList() {
    const QList<WatchRow>& rows = m_services.watchList().rows();
    m_watchGrid->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        m_watchGrid->setItem(i, 0, new QTableWidgetItem(rows[i].name));
        m_watchGrid->setItem(i, 1, new QTableWidgetItem(rows[i].value));
    }
}

void TMainForm::showRelayState() {
    m_relayPage->showState(m_relay->relayOn(), m_relay->captureOn(), !m_services.watchList().isEmpty());
    // The capture turned chkOnTime off for its passes; the page shows what the relay uses.
    m_relayPage->setOnTime(m_relay->settings().onTime);
    // A close asked for while the relay ran waited for its end.
    if (m_closeAfterRun && !m_relay->active())
        QTimer::singleShot(0, this, &QWidget::close);
}

void TMainForm::btnSetQQStockClick() {
    hideFunctionPanel();
    showContentPage(QStringLiteral("TabSheetStockDoc"));
    m_watchGrid->setRowCount(0);
    const int count = m_services.watchList().rebuild(m_relayPage->selection());
    if (!m_services.watchList().lastError().isEmpty())
        m_frame->ShowPrompt(QStringLiteral("股本数据读不出: %1").arg(m_services.watchList().lastError()));
    showWatchList();
    m_frame->setStatusPanel(StatusPanel::Message, StocksForMonitor::statusText(count));
    m_relayPage->relayButton()->setEnabled(count > 0);
}

void TMainForm::btnSendToQQClick() {
    if (m_relay->relayOn()) {
        // Its own button stops it as the Stop command does.
        btnStopClick();
        m_relay->tick();
        return;
    }
    m_relay->setSettings(m_relayPage->relaySettings());
    m_relay->startRelay();
    showRelayState();
}

void TMainForm::btnMainGetMainClick() {
    m_relay->setSettings(m_relayPage->relaySettings());
    m_relay->startCapture();
    showRelayState();
}

void TMainForm::StocksForMonitorSelectCell(int row) {
    const std::optional<WatchPick> pick = m_services.watchList().pick(row);
    if (!pick)
        return;
    m_code->setText(pick->code);
    m_stockName->setToolTip(pick->marketKey);
    m_stockName->setText(pick->name);
    edtStockCodeExit();
}

void TMainForm::edtQQExit(const QString& nickname) {
    ProgramServices& s = m_services;
    QString error;
    if (!commitNickname(s.settings(), s.windows(), nickname, &error))
        m_frame->ShowPrompt(QStringLiteral("QQ昵称保存失败: %1").arg(error));
    showNickname();
}

}  // namespace quarrow
