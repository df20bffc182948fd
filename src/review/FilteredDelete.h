#pragma once

#include "app/JobOutcome.h"
#include "review/ComposedStatement.h"
#include "review/OperatorQuery.h"

#include <QString>

namespace quarrow {

class AppFrame;
class TDataBase;

// The delete of btnDelMainBuySale: the stored top-5 rows of tblStChange, or with
// chkMainBuySale the main-force alerts of tblMainBuySale, narrowed by the query page's
// stock, date and department filters. No row filter of the query buttons applies, so
// with no filter ticked every row of the table goes.
ComposedStatement composeFilteredDelete(const OperatorQuery& page);

// The question asked before anything is deleted.
QString filteredDeleteQuestion(const OperatorQuery& page);

// Not started when the database is not open (nothing asked or run) or the user did not
// answer Yes; done when the rows are gone and committed; failed when the database refused,
// and then nothing was deleted.
struct FilteredDeleteOutcome : JobOutcome {
    int rows = 0;
};

// Asks through the frame, then deletes in one transaction: either every selected row goes
// or, when the database refuses the statement or the commit, none does.
class FilteredDelete {
public:
    FilteredDelete(TDataBase& db, AppFrame& frame);

    FilteredDeleteOutcome run(const OperatorQuery& page);

private:
    TDataBase& m_db;
    AppFrame& m_frame;
};

}  // namespace quarrow
