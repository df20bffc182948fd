#pragma once

#include "review/DrillDown.h"

#include <QVariantList>
#include <QWidget>

#include <functional>

class QLabel;
class QTableView;

namespace quarrow {

class AppFrame;
class QueryResultModel;
class TDataBase;

// What moving to a row of a result grid does in the main window (the stock and the
// department of the row are followed there).
using RowFollower = std::function<void(const QVariantList& row)>;

// Sets the first columns of a result grid to their usual widths.
void applyResultColumnWidths(QTableView& grid);

// The drill-down window: one statement's rows in a read-only grid. A double-click on a cell
// opens a further window narrowed to that cell's stock, day or department. Each window
// lives until the user closes it; closing drops its statement and frees it.
class TFormCodeDepart : public QWidget {
    Q_OBJECT
public:
    // The window belongs to owner (the main window) as a window of its own, so that it never
    // outlives the database it reads.
    TFormCodeDepart(ResultKind kind, TDataBase& db, AppFrame& frame, RowFollower follow, QWidget* owner);
    ~TFormCodeDepart() override;

    ResultKind kind() const { return m_kind; }
    void setCaption(const QString& caption);
    // Runs the statement; false after telling the user when it could not run.
    bool open(const ComposedStatement& composed);
    bool hasRows() const;
    QTableView* grid() const { return m_grid; }
    QueryResultModel* model() const { return m_model; }

    // Double-click on a cell of the grid: the window for that cell's column, shown; none
    // for a column that does not narrow the data.
    TFormCodeDepart* dbGridTop5ListDblClick(const QModelIndex& cell);

    // Opens the drill-down of one cell of any result grid of kind in a new window of that
    // kind; nullptr when the column does not narrow the data or the database is closed.
    static TFormCodeDepart* drillDown(ResultKind kind, int column, const QVariantList& row, TDataBase& db,
                                      AppFrame& frame, const RowFollower& follow, QWidget* owner);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    ResultKind m_kind;
    TDataBase& m_db;
    AppFrame& m_frame;
    RowFollower m_follow;
    QLabel* m_title;
    QTableView* m_grid;
    QueryResultModel* m_model;
};

}  // namespace quarrow
