#include "gui/StockListPanel.h"

#include "gui/PageWidgets.h"
#include "gui/StockListModel.h"
#include "quotefiles/StockList.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace quarrow {

namespace {

constexpr int kCodeColumnWidth = 70;
constexpr int kNameColumnWidth = 80;
constexpr int kOwnListWidth_px = 110;

// The panel's small commands look like the labels they always were: flat, a hand cursor.
QPushButton* labelButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = named(new QPushButton(caption, parent), name);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

}  // namespace

StockListPanel::StockListPanel(const StockList& stocks, QWidget* parent) : QWidget(parent), m_stocks(stocks) {
    setObjectName(QStringLiteral("PanelCodeName"));
    m_model = new StockListModel(stocks, this);
    m_list = named(new QTableView(this), "ListStCodeName");
    m_list->setModel(m_model);
    m_list->setToolTip(QStringLiteral("为全部股票列表(sz为深证所股票,sh为上证所股票)"));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->setColumnWidth(0, kCodeColumnWidth);
    m_list->setColumnWidth(1, kNameColumnWidth);
    m_list->setFixedWidth(kCodeColumnWidth + kNameColumnWidth +
                          m_list->verticalScrollBar()->sizeHint().width() + 2 * m_list->frameWidth());
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!m_loading && current.isValid())
                    Q_EMIT stockRowChosen(current.row());
            });

    m_own = named(new QListWidget(this), "ListSelfStock");
    m_own->setToolTip(QStringLiteral("为自选股票"));
    // A prefixed code and a name of four characters whole, beside the scroll bar.
    m_own->setFixedWidth(std::max(
        kOwnListWidth_px, m_own->fontMetrics().horizontalAdvance(QStringLiteral("sh600000 中国平安")) +
                              m_own->verticalScrollBar()->sizeHint().width() + 2 * m_own->frameWidth() + 8));
    connect(m_own, &QListWidget::itemClicked, this, [this] {
        if (m_own->currentItem())
            Q_EMIT ownStockClicked(ownKey(m_own->currentItem()));
    });
    auto* addOwn = labelButton(this, "btnSelfStock", QStringLiteral("> 加入到自选股 >"));
    auto* addFromQuery = labelButton(this, "lblAddToSelf", QStringLiteral("< 加入到自选股 <"));
    auto* delLeft = labelButton(this, "btnDelSelfStock", QStringLiteral("< 取消一只自选股 <"));
    auto* delRight = labelButton(this, "lblDelSelfStock", QStringLiteral("> 取消一只自选股 >"));
    // The arrows point from where a stock comes to where it goes: the stock list on the
    // left, the own list on the right, the query's grid below.
    addOwn->setToolTip(QStringLiteral("把左边股票列表中选中的股票加入右边的自选股"));
    addFromQuery->setToolTip(QStringLiteral("把下方查询结果中当前行的股票加入自选股"));
    delLeft->setToolTip(QStringLiteral("从自选股中删去选中的股票"));
    delRight->setToolTip(QStringLiteral("从自选股中删去选中的股票"));
    auto* addCurrent = named(new QLabel(QStringLiteral("←加到自选股"), this), "pnlAddToSelf");
    addCurrent->setFrameShape(QFrame::Panel);
    addCurrent->setToolTip(QStringLiteral("双击加到自选股"));
    addCurrent->installEventFilter(this);
    m_addCurrent = addCurrent;
    connect(addOwn, &QPushButton::clicked, this, &StockListPanel::addListStockClicked);
    connect(addFromQuery, &QPushButton::clicked, this, &StockListPanel::addResultStockClicked);
    connect(delLeft, &QPushButton::clicked, this, &StockListPanel::removeOwnStockClicked);
    connect(delRight, &QPushButton::clicked, this, &StockListPanel::removeOwnStockClicked);

    auto* commands = new QVBoxLayout;
    commands->addStretch();
    for (QWidget* widget :
         std::initializer_list<QWidget*>{addOwn, delRight, addFromQuery, delLeft, addCurrent})
        commands->addWidget(widget);
    commands->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    layout->addLayout(commands);
    layout->addWidget(m_own);
}

void StockListPanel::reload(const std::function<void()>& change) {
    m_loading = true;
    // The loaders report their failures by throwing: the flag comes down either way.
    try {
        m_model->reload(change);
    } catch (...) {
        m_loading = false;
        throw;
    }
    m_loading = false;
}

void StockListPanel::selectRow(int row) {
    m_loading = true;
    m_list->setCurrentIndex(m_model->index(row, 0));
    m_list->scrollToTop();
    m_loading = false;
}

void StockListPanel::scrollToRow(int row) {
    m_list->scrollTo(m_model->index(row, 0), QAbstractItemView::PositionAtTop);
}

int StockListPanel::currentRow() const {
    const QModelIndex current = m_list->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void StockListPanel::showOwnStocks(const QStringList& items) {
    const QString selected = ownKey(m_own->currentItem());
    m_own->clear();
    // A bare code says little: each line names its stock as the stock list does.
    for (const QString& key : items) {
        const QString name = m_stocks.nameOf(key).trimmed();
        auto* item = new QListWidgetItem(name.isEmpty() ? key : key + QLatin1Char(' ') + name, m_own);
        item->setData(Qt::UserRole, key);
        if (!selected.isEmpty() && key == selected)
            m_own->setCurrentItem(item);
    }
}

QString StockListPanel::ownKey(const QListWidgetItem* item) {
    return item ? item->data(Qt::UserRole).toString() : QString();
}

QString StockListPanel::currentOwnStock(bool selected) const {
    const QListWidgetItem* item = m_own->currentItem();
    if (!item || (selected && !item->isSelected()))
        return {};
    return ownKey(item);
}

bool StockListPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_addCurrent && event->type() == QEvent::MouseButtonDblClick)
        Q_EMIT addCurrentDoubleClicked();
    return QWidget::eventFilter(watched, event);
}

}  // namespace quarrow
