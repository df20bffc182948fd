#include "gui/DailyBarGrid.h"

#include "app/FigureFormat.h"
#include "gui/GridExport.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>

namespace quarrow {

namespace {

constexpr int kTextInset_px = 2;
constexpr int kFont_pt = 8;
const int kColumnWidths[] = {70, 49, 46, 46, 50, 86, 72};
// Delphi's clCream, the colour the fixed cells always had.
const QColor kCream(255, 251, 240);

// The bar's figures as every page shows them: prices in yuan with two decimals, the
// amount in 万 or 亿 yuan, the volume in lots with its unit.
QString shownCell(const DailyViewRow& row, int column) {
    const DailyBar& bar = row.bar;
    switch (column) {
        case 1:
            return FigureFormat::fixed(bar.Open / 100.0, 2);
        case 2:
            return FigureFormat::fixed(bar.High / 100.0, 2);
        case 3:
            return FigureFormat::fixed(bar.Low / 100.0, 2);
        case 4:
            return FigureFormat::fixed(bar.Close / 100.0, 2);
        case 5:
            return FigureFormat::units(static_cast<double>(bar.Amount), QStringLiteral("元"));
        case 6:
            return FigureFormat::units(bar.Volume / 100.0, QStringLiteral("手"));
        default:
            return row.cells.value(column);
    }
}

// The cells carry their units; the titles leave them out.
const QStringList kTitles{QStringLiteral("日期"),   QStringLiteral("开盘价"), QStringLiteral("最高价"),
                          QStringLiteral("最低价"), QStringLiteral("收盘价"), QStringLiteral("成交额"),
                          QStringLiteral("成交量")};

}  // namespace

QColor DailyBarModel::upColor() {
    return Qt::red;
}

QColor DailyBarModel::downColor() {
    return QColor(0, 255, 0);
}

void DailyBarModel::setRows(QList<DailyViewRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int DailyBarModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DailyBarModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(dailyViewTitles().size());
}

QVariant DailyBarModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const DailyViewRow& row = m_rows.at(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return shownCell(row, index.column());
        case GridExport::kExportRole:
            return row.cells.value(index.column());
        case Qt::ForegroundRole:
            return row.up ? upColor() : downColor();
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignVCenter |
                                       (index.column() == 0 ? Qt::AlignLeft : Qt::AlignRight));
        case UpRole:
            return row.up;
        default:
            return {};
    }
}

QVariant DailyBarModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return kTitles.value(section);
    if (role == GridExport::kExportTitleRole)
        return dailyViewTitles().value(section);
    return {};
}

void DailyBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->fillRect(option.rect, selected ? option.palette.highlight() : QBrush(Qt::black));
    painter->save();
    painter->setFont(option.font);
    painter->setPen(index.data(Qt::ForegroundRole).value<QColor>());
    const QRect text = option.rect.adjusted(kTextInset_px, 0, -kTextInset_px, 0);
    const auto alignment = static_cast<Qt::Alignment>(index.data(Qt::TextAlignmentRole).toInt());
    painter->drawText(text, static_cast<int>(alignment), index.data(Qt::DisplayRole).toString());
    painter->restore();
}

DailyBarGrid::DailyBarGrid(QWidget* parent) : QTableView(parent), m_model(new DailyBarModel(this)) {
    setObjectName(QStringLiteral("StrGridDaily"));
    // The widths of old were made for an 8-point font; the date's arrow needs it.
    QFont small = font();
    small.setPointSize(kFont_pt);
    setFont(small);
    setModel(m_model);
    setItemDelegate(new DailyBarDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setStyleSheet(QStringLiteral("QTableView#StrGridDaily { background: black; gridline-color: #404040; }"
                                 "QHeaderView::section { background: %1; color: black; padding-top: 2px; "
                                 "border: 1px solid #808080; }")
                      .arg(kCream.name()));
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < static_cast<int>(std::size(kColumnWidths)); ++column) {
        setColumnWidth(column, kColumnWidths[column]);
        width += kColumnWidths[column];
    }
    // All seven columns in sight: the grid stands where the stock lists stood.
    setMinimumWidth(width);
    hide();
}

}  // namespace quarrow
