// The main window's side of the stock-code page: building it once the stock lists are
// loaded, and the toolbar commands that open it.

#include "gui/MainForm.h"
#include "gui/MiningPage.h"
#include "gui/QueryPage.h"
#include "gui/StockCodePage.h"
#include "program/ProgramServices.h"

#include <QCheckBox>
#include <QMenuBar>
#include <QSpinBox>
#include <QStackedWidget>

namespace quarrow {

void TMainForm::buildStockCodePage() {
    StockCodePageLinks links;
    links.code = m_code;
    links.name = m_stockName;
    links.lastDays = m_miningPage->findChild<QSpinBox*>(QStringLiteral("valueLastDays"));
    links.capture = m_capture;
    links.showContentPage = [this](const QString& page) { showContentPage(page); };
    links.hideFunctionPanel = [this] { hideFunctionPanel(); };
    links.showOnQueryPage = [this](bool) {
        // The query page takes the stock as its filter; its own click handler says so.
        if (auto* given = findChild<QCheckBox*>(QStringLiteral("chkStockCode")))
            given->setChecked(true);
        if (auto* query = m_functionPages->findChild<QWidget*>(QStringLiteral("TabGetFromDB"),
                                                               Qt::FindDirectChildrenOnly))
            m_functionPages->setCurrentWidget(query);
    };
    links.resultGrid = m_queryPage->resultGrid();
    m_stockPage = new StockCodePage(m_services, links, m_pages);
    m_pages->insertWidget(0, m_stockPage);
    if (auto* dataMenu = menuBar()->findChild<QMenu*>(QStringLiteral("menuData")))
        m_stockPage->addMenuCommands(dataMenu);
    m_stockPage->listsLoaded();
}

void TMainForm::btnLoadDailyClick() {
    m_stockPage->btnLoadDailyClick();
}

void TMainForm::btnListStockQTYClick() {
    m_stockPage->btnListStockQTYClick();
}

}  // namespace quarrow
