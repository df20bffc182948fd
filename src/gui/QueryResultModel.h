#pragma once

#include "review/QueryRunner.h"

#include <QAbstractTableModel>
#include <QList>
#include <QVariantList>

#include <memory>
#include <optional>

namespace quarrow {

// The rows of one composed statement for a grid. Rows come from the open statement in
// batches as the view scrolls, so a long result never sits in memory at once; the
// statement is dropped as soon as its last row is read or the result is closed, because an
// open statement holds SQLite's read snapshot and keeps writers' pages from being reused.
class QueryResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kRowsPerBatch = 256;

    explicit QueryResultModel(QObject* parent = nullptr);
    ~QueryResultModel() override;

    // Runs the statement and reads its first batch. False when it could not run (the
    // reason in error()); the model is then empty.
    bool open(TDataBase& db, const ComposedStatement& composed);
    // Empties the model and drops the statement.
    void close();
    // Runs the statement of the last open() again (false when there was none or it failed),
    // so the grid shows what is left after a delete.
    bool reopen(TDataBase& db);
    bool hasStatement() const { return m_composed.has_value(); }
    bool hasRows() const { return !m_rows.isEmpty(); }
    QString error() const { return m_error; }
    // The values of a fetched row, as the drill-down needs them.
    QVariantList rowValues(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    std::unique_ptr<QueryRows> m_query;
    std::optional<ComposedStatement> m_composed;
    QStringList m_titles;
    QList<QVariantList> m_rows;
    QString m_error;
    bool m_changing = false;  // inside a reset or an insert the views hear of
};

}  // namespace quarrow
