#pragma once

#include "gui/GridExport.h"
#include "gui/ResultFormat.h"
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
//
// The grid shows the figures as stock software does (separators, 万/亿, red and green)
// and, beside a department's buying and selling, its net buying 净买额; RawRole gives
// every cell and title as the statement has it, for the CSV file and the clipboard, whose
// titles are those shown with the figures' units.
class QueryResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kRowsPerBatch = 256;
    static constexpr int RawRole = GridExport::kExportRole;

    explicit QueryResultModel(QObject* parent = nullptr);
    ~QueryResultModel() override;

    // Runs the statement, counts its rows and reads its first batch. False when it could
    // not run (the reason in error()); the model is then empty.
    bool open(TDataBase& db, const ComposedStatement& composed);
    // Empties the model and drops the statement.
    void close();
    // Runs the statement of the last open() again (false when there was none or it failed),
    // so the grid shows what is left after a delete.
    bool reopen(TDataBase& db);
    bool hasStatement() const { return m_composed.has_value(); }
    bool hasRows() const { return !m_rows.isEmpty(); }
    // How many rows the statement gave, all of them, however many the grid read so far.
    qint64 totalRows() const { return m_total; }
    QString error() const { return m_error; }
    // The statement's own columns; the grid's net buying stands after them.
    int statementColumnCount() const { return static_cast<int>(m_titles.size()); }
    // The values of a fetched row, as the drill-down needs them (the statement's columns).
    QVariantList rowValues(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    // Reads the rest of the result and orders all of it by the column.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void learnColumns();
    bool isAnomalyRow(const QVariantList& row) const;
    // A row of a day listed for its turnover (by its memo), whose rate is no change.
    bool isTurnoverRow(const QVariantList& row) const;
    QVariant value(const QVariantList& row, int column) const;

    std::unique_ptr<QueryRows> m_query;
    std::optional<ComposedStatement> m_composed;
    QStringList m_titles;
    QList<ResultColumn> m_kinds;
    int m_buyColumn = -1;
    int m_sellColumn = -1;
    int m_departmentColumn = -1;
    int m_memoColumn = -1;
    QList<QVariantList> m_rows;
    qint64 m_total = 0;
    QString m_error;
    bool m_changing = false;  // inside a reset or an insert the views hear of
};

}  // namespace quarrow
