#include "app/TextCodec.h"
#include "gui/DateBox.h"
#include "gui/FollowCommands.h"
#include "gui/FollowedPage.h"
#include "gui/FormCodeDepart.h"
#include "gui/GridExport.h"
#include "gui/MainForm.h"
#include "gui/QueryPage.h"
#include "gui/QueryResultModel.h"
#include "program/ProgramServices.h"
#include "review/OperatorQuery.h"
#include "support/WindowDesk.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QUrl>

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// Stands in for the desktop's browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

// The cells as stored, the way a copy takes them.
QStringList gridRows(const QAbstractItemModel& model, int columns) {
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < columns; ++column) {
            const QModelIndex index = model.index(row, column);
            const QVariant stored = index.data(GridExport::kExportRole);
            cells << (stored.isValid() ? stored : index.data()).toString();
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// A run stores a report; the department is followed from the query's grid, marked there,
// and the run's followed rows show on the page, newest first; the digest opens in the
// browser.
TEST(FollowedPage, ARunsFollowedRowsShowAndTheGridsFollowAndMark) {
    WindowDesk desk;
    desk.show();
    ProgramServices& services = desk.services();
    FollowedPage& page = desk.form->followedPage();

    const std::optional<StoredRows> stored = storeReport(
        services, QStringLiteral("600610"), QStringLiteral("中毅达"), QStringLiteral("report/two_days.txt"));
    ASSERT_TRUE(stored);

    // The query grid lists the rows; its context menu follows the current row's department.
    QueryPage* query = desk.form->findChild<QueryPage*>(QStringLiteral("TabGetFromDB"));
    OperatorQuery all = OperatorQuery::initial(WindowDesk::kStart.date());
    all.fromTicked = false;
    ASSERT_TRUE(
        query->resultModel()->open(services.store(), composeOperatorQuery(all, QueryButton::All).main));
    QTableView* grid = query->resultGrid();
    int institutions = -1;
    for (int row = 0; row < grid->model()->rowCount(); ++row) {
        if (grid->model()->index(row, 3).data().toString() == QStringLiteral("机构专用"))
            institutions = row;
    }
    ASSERT_GE(institutions, 0);
    grid->setCurrentIndex(grid->model()->index(institutions, 0));
    grid->findChild<QAction*>(QStringLiteral("actFollowDepartment"))->trigger();
    EXPECT_EQ(services.followed().names(), QStringList{QStringLiteral("机构专用")});
    QFile file(desk.folder.filePath(QStringLiteral("FollowDept.Txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(TextCodec::decode(file.readAll()), QStringLiteral("机构专用\r\n"));
    EXPECT_TRUE(page.commands().marks(grid->model()->index(institutions, 5)));
    EXPECT_FALSE(page.commands().marks(grid->model()->index(0, 5))) << "the anomaly row";

    // A drill-down window on the department follows and marks as well.
    TFormCodeDepart* window = query->dbGridTop5ListDblClick(grid->model()->index(institutions, 3));
    ASSERT_NE(window, nullptr);
    EXPECT_NE(window->grid()->findChild<QAction*>(QStringLiteral("actUnfollowDepartment")), nullptr);
    EXPECT_TRUE(page.commands().marks(window->grid()->model()->index(0, 0)));
    window->close();

    // The page's own box follows one more, written with a blank the store does not have.
    page.findChild<QLineEdit*>(QStringLiteral("edtFollowName"))
        ->setText(QStringLiteral("东吴证券股份有限公司 苏州西北街证券营业部"));
    page.findChild<QPushButton*>(QStringLiteral("btnFollowAdd"))->click();
    EXPECT_EQ(page.list()->count(), 2);

    services.afterRun(*stored);
    EXPECT_EQ(desk.currentContentPage(), QStringLiteral("TabSheetFollowed"));
    EXPECT_EQ(
        gridRows(*page.grid()->model(), 7),
        QStringList({QStringLiteral("600610|中毅达|2017-03-16|机构专用|1500|0|1500"),
                     QStringLiteral("600610|中毅达|2017-03-14|机构专用|0|1200|-1200"),
                     QStringLiteral(
                         "600610|中毅达|2017-03-14|东吴证券股份有限公司苏州西北街证券营业部|300|10|290")}));

    // Unfollowing from the page's grid drops the mark and the list's line.
    page.grid()->setCurrentIndex(page.grid()->model()->index(2, 0));
    page.grid()->findChild<QAction*>(QStringLiteral("actUnfollowDepartment"))->trigger();
    EXPECT_EQ(services.followed().names(), QStringList{QStringLiteral("机构专用")});
    EXPECT_EQ(page.list()->count(), 1);

    QCheckBox* send = page.findChild<QCheckBox*>(QStringLiteral("chkSendFollowed"));
    send->setChecked(!send->isChecked());
    EXPECT_EQ(services.settings().sendFollowed(), send->isChecked());

    UrlCatcher browser;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "open");
    page.findChild<DateBox*>(QStringLiteral("dateFollowedSince"))->setDate(QDate(2017, 3, 16));
    desk.form->findChild<QAction*>(QStringLiteral("menuDigest"))->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_EQ(browser.opened.first().toLocalFile(), page.digestFile());
    QFile digest(page.digestFile());
    ASSERT_TRUE(digest.open(QIODevice::ReadOnly));
    EXPECT_TRUE(digest.readAll().contains("<h1>龙虎榜日报 2017-03-16</h1>"));
}

}  // namespace

#include "FollowedPageTest.moc"
