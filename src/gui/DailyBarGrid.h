#pragma once

#include "quotefiles/DailyViewer.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>

namespace quarrow {

// The rows of the daily-bar viewer StrGridDaily, newest first. Every cell answers
// UpRole with its row's up/down mark, and its colour by it: red up, lime green down.
class DailyBarModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int UpRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QList<DailyViewRow> rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static QColor upColor();
    static QColor downColor();

private:
    QList<DailyViewRow> m_rows;
};

// Paints a day's cell the way the viewer always looked: the background first, then the
// text 2 pixels in from its edge, dates on the left, figures on the right.
class DailyBarDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// The grid itself: black cells under cream titles, one row selected at a time, the
// column widths of old.
class DailyBarGrid : public QTableView {
    Q_OBJECT
public:
    explicit DailyBarGrid(QWidget* parent);

    DailyBarModel* rows() const { return m_model; }

private:
    DailyBarModel* m_model;
};

}  // namespace quarrow
