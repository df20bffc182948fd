#pragma once

#include "quotefiles/StockList.h"

#include <QAbstractTableModel>

#include <functional>

namespace quarrow {

// The all-stocks list as the grid ListStCodeName shows it: the prefixed code and the name
// of each stock under the titles "代码" and "名称". The loaders fill the list itself, so
// a reload goes through reload() to keep the views in step.
class StockListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StockListModel(const StockList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Runs a change of the list between the model's reset signals.
    void reload(const std::function<void()>& change);

private:
    const StockList& m_list;
};

}  // namespace quarrow
