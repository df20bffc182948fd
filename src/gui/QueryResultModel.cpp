#include "gui/QueryResultModel.h"

namespace quarrow {

QueryResultModel::QueryResultModel(QObject* parent) : QAbstractTableModel(parent) {}

QueryResultModel::~QueryResultModel() = default;

bool QueryResultModel::open(TDataBase& db, const ComposedStatement& composed) {
    beginResetModel();
    m_changing = true;
    m_rows.clear();
    m_titles.clear();
    m_error.clear();
    m_composed = composed;
    m_query = std::make_unique<QueryRows>(db, composed);
    if (m_query->ok()) {
        m_titles = m_query->columnTitles();
    } else {
        m_error = m_query->error();
        m_query.reset();
    }
    endResetModel();
    m_changing = false;
    if (m_query)
        fetchMore({});
    return m_error.isEmpty();
}

void QueryResultModel::close() {
    beginResetModel();
    m_query.reset();
    m_rows.clear();
    m_titles.clear();
    m_error.clear();
    endResetModel();
}

bool QueryResultModel::reopen(TDataBase& db) {
    if (!m_composed)
        return false;
    const ComposedStatement composed = *m_composed;
    return open(db, composed);
}

QVariantList QueryResultModel::rowValues(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : QVariantList();
}

int QueryResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int QueryResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_titles.size());
}

QVariant QueryResultModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    return cellText(m_rows.at(index.row()).value(index.column()));
}

QVariant QueryResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return m_titles.value(section);
}

bool QueryResultModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_query != nullptr;
}

void QueryResultModel::fetchMore(const QModelIndex& parent) {
    // A view may ask for rows while it hears of a reset or of rows coming: they come once
    // the change under way is over, so rows never arrive out of their order.
    if (parent.isValid() || !m_query || m_changing)
        return;
    QList<QVariantList> batch;
    bool last = false;
    while (batch.size() < kRowsPerBatch) {
        if (!m_query->next()) {
            last = true;
            break;
        }
        batch.append(m_query->row());
    }
    // The last row read: the statement lets go of its snapshot now, not when the grid goes.
    if (last)
        m_query.reset();
    if (batch.isEmpty())
        return;
    const int first = static_cast<int>(m_rows.size());
    m_changing = true;
    beginInsertRows({}, first, first + static_cast<int>(batch.size()) - 1);
    m_rows.append(batch);
    endInsertRows();
    m_changing = false;
}

}  // namespace quarrow
