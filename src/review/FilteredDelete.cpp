#include "review/FilteredDelete.h"

#include "app/AppFrame.h"
#include "review/QueryRunner.h"
#include "store/DataBase.h"

namespace quarrow {

ComposedStatement composeFilteredDelete(const OperatorQuery& page) {
    ComposedStatement statement;
    statement.add(page.mainBuySale ? QStringLiteral("delete  From tblMainBuySale")
                                   : QStringLiteral("delete  From tblStChange"));
    statement.add(QStringLiteral("where (true)"));
    addStockAndDateFilters(page, statement);
    if (page.filtersOnDepartment()) {
        // tblStChange keeps the department's key, not its name: the key comes from the
        // names the department list shows, trimmed as the query page compares them.
        statement.add(QStringLiteral("and ") + departmentKeyCondition(QStringLiteral("StDeptKey")));
        statement.bind(QStringLiteral(":StDept"), departmentOfItem(page.departmentItem));
    }
    return statement;
}

QString filteredDeleteQuestion(const OperatorQuery& page) {
    return (page.mainBuySale ? QStringLiteral("即将根据设定条件删除部分主力买卖数据")
                             : QStringLiteral("即将根据设定条件删除部分股票庄家操盘数据")) +
           QStringLiteral("\r是否继续?");
}

FilteredDelete::FilteredDelete(TDataBase& db, AppFrame& frame) : m_db(db), m_frame(frame) {}

FilteredDeleteOutcome FilteredDelete::run(const OperatorQuery& page) {
    FilteredDeleteOutcome outcome;
    if (!m_db.DBOpened()) {
        outcome.notStart(JobReason::NoDatabase);
        return outcome;
    }
    MessageRequest question;
    question.question = Question::FilteredDelete;
    question.text = filteredDeleteQuestion(page);
    question.buttons = MessageButtons::YesNo;
    if (m_frame.showMessage(question) != MessageAnswer::Yes) {
        outcome.notStart(JobReason::Declined);
        return outcome;
    }

    outcome.begin();
    const auto fail = [&](const QString& error) {
        outcome.rows = 0;
        outcome.failStore(error);
        return outcome;
    };
    Transaction transaction(m_db);
    if (!transaction.began())
        return fail(m_db.transactionError());
    const ComposedStatement composed = composeFilteredDelete(page);
    Statement statement = m_db.QueryPublic(composed.sql());
    bindValues(statement, composed);
    if (!statement.exec())
        return fail(statement.error());
    outcome.rows = statement.rowsAffected();
    if (!transaction.commit())
        return fail(m_db.transactionError());
    return outcome;
}

}  // namespace quarrow
