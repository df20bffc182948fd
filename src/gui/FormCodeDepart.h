#pragma once

#include "review/DrillDown.h"

#include <QPointer>
#include <QVariantList>
#include <QWidget>

#include <functional>

class QLabel;
class QTableView;

namespace quarrow {

class AppFrame;
class QueryResultModel;
class TDataBase;
class WindowMemory;

// What moving to a row of a result grid does in the main window (the stock and the
// department of the row are followed there).
using RowFollower = std::function<void(const QVariantList& row)>;

// What every result window shares with the query page that opens it: the store, the
// frame, the main window following its rows, the widths the user gave its columns, and
// the commands its grid offers in its context menu.
struct ResultWindowContext {
    TDataBase& db;
    AppFrame& frame;
    RowFollower follow;
    WindowMemory* memory = nullptr;
    std::function<void(QTableView& grid, ResultKind kind)> addGridCommands;
};

// Sizes the columns of a result grid to what they show, none narrower than the usual
// widths, a width the user set by hand first; the grids of one kind share their widths.
void sizeResultColumns(QTableView& grid, WindowMemory* memory, const QString& gridKey);
// "共N条": how many rows a result has.
QString rowCountText(qint64 rows);

// The drill-down window: one statement's rows in a read-only grid. A double-click on a cell
// opens a further window narrowed to that cell's stock, day or department. Each window
// lives until the user closes it (Esc closes it too); closing drops its statement and
// frees it. A window opens where the user last left one of its kind, else over the window
// it came from, as wide as its columns; a window standing there already moves it on by a
// title bar.
class TFormCodeDepart : public QWidget {
    Q_OBJECT
public:
    // The window belongs to owner (the main window) as a window of its own, so that it never
    // outlives the database it reads; it opens over from, the owner when none is given.
    TFormCodeDepart(ResultKind kind, ResultWindowContext context, QWidget* owner, QWidget* from = nullptr);
    ~TFormCodeDepart() override;

    ResultKind kind() const { return m_kind; }
    void setCaption(const QString& caption);
    // The caption and the title line both name what the window narrows to.
    void setSubject(const QString& subject);
    // Runs the statement; false after telling the user when it could not run.
    bool open(const ComposedStatement& composed);
    bool hasRows() const;
    QTableView* grid() const { return m_grid; }
    QueryResultModel* model() const { return m_model; }

    // Double-click on a cell of the grid: the window for that cell's column, shown; none
    // for a column that does not narrow the data.
    TFormCodeDepart* dbGridTop5ListDblClick(const QModelIndex& cell);

    // Opens the drill-down of one cell of any result grid of kind in a new window of that
    // kind, over from (the owner when none is given); nullptr when the column does not
    // narrow the data or the database is closed.
    static TFormCodeDepart* drillDown(ResultKind kind, int column, const QVariantList& row,
                                      const ResultWindowContext& context, QWidget* owner,
                                      QWidget* from = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QString gridKey() const;
    void showRowCount();
    void place();
    QRect placeForColumns() const;
    void rememberPlace();

    ResultKind m_kind;
    ResultWindowContext m_context;
    QLabel* m_title;
    QTableView* m_grid;
    QueryResultModel* m_model;
    QLabel* m_rowCount;
    QPointer<QWidget> m_from;
    bool m_userPlaced = false;  // moved or sized by the user, or where a user left one before
    bool m_placing = false;
};

}  // namespace quarrow
