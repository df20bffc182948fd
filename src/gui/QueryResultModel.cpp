#include "gui/QueryResultModel.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace quarrow {

namespace {

const QString kNetBuyTitle = QStringLiteral("净买额");

}  // namespace

QueryResultModel::QueryResultModel(QObject* parent) : QAbstractTableModel(parent) {}

QueryResultModel::~QueryResultModel() = default;

bool QueryResultModel::open(TDataBase& db, const ComposedStatement& composed) {
    beginResetModel();
    m_changing = true;
    m_rows.clear();
    m_titles.clear();
    m_error.clear();
    m_total = 0;
    m_composed = composed;
    m_query = std::make_unique<QueryRows>(db, composed);
    if (m_query->ok()) {
        m_titles = m_query->columnTitles();
        // An unknown count shows the rows read so far; the rows themselves are what matter.
        m_total = countRows(db, composed).value_or(-1);
    } else {
        m_error = m_query->error();
        m_query.reset();
    }
    learnColumns();
    endResetModel();
    m_changing = false;
    if (m_query)
        fetchMore({});
    return m_error.isEmpty();
}

void QueryResultModel::learnColumns() {
    m_kinds.clear();
    m_buyColumn = m_sellColumn = m_departmentColumn = m_memoColumn = -1;
    for (int i = 0; i < m_titles.size(); ++i) {
        const ResultColumn kind = resultColumnOf(m_titles.at(i));
        m_kinds << kind;
        if (kind == ResultColumn::BuyOrVolume)
            m_buyColumn = i;
        else if (kind == ResultColumn::SellOrAmount)
            m_sellColumn = i;
        else if (kind == ResultColumn::Department && m_departmentColumn < 0)
            m_departmentColumn = i;
        else if (kind == ResultColumn::Memo)
            m_memoColumn = i;
    }
    // A department's rows get their net buying beside them.
    if (m_buyColumn >= 0 && m_sellColumn >= 0)
        m_kinds << ResultColumn::NetBuy;
}

void QueryResultModel::close() {
    beginResetModel();
    m_query.reset();
    m_rows.clear();
    m_titles.clear();
    m_kinds.clear();
    m_error.clear();
    m_total = 0;
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

bool QueryResultModel::isAnomalyRow(const QVariantList& row) const {
    return m_departmentColumn >= 0 && isChangeDescription(row.value(m_departmentColumn).toString());
}

bool QueryResultModel::isTurnoverRow(const QVariantList& row) const {
    return m_memoColumn >= 0 && FigureFormat::isTurnoverMemo(row.value(m_memoColumn).toString());
}

QVariant QueryResultModel::value(const QVariantList& row, int column) const {
    if (column < m_titles.size())
        return row.value(column);
    // The net buying: nothing on an anomaly row, whose columns are its volume and turnover.
    if (isAnomalyRow(row) || row.value(m_buyColumn).isNull() || row.value(m_sellColumn).isNull())
        return {};
    return row.value(m_buyColumn).toDouble() - row.value(m_sellColumn).toDouble();
}

int QueryResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int QueryResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_kinds.size());
}

QVariant QueryResultModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QVariantList& row = m_rows.at(index.row());
    const QVariant cell = value(row, index.column());
    if (role == RawRole)
        return cellText(cell);
    const ResultColumn kind = m_kinds.at(index.column());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return showCell(kind, cell, isAnomalyRow(row), isTurnoverRow(row)).text;
        case Qt::ForegroundRole: {
            const QColor colour = showCell(kind, cell, isAnomalyRow(row), isTurnoverRow(row)).colour;
            return colour.isValid() ? QVariant(colour) : QVariant();
        }
        case Qt::TextAlignmentRole:
            if (showCell(kind, cell, false).figure)
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        default:
            return {};
    }
}

QVariant QueryResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (section < 0 || section >= m_kinds.size())
        return {};
    const QString alias = section < m_titles.size() ? m_titles.at(section) : kNetBuyTitle;
    switch (role) {
        case Qt::DisplayRole:
            return shownTitle(alias);
        case RawRole:
            return alias;
        case GridExport::kExportTitleRole:
            return exportTitle(alias);
        case Qt::InitialSortOrderRole:
            // The first click on a title puts the larger first.
            return Qt::DescendingOrder;
        default:
            return {};
    }
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

void QueryResultModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= m_kinds.size() || m_changing)
        return;
    // The order of all the rows, not of those read so far.
    while (m_query)
        fetchMore({});
    QCollator chinese{QLocale(QLocale::Chinese, QLocale::China)};
    const auto less = [&](const QVariantList& a, const QVariantList& b) {
        const QVariant x = value(a, column);
        const QVariant y = value(b, column);
        // Empty cells stand below every value.
        if (x.isNull() || y.isNull())
            return x.isNull() && !y.isNull();
        bool xNumber = false;
        bool yNumber = false;
        const double xv = x.toDouble(&xNumber);
        const double yv = y.toDouble(&yNumber);
        if (xNumber && yNumber && x.typeId() != QMetaType::QString)
            return xv < yv;
        return chinese.compare(x.toString(), y.toString()) < 0;
    };
    beginResetModel();
    if (order == Qt::AscendingOrder)
        std::stable_sort(m_rows.begin(), m_rows.end(), less);
    else
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [&less](const QVariantList& a, const QVariantList& b) { return less(b, a); });
    endResetModel();
}

}  // namespace quarrow
