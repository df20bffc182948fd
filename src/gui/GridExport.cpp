#include "gui/GridExport.h"

#include "app/SafeFile.h"
#include "app/TextExport.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTableView>

#include <algorithm>
#include <climits>
#include <map>

namespace quarrow::GridExport {

namespace {

QString exportText(const QModelIndex& index) {
    const QVariant stored = index.data(kExportRole);
    return stored.isValid() ? stored.toString() : index.data().toString();
}

}  // namespace

GridCells modelCells(QAbstractItemModel& model) {
    while (model.canFetchMore(QModelIndex()))
        model.fetchMore(QModelIndex());
    GridCells cells;
    const int columns = model.columnCount();
    for (int column = 0; column < columns; ++column) {
        const QVariant title = model.headerData(column, Qt::Horizontal, kExportTitleRole);
        cells.titles << (title.isValid() ? title : model.headerData(column, Qt::Horizontal)).toString();
    }
    const int rows = model.rowCount();
    cells.rows.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        QStringList line;
        for (int column = 0; column < columns; ++column)
            line << exportText(model.index(row, column));
        cells.rows.push_back(line);
    }
    return cells;
}

bool saveCsv(QAbstractItemModel& model, const QString& path, QString* error) {
    const GridCells cells = modelCells(model);
    return SafeFile::replace(path, TextExport::csvFileBytes(cells.titles, cells.rows), error);
}

QString selectionText(const QTableView& grid) {
    const QItemSelectionModel* selection = grid.selectionModel();
    if (!selection)
        return {};
    std::map<int, std::map<int, QString>> byRow;
    int firstColumn = INT_MAX;
    int lastColumn = -1;
    for (const QModelIndex& index : selection->selectedIndexes()) {
        if (grid.isColumnHidden(index.column()))
            continue;
        byRow[index.row()][index.column()] = exportText(index);
        firstColumn = std::min(firstColumn, index.column());
        lastColumn = std::max(lastColumn, index.column());
    }
    std::vector<QStringList> rows;
    for (const auto& [row, cells] : byRow) {
        QStringList line;
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const auto cell = cells.find(column);
            line << (cell != cells.end() ? cell->second : QString());
        }
        rows.push_back(line);
    }
    return TextExport::tabSeparated(rows);
}

namespace {

// A table view takes Ctrl+C for itself and copies only its current cell; the key press is
// taken from it first, so the whole selection is copied.
class CopyKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
            return false;
        QApplication::clipboard()->setText(selectionText(*static_cast<QTableView*>(watched)));
        return true;
    }
};

}  // namespace

void install(QTableView* grid) {
    if (grid->property("gridExport").toBool())
        return;
    grid->setProperty("gridExport", true);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* copy = new QAction(QStringLiteral("复制"), grid);
    copy->setObjectName(QStringLiteral("actCopyCells"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(copy, &QAction::triggered, grid,
                     [grid] { QApplication::clipboard()->setText(selectionText(*grid)); });
    grid->addAction(copy);
    grid->installEventFilter(new CopyKeyFilter(grid));

    auto* save = new QAction(QStringLiteral("导出CSV…"), grid);
    save->setObjectName(QStringLiteral("actExportCsv"));
    QObject::connect(save, &QAction::triggered, grid, [grid] {
        if (!grid->model())
            return;
        const QString path =
            QFileDialog::getSaveFileName(grid, QStringLiteral("导出CSV"),
                                         QDir::home().filePath(grid->objectName() + QStringLiteral(".csv")),
                                         QStringLiteral("CSV 文件 (*.csv)"));
        if (path.isEmpty())
            return;
        QString error;
        if (!saveCsv(*grid->model(), path, &error))
            QMessageBox::warning(grid, QStringLiteral("注意"), QStringLiteral("导出失败: ") + error);
    });
    grid->addAction(save);
}

}  // namespace quarrow::GridExport
