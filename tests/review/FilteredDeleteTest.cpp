#include "review/FilteredDelete.h"

#include "review/ReviewTestData.h"
#include "support/FaultInjection.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <functional>
#include <optional>

using namespace quarrow;
using namespace quarrow::test;

namespace {

using End = JobEnd;

qint64 count(TDataBase& db, const QString& table) {
    Statement query = db.QueryPublic(QStringLiteral("select count(*) from ") + table);
    EXPECT_TRUE(query.exec()) << query.error().toStdString();
    EXPECT_TRUE(query.next());
    return query.integer(0);
}

// The page as the delete reads it: nothing ticked, not even the start date.
OperatorQuery nothingTicked() {
    OperatorQuery page;
    page.fromTicked = false;
    return page;
}

}  // namespace

// Each case: the page's filters, the statement line by line with its values, the answer
// to the question, and what is left of the sample's 8 top-5 rows and 4 alerts.
TEST(FilteredDelete, DeletesWhatThePageFiltersSelectAfterAYes) {
    struct Case {
        const char* what;
        std::function<void(OperatorQuery&)> set;
        QStringList lines;
        QList<BoundValue> values;
        MessageAnswer answer;
        JobEnd end;
        int rows;
        int changesLeft;
        int alertsLeft;
    };
    const QString fromChanges = "delete  From tblStChange";
    const QString fromAlerts = "delete  From tblMainBuySale";
    const QString byDepartment =
        "and StDeptKey in (select StDeptKey from tblStDepart where Trim(StDept)=:StDept)";
    const Case cases[] = {
        {"no filter with alerts: every alert goes",
         [](OperatorQuery& p) { p.mainBuySale = true; },
         {fromAlerts, "where (true)"},
         {},
         MessageAnswer::Yes,
         End::Done,
         4,
         8,
         0},
        {"only the end date: that day's rows alone",
         [](OperatorQuery& p) {
             p.toTicked = true;
             p.to = QDate(2017, 3, 10);
         },
         {fromChanges, "where (true)", "and StDate>:StDate and StDate<=:StDateTo"},
         {{":StDate", QDate(2017, 3, 9)}, {":StDateTo", QDate(2017, 3, 10)}},
         MessageAnswer::Yes,
         End::Done,
         3,
         5,
         4},
        {"a department of tblStChange, by its key; the item's count is not part of the name",
         [](OperatorQuery& p) {
             p.departmentGiven = true;
             p.departmentItem = kGuotai + "|2";
         },
         {fromChanges, "where (true)", byDepartment},
         {{":StDept", kGuotai}},
         MessageAnswer::Yes,
         End::Done,
         2,
         6,
         4},
        {"a department stored with blanks, given as the list shows it",
         [](OperatorQuery& p) {
             p.departmentGiven = true;
             p.departmentItem = kBlanked.trimmed();
         },
         {fromChanges, "where (true)", byDepartment},
         {{":StDept", kBlanked.trimmed()}},
         MessageAnswer::Yes,
         End::Done,
         1,
         7,
         4},
        {"a stock's alerts of one day",
         [](OperatorQuery& p) {
             p.mainBuySale = true;
             p.stockGiven = true;
             p.stockCode = "600610";
             p.fromTicked = p.toTicked = true;
             p.from = p.to = QDate(2017, 3, 9);
         },
         {fromAlerts, "where (true)", "and StCode=:StCode", "and StDate>=:StDate and StDate<=:StDateTo"},
         {{":StCode", "600610"}, {":StDate", QDate(2017, 3, 9)}, {":StDateTo", QDate(2017, 3, 9)}},
         MessageAnswer::Yes,
         End::Done,
         2,
         8,
         2},
        {"answered No: nothing goes",
         [](OperatorQuery&) {},
         {fromChanges, "where (true)"},
         {},
         MessageAnswer::No,
         End::NotStarted,
         0,
         8,
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        TDataBase db(home.file("Quarrow.db"));
        ASSERT_TRUE(db.open());
        seedReviewRows(db);
        OperatorQuery page = nothingTicked();
        c.set(page);
        const ComposedStatement composed = composeFilteredDelete(page);
        EXPECT_EQ(composed.lines, c.lines);
        EXPECT_EQ(composed.values, c.values);

        RecordingFrame frame;
        frame.answers = {c.answer};
        const FilteredDeleteOutcome outcome = FilteredDelete(db, frame).run(page);
        ASSERT_EQ(frame.messages.size(), 1);
        EXPECT_EQ(frame.messages.first().question, Question::FilteredDelete);
        EXPECT_EQ(frame.messages.first().text, filteredDeleteQuestion(page));
        EXPECT_EQ(outcome.end, c.end) << outcome.detail.toStdString();
        EXPECT_EQ(outcome.rows, c.rows);
        EXPECT_EQ(count(db, "tblStChange"), c.changesLeft);
        EXPECT_EQ(count(db, "tblMainBuySale"), c.alertsLeft);
    }
}

// The database refuses the delete (another program holds the file, or the disk is full at
// the commit): the failure is reported with its reason and every row is still there.
TEST(FilteredDelete, ARefusedDeleteIsReportedAndDeletesNothing) {
    enum class Fault { WriteLockHeld, DiskFullAtCommit };
    for (const Fault fault : {Fault::WriteLockHeld, Fault::DiskFullAtCommit}) {
        SCOPED_TRACE(static_cast<int>(fault));
        TempHome home;
        const QString file = home.file("Quarrow.db");
        SqliteWriteFaults faults(-1);
        TDataBase db(file, 100);
        ASSERT_TRUE(db.open());
        seedReviewRows(db);
        std::optional<WriteLockHolder> holder;
        if (fault == Fault::WriteLockHeld)
            holder.emplace(file);
        else
            faults.allow(0);

        RecordingFrame frame;
        frame.answers = {MessageAnswer::Yes};
        const FilteredDeleteOutcome outcome = FilteredDelete(db, frame).run(nothingTicked());
        EXPECT_EQ(outcome.end, End::Failed);
        EXPECT_EQ(outcome.rows, 0);
        EXPECT_FALSE(outcome.detail.isEmpty());
        faults.allow(-1);
        holder.reset();
        EXPECT_EQ(count(db, "tblStChange"), 8);
    }
}
