#include "gui/FormCodeDepart.h"

#include "app/AppFrame.h"
#include "gui/GridExport.h"
#include "gui/QueryResultModel.h"
#include "store/DataBase.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace quarrow {

namespace {

const QString kInitialCaption = QStringLiteral("股票+营业部查询数据");
const QString kInitialTitle = QStringLiteral("股票操盘庄家数据");

}  // namespace

void applyResultColumnWidths(QTableView& grid) {
    const int columns = grid.model() ? grid.model()->columnCount() : 0;
    for (int i = 0; i < std::min(columns, static_cast<int>(kResultColumnWidths.size())); ++i)
        grid.setColumnWidth(i, kResultColumnWidths.at(static_cast<size_t>(i)));
}

TFormCodeDepart::TFormCodeDepart(ResultKind kind, TDataBase& db, AppFrame& frame, RowFollower follow,
                                 QWidget* owner)
    : QWidget(owner, Qt::Window), m_kind(kind), m_db(db), m_frame(frame), m_follow(std::move(follow)) {
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
    GridExport::install(m_grid);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    if (kind == ResultKind::BlockTrades) {
        const ResultWindowLook& look = resultWindowLook(kind);
        setWindowTitle(look.caption);
        m_title->setText(look.title);
        m_grid->setToolTip(look.hint);
    } else {
        m_grid->setToolTip(resultWindowLook(kind).hint);
    }
    connect(m_grid, &QTableView::doubleClicked, this, &TFormCodeDepart::dbGridTop5ListDblClick);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && m_follow)
                    m_follow(m_model->rowValues(current.row()));
            });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_title);
    layout->addWidget(m_grid, 1);
}

TFormCodeDepart::~TFormCodeDepart() = default;

void TFormCodeDepart::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

bool TFormCodeDepart::open(const ComposedStatement& composed) {
    if (m_model->open(m_db, composed)) {
        // Like the main grid, a fresh result stands on its first row, which the main window follows.
        if (m_model->hasRows())
            m_grid->setCurrentIndex(m_model->index(0, 0));
        return true;
    }
    m_frame.notify(QStringLiteral("数据查询出错: %1").arg(m_model->error()));
    return false;
}

bool TFormCodeDepart::hasRows() const {
    return m_model->hasRows();
}

TFormCodeDepart* TFormCodeDepart::dbGridTop5ListDblClick(const QModelIndex& cell) {
    if (!cell.isValid())
        return nullptr;
    return drillDown(m_kind, cell.column(), m_model->rowValues(cell.row()), m_db, m_frame, m_follow,
                     parentWidget());
}

TFormCodeDepart* TFormCodeDepart::drillDown(ResultKind kind, int column, const QVariantList& row,
                                            TDataBase& db, AppFrame& frame, const RowFollower& follow,
                                            QWidget* owner) {
    if (!db.DBOpened())
        return nullptr;
    const std::optional<ComposedStatement> composed = composeDrillDown(kind, column, row);
    if (!composed)
        return nullptr;
    auto* window = new TFormCodeDepart(kind, db, frame, follow, owner);
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
    applyResultColumnWidths(*m_grid);
}

void TFormCodeDepart::closeEvent(QCloseEvent* event) {
    m_model->close();
    event->accept();
}

}  // namespace quarrow
