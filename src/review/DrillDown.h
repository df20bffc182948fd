#pragma once

#include "review/ComposedStatement.h"

#include <QString>
#include <QVariantList>

#include <array>
#include <optional>

namespace quarrow {

// The two kinds of result window (TFormCodeDepart's FormType).
enum class ResultKind { TopFive = 0, BlockTrades = 1 };

struct ResultWindowLook {
    QString caption;  // the window's caption
    QString title;    // lblCaption
    QString hint;     // dbGridTop5List's hint
};

const ResultWindowLook& resultWindowLook(ResultKind kind);

// Widths in pixels of the first eight columns of every result grid, the main window's
// and each drill-down window's.
inline constexpr std::array<int, 8> kResultColumnWidths = {52, 70, 85, 300, 100, 100, 60, 80};

// Client area of a drill-down window.
inline constexpr int kResultWindowWidth = 936;
inline constexpr int kResultWindowHeight = 473;

// The statement of the window a double-click on a cell opens: kind is the kind of the
// grid clicked (the main window's grid counts as TopFive whatever it shows), column the
// cell's column from 0, row the values of the current row. Nothing for a column that
// does not narrow the data (no window opens). The new window is of the same kind.
//
// The cell values are bound, not written into the text: a department whose name holds a
// quote selects its rows like any other.
std::optional<ComposedStatement> composeDrillDown(ResultKind kind, int column, const QVariantList& row);

// What the window of that drill-down narrows to, for its caption and title, so several
// open windows are told apart: "600610 中毅达", "600610 中毅达 2017-03-10起",
// "2017-03-10", the department, "买方:…" or "卖方:…". Empty where no window opens.
QString drillDownSubject(ResultKind kind, int column, const QVariantList& row);

}  // namespace quarrow
