#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <Qt>

#include <functional>
#include <vector>

class QAbstractItemModel;
class QTableView;

namespace quarrow::GridExport {

// A model that shows its cells and titles dressed up for reading answers this role with
// them as they are stored; the CSV file and the clipboard take that where it is given.
inline constexpr int kExportRole = Qt::UserRole + 64;
// The title a CSV file's reader needs where the grid's own leaves something out (the unit
// of a figure its cells show with theirs); the title shown stands otherwise.
inline constexpr int kExportTitleRole = Qt::UserRole + 65;

// The titles as the grid shows them (with their units) and every row as stored; a model
// that hands out its rows in batches is read to its end first.
struct GridCells {
    QStringList titles;
    std::vector<QStringList> rows;
};
GridCells modelCells(QAbstractItemModel& model);

// Writes the model to a CSV file (UTF-8 with a byte-order mark, codes kept as texts, no cell
// a spreadsheet would run). False with the reason.
bool saveCsv(QAbstractItemModel& model, const QString& path, QString* error);

// The selected cells as tab-separated text, row by row, from the first selected column to
// the last (cells between them that are not selected stay empty).
QString selectionText(const QTableView& grid);

// Gives a grid the two commands every grid of the program has: "导出CSV…" (asks for a file)
// and "复制" (Ctrl+C), in its context menu.
void install(QTableView* grid);
// The file the export proposes for the grid: in the place its window keeps (below), else
// in the home folder.
QString proposedPath(const QTableView& grid);

// Where the CSV export of the grids a window holds is proposed: the export folder of the
// program folder, the file named for what the grid shows and the day. The main window keeps
// one; a grid finds it among its own widget's and its parents' children.
class ExportPlace : public QObject {
    Q_OBJECT
public:
    ExportPlace(const QString& programFolder, std::function<QDate()> today, QObject* parent);

    QString folder() const { return m_folder; }
    // "龙虎榜营业部数据-2017-03-16.csv" in the export folder, which is made when missing.
    QString proposedPath(const QTableView& grid) const;
    // What a grid shows, for its file's name.
    static QString subject(const QTableView& grid);

private:
    QString m_folder;
    std::function<QDate()> m_today;
};

}  // namespace quarrow::GridExport
