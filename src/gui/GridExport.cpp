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
#include <QRegularExpression>
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

// The grids whose page says too little of what they hold, by their given names.
const std::map<QString, QString>& gridSubjects() {
    static const std::map<QString, QString> subjects{
        {QStringLiteral("dbGridTop5List"), QStringLiteral("龙虎榜营业部数据")},
        {QStringLiteral("ListStCodeName"), QStringLiteral("股票代码表")},
        {QStringLiteral("StrGridDaily"), QStringLiteral("日线数据")},
    };
    return subjects;
}

const ExportPlace* exportPlaceOf(const QWidget& grid) {
    for (const QWidget* widget = &grid; widget; widget = widget->parentWidget()) {
        if (const auto* place = widget->findChild<const ExportPlace*>(QString(), Qt::FindDirectChildrenOnly))
            return place;
    }
    return nullptr;
}

}  // namespace

ExportPlace::ExportPlace(const QString& programFolder, std::function<QDate()> today, QObject* parent)
    : QObject(parent),
      m_folder(QDir(programFolder).filePath(QStringLiteral("Export"))),
      m_today(std::move(today)) {}

QString ExportPlace::subject(const QTableView& grid) {
    // A window of its own (the drill-down) names its rows in its caption; the pages of the
    // main window by the grid, or else by the page's title.
    const QWidget* window = grid.window();
    if (window->parentWidget() && !window->windowTitle().isEmpty())
        return window->windowTitle();
    const auto known = gridSubjects().find(grid.objectName());
    if (known != gridSubjects().end())
        return known->second;
    for (const QWidget* widget = grid.parentWidget(); widget && widget != window;
         widget = widget->parentWidget()) {
        if (!widget->windowTitle().isEmpty())
            return widget->windowTitle();
    }
    return grid.objectName();
}

QString ExportPlace::proposedPath(const QTableView& grid) const {
    // A caption may hold what a file name must not: a slash between two days, a colon.
    static const QRegularExpression unfit(QStringLiteral("[\\\\/:*?\"<>|\\s]+"));
    QString name = subject(grid);
    name.replace(unfit, QStringLiteral("_"));
    QDir().mkpath(m_folder);
    return QDir(m_folder).filePath(name + QLatin1Char('-') +
                                   m_today().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".csv"));
}

QString proposedPath(const QTableView& grid) {
    if (const ExportPlace* place = exportPlaceOf(grid))
        return place->proposedPath(grid);
    return QDir::home().filePath(ExportPlace::subject(grid) + QStringLiteral(".csv"));
}

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
        const QString path = QFileDialog::getSaveFileName(
            grid, QStringLiteral("导出CSV"), proposedPath(*grid), QStringLiteral("CSV 文件 (*.csv)"));
        if (path.isEmpty())
            return;
        QString error;
        if (!saveCsv(*grid->model(), path, &error))
            QMessageBox::warning(grid, QStringLiteral("注意"), QStringLiteral("导出失败: ") + error);
    });
    grid->addAction(save);
}

}  // namespace quarrow::GridExport
