#include "gui/FormCodeDepart.h"

#include "app/AppFrame.h"
#include "gui/GridExport.h"
#include "gui/QueryResultModel.h"
#include "gui/WindowMemory.h"
#include "store/DataBase.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace quarrow {

namespace {

const QString kInitialCaption = QStringLiteral("股票+营业部查询数据");
const QString kInitialTitle = QStringLiteral("股票操盘庄家数据");

}  // namespace

void sizeResultColumns(QTableView& grid, WindowMemory* memory, const QString& gridKey) {
    if (memory) {
        memory->sizeColumns(grid, gridKey, kResultColumnWidths);
        return;
    }
    const int columns = grid.model() ? grid.model()->columnCount() : 0;
    for (int i = 0; i < columns; ++i) {
        grid.resizeColumnToContents(i);
        if (static_cast<size_t>(i) < kResultColumnWidths.size())
            grid.setColumnWidth(
                i, std::max(grid.columnWidth(i), kResultColumnWidths.at(static_cast<size_t>(i))));
    }
}

QString rowCountText(qint64 rows) {
    return rows < 0 ? QString() : QStringLiteral("共%1条").arg(rows);
}

TFormCodeDepart::TFormCodeDepart(ResultKind kind, ResultWindowContext context, QWidget* owner, QWidget* from)
    : QWidget(owner, Qt::Window), m_kind(kind), m_context(std::move(context)), m_from(from ? from : owner) {
    setObjectName(QStringLiteral("FormCodeDepart"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kInitialCaption);
    resize(kResultWindowWidth, kResultWindowHeight);

    m_title = new QLabel(kInitialTitle, this);
    m_title->setObjectName(QStringLiteral("lblCaption"));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setStyleSheet(
        QStringLiteral("QLabel { color: #FF0000; background: #0000FF; font-size: 16px; }"));
    m_model = new QueryResultModel(this);
    m_model->setObjectName(QStringLiteral("QueryCodeDepart"));
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("dbGridTop5List"));
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setShowGrid(true);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // A click on a title sorts, the larger first; the rows come in the statement's order.
    m_grid->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
    m_grid->setSortingEnabled(true);
    if (m_context.addGridCommands)
        m_context.addGridCommands(*m_grid, kind);
    GridExport::install(m_grid);
    if (m_context.memory)
        m_context.memory->trackColumns(*m_grid, gridKey());
    const ResultWindowLook& look = resultWindowLook(kind);
    if (kind == ResultKind::BlockTrades) {
        setWindowTitle(look.caption);
        m_title->setText(look.title);
    }
    m_grid->setToolTip(look.hint);
    m_rowCount = new QLabel(this);
    m_rowCount->setObjectName(QStringLiteral("lblRowCount"));
    m_grid->installEventFilter(this);
    connect(m_grid, &QTableView::doubleClicked, this, &TFormCodeDepart::dbGridTop5ListDblClick);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && m_context.follow)
                    m_context.follow(m_model->rowValues(current.row()));
            });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_title);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_rowCount);
}

TFormCodeDepart::~TFormCodeDepart() = default;

QString TFormCodeDepart::gridKey() const {
    return QStringLiteral("FormCodeDepart%1").arg(static_cast<int>(m_kind));
}

void TFormCodeDepart::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

void TFormCodeDepart::setSubject(const QString& subject) {
    const ResultWindowLook& look = resultWindowLook(m_kind);
    const QString title = m_kind == ResultKind::BlockTrades ? look.title : kInitialTitle;
    if (subject.isEmpty())
        return;
    setWindowTitle(title + QStringLiteral(" - ") + subject);
    m_title->setText(title + QStringLiteral(" - ") + subject);
}

bool TFormCodeDepart::open(const ComposedStatement& composed) {
    m_grid->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
    if (m_model->open(m_context.db, composed)) {
        // Like the main grid, a fresh result stands on its first row, which the main window follows.
        if (m_model->hasRows())
            m_grid->setCurrentIndex(m_model->index(0, 0));
        sizeResultColumns(*m_grid, m_context.memory, gridKey());
        if (isVisible() && !m_userPlaced)
            place();
        showRowCount();
        return true;
    }
    m_context.frame.notify(QStringLiteral("数据查询出错: %1").arg(m_model->error()));
    return false;
}

void TFormCodeDepart::showRowCount() {
    m_rowCount->setText(rowCountText(m_model->totalRows()));
}

bool TFormCodeDepart::hasRows() const {
    return m_model->hasRows();
}

TFormCodeDepart* TFormCodeDepart::dbGridTop5ListDblClick(const QModelIndex& cell) {
    if (!cell.isValid())
        return nullptr;
    return drillDown(m_kind, cell.column(), m_model->rowValues(cell.row()), m_context, parentWidget(), this);
}

TFormCodeDepart* TFormCodeDepart::drillDown(ResultKind kind, int column, const QVariantList& row,
                                            const ResultWindowContext& context, QWidget* owner,
                                            QWidget* from) {
    if (!context.db.DBOpened())
        return nullptr;
    const std::optional<ComposedStatement> composed = composeDrillDown(kind, column, row);
    if (!composed)
        return nullptr;
    auto* window = new TFormCodeDepart(kind, context, owner, from);
    window->setSubject(drillDownSubject(kind, column, row));
    if (!window->open(*composed)) {
        delete window;
        return nullptr;
    }
    // An empty narrowed result is still shown: it tells the user that nothing matched.
    window->show();
    return window;
}

void TFormCodeDepart::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    sizeResultColumns(*m_grid, m_context.memory, gridKey());
    // Until the user moves or sizes it, a window the page shows again for its next query
    // fits the columns of that query; after that it stays where the user put it.
    if (!m_userPlaced)
        place();
}

void TFormCodeDepart::place() {
    m_placing = true;
    m_userPlaced = m_context.memory && m_context.memory->restoreWindowPlace(*this, gridKey());
    if (!m_userPlaced)
        setGeometry(placeForColumns());
    // A window of the page standing just there already would hide behind this one.
    const QScreen* screen = this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    const int step = std::max(1, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    const auto taken = [this] {
        const QList<TFormCodeDepart*> others =
            parentWidget() ? parentWidget()->findChildren<TFormCodeDepart*>(Qt::FindDirectChildrenOnly)
                           : QList<TFormCodeDepart*>();
        return std::any_of(others.cbegin(), others.cend(), [this](const TFormCodeDepart* other) {
            return other != this && other->isVisible() && other->pos() == pos();
        });
    };
    while (taken()) {
        const QRect next = frameGeometry().translated(step, step);
        if (available.isValid() && !available.contains(next))
            break;
        move(next.topLeft());
    }
    m_placing = false;
}

QRect TFormCodeDepart::placeForColumns() const {
    // Every column in view: the row numbers, the columns, the scroll bar the rows may need.
    const QHeaderView* rowHeader = m_grid->verticalHeader();
    const int rowNumbers =
        rowHeader->isHidden() ? 0 : std::max(rowHeader->minimumWidth(), rowHeader->sizeHint().width());
    const int scrollBar =
        style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid->verticalScrollBar());
    QSize size(std::max(kResultWindowWidth, rowNumbers + m_grid->horizontalHeader()->length() + scrollBar +
                                                2 * m_grid->frameWidth()),
               kResultWindowHeight);

    const QWidget* from = m_from ? m_from->window() : nullptr;
    const QScreen* screen = from ? from->screen() : this->screen();
    // The frame a window of this desktop wears, as the one it opens over wears it.
    const QMargins frame = from ? QMargins(from->geometry().left() - from->frameGeometry().left(),
                                           from->geometry().top() - from->frameGeometry().top(),
                                           from->frameGeometry().right() - from->geometry().right(),
                                           from->frameGeometry().bottom() - from->geometry().bottom())
                                : QMargins();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(), size.grownBy(frame));
    size = size.boundedTo(available.size().shrunkBy(frame));
    const QSize outer = size.grownBy(frame);
    QPoint corner = from ? from->frameGeometry().center() - QPoint(outer.width() / 2, outer.height() / 2)
                         : available.center() - QPoint(outer.width() / 2, outer.height() / 2);
    corner.setX(std::clamp(corner.x(), available.left(), available.right() + 1 - outer.width()));
    corner.setY(std::clamp(corner.y(), available.top(), available.bottom() + 1 - outer.height()));
    return QRect(corner + QPoint(frame.left(), frame.top()), size);
}

void TFormCodeDepart::rememberPlace() {
    if (!isVisible() || m_placing)
        return;
    m_userPlaced = true;
    if (m_context.memory)
        m_context.memory->rememberWindowPlace(*this, gridKey());
}

void TFormCodeDepart::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    rememberPlace();
}

void TFormCodeDepart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rememberPlace();
}

bool TFormCodeDepart::eventFilter(QObject* watched, QEvent* event) {
    // Esc closes the window, as the cancel button of a dialog would; the grid, which has
    // the focus, would take the key for itself.
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormCodeDepart::closeEvent(QCloseEvent* event) {
    m_model->close();
    event->accept();
}

}  // namespace quarrow
