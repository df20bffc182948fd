#pragma once

#include "review/OperatorQuery.h"
#include "scorecard/TrackRecord.h"

#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QSpinBox;
class QStandardItemModel;
class QTableView;

namespace quarrow {

class AppFrame;
class CheckedDatePicker;
class PageHost;
class ProgramServices;
class StockChart;

// The page "营业部战绩": every department ranked by what its stocks did 1, 2, 3, 5 and 10
// trading days after it bought (or sold); a department chosen lists its trades with their
// returns, and a trade chosen draws its stock around the day.
class TrackRecordPage : public QWidget {
    Q_OBJECT
public:
    TrackRecordPage(ProgramServices& services, PageHost& host, QWidget* parent);

    // Shows the page, covering the query's date range: a date limits the rows only when
    // it is ticked.
    void showForRange(const OperatorQuery& query);

    QTableView* departmentGrid() const { return m_departmentGrid; }
    QTableView* tradeGrid() const { return m_tradeGrid; }
    StockChart* chart() const { return m_chart; }
    const std::optional<TrackRecord>& record() const { return m_record; }

public Q_SLOTS:
    // Reads the rows and the bars again and fills the grid.
    void btnTrackRecordClick();

private:
    void fillDepartments();
    void showDepartment(qint32 key);
    void showTrade(int row);
    TradeSide side() const;

    ProgramServices& m_services;
    PageHost& m_host;
    AppFrame& m_frame;
    CheckedDatePicker* m_from = nullptr;
    CheckedDatePicker* m_to = nullptr;
    QSpinBox* m_minCount = nullptr;
    QComboBox* m_market = nullptr;
    QComboBox* m_side = nullptr;
    QLabel* m_summary = nullptr;
    QStandardItemModel* m_departments = nullptr;
    QSortFilterProxyModel* m_departmentOrder = nullptr;
    QTableView* m_departmentGrid = nullptr;
    QStandardItemModel* m_trades = nullptr;
    QSortFilterProxyModel* m_tradeOrder = nullptr;
    QTableView* m_tradeGrid = nullptr;
    StockChart* m_chart = nullptr;
    std::optional<TrackRecord> m_record;
    std::vector<DepartmentTrade> m_shownTrades;
};

}  // namespace quarrow
