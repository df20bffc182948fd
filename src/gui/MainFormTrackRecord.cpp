// The main window's side of the department track record: its page among the content
// pages, the commands that open it, and the export commands of every grid.

#include "gui/GridExport.h"
#include "gui/MainForm.h"
#include "gui/QueryPage.h"
#include "gui/TrackRecordPage.h"
#include "program/ProgramServices.h"

#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

namespace quarrow {

void TMainForm::buildTrackRecordPage() {
    m_trackPage = new TrackRecordPage(
        m_services.store(), *m_frame, [this] { return m_services.setup().QuoteFolder(); }, m_pages);
    m_pages->addWidget(m_trackPage);

    const QString caption = QStringLiteral("营业部战绩");
    const QString hint = QStringLiteral("营业部上榜买卖后股票1、2、3、5、10个交易日的涨跌统计");
    if (auto* bar = findChild<QToolBar*>(QStringLiteral("ToolBarTop"))) {
        auto* tool = new QToolButton(bar);
        tool->setObjectName(QStringLiteral("btnShowTrackRecord"));
        tool->setText(caption);
        tool->setToolTip(hint);
        bar->addWidget(tool);
        connect(tool, &QToolButton::clicked, this, &TMainForm::btnShowTrackRecordClick);
    }
    if (auto* dataMenu = menuBar()->findChild<QMenu*>(QStringLiteral("menuData"))) {
        QAction* open = dataMenu->addAction(caption);
        open->setObjectName(QStringLiteral("menuTrackRecord"));
        connect(open, &QAction::triggered, this, &TMainForm::btnShowTrackRecordClick);
    }
    // Every grid the window holds exports to CSV and copies its selection; the drill-down
    // windows give their own grids the same commands.
    for (QTableView* grid : findChildren<QTableView*>())
        GridExport::install(grid);
}

void TMainForm::btnShowTrackRecordClick() {
    const OperatorQuery range = m_queryPage->state();
    m_trackPage->setDateRange(range.fromTicked, range.from, range.toTicked, range.to);
    showContentPage(QStringLiteral("TabSheetTrackRecord"));
}

}  // namespace quarrow
