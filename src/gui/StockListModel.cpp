#include "gui/StockListModel.h"

namespace quarrow {

StockListModel::StockListModel(const StockList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list) {}

int StockListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_list.size();
}

int StockListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant StockListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        role != Qt::DisplayRole)
        return {};
    const StockEntry& entry = m_list.at(index.row());
    return index.column() == 0 ? entry.key : entry.name;
}

QVariant StockListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section == 0)
        return QStringLiteral("代码");
    if (section == 1)
        return QStringLiteral("名称");
    return {};
}

void StockListModel::reload(const std::function<void()>& change) {
    beginResetModel();
    // The model must end its reset even when the loader throws (an unreadable table).
    struct EndReset {
        StockListModel* model;
        ~EndReset() { model->endResetModel(); }
    } end{this};
    change();
}

}  // namespace quarrow
