#pragma once

#include <QWidget>

class QAbstractItemModel;
class QLabel;
class QModelIndex;
class QTableView;

namespace quarrow {

// The result grid dbGridTop5List of the stock-code page with its count lblResultCount
// below. The query page and the share-capital listing each show a model of their own in it.
class ResultGridPanel : public QWidget {
    Q_OBJECT
public:
    explicit ResultGridPanel(QWidget* parent);

    QTableView* grid() const { return m_grid; }
    // Shows the rows; the grid's row changes come as currentRowChanged.
    void showRows(QAbstractItemModel* rows);
    // "共N条" under the grid.
    void setCount(const QString& text);

Q_SIGNALS:
    void currentRowChanged(const QModelIndex& current);

private:
    QTableView* m_grid = nullptr;  // dbGridTop5List
    QLabel* m_count = nullptr;     // lblResultCount
};

}  // namespace quarrow
