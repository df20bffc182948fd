#include "gui/DailyViewerPanel.h"

#include "gui/DailyBarGrid.h"
#include "gui/StockChart.h"
#include "program/ProgramServices.h"
#include "quotefiles/FileOP.h"
#include "scorecard/StockChartData.h"

#include <QHeaderView>
#include <QShortcut>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quarrow {

namespace {

constexpr int kArrowsWidth_px = 20;
constexpr int kTitleGap_px = 4;  // between the grid's first title and the boxes beside it

}  // namespace

DailyViewerPanel::DailyViewerPanel(ProgramServices& services, QWidget* parent)
    : QWidget(parent), m_services(services) {
    m_grid = new DailyBarGrid(this);
    m_close = new QToolButton(m_grid);
    m_close->setObjectName(QStringLiteral("btnCloseDaily"));
    m_close->setText(QStringLiteral("X"));
    m_close->setToolTip(QStringLiteral("关闭此数据窗口"));
    m_close->hide();
    connect(m_close, &QToolButton::clicked, this, &DailyViewerPanel::closeClicked);
    m_days = new QSpinBox(m_grid);
    m_days->setObjectName(QStringLiteral("UpDownDays"));
    m_days->setRange(-1000000000, 1000000000);
    m_days->setToolTip(QStringLiteral("设置数据天数"));
    m_days->hide();
    connect(m_days, &QSpinBox::valueChanged, this, [this](int position) {
        const int step = position > m_daysPosition ? 1 : -1;
        m_daysPosition = position;
        Q_EMIT daysStepped(step);
    });
    // The close box is the window's cancel button: Esc closes the viewer.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_close->isVisible())
            m_close->click();
    });

    m_chart = new StockChart(this);
    m_chart->setObjectName(QStringLiteral("chartDaily"));
    m_chart->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid);
    layout->addWidget(m_chart);
    hide();
}

bool DailyViewerPanel::isOpen() const {
    return m_grid->isVisible();
}

void DailyViewerPanel::layOutOnce() {
    if (m_laidOut)
        return;
    m_laidOut = true;
    // Over the header row: the close box at its left, the arrows ending 2 pixels right of
    // the first column's border, and the title 日期 between them in sight: the column is
    // widened where the two would cover it (a larger font, a scaled screen).
    QHeaderView* header = m_grid->horizontalHeader();
    const int headerHeight = header->sizeHint().height();
    const int frame = m_grid->frameWidth();
    const int title =
        header->fontMetrics().horizontalAdvance(header->model()->headerData(0, Qt::Horizontal).toString());
    const int side = std::max(headerHeight + 2, kArrowsWidth_px - 2) + kTitleGap_px;
    const int widened = title + 2 * side - m_grid->columnWidth(0);
    if (widened > 0) {
        m_grid->setColumnWidth(0, m_grid->columnWidth(0) + widened);
        m_grid->setMinimumWidth(m_grid->minimumWidth() + widened);
    }
    m_close->setGeometry(frame + 2, frame + 2, headerHeight, headerHeight);
    m_days->setGeometry(frame + m_grid->columnWidth(0) - kArrowsWidth_px + 2, frame + 2, kArrowsWidth_px,
                        headerHeight);
}

void DailyViewerPanel::showStock(const QString& prefixedCode, int days) {
    // The panel's parts first: shown, the panel asks for the room they need, and a pane
    // folded away for the query's figures comes back that wide.
    m_grid->show();
    m_close->show();
    m_days->show();
    layOutOnce();
    show();
    m_close->raise();
    m_days->raise();
    const QString quoteFolder = m_services.setup().QuoteFolder();
    try {
        const auto view = loadDailyRows(quoteFolder, prefixedCode, days);
        if (!view || view->rows.isEmpty())
            return;  // a count that leaves no rows keeps what the grid showed
        m_services.frame().setStatusPanel(StatusPanel::Pending, QString::number(view->rows.size()));
        m_grid->rows()->setRows(view->rows);
        drawChart(prefixedCode, static_cast<int>(view->rows.size()));
    } catch (const RecordFileError& error) {
        m_services.frame().ShowPrompt(error.message());
    }
}

void DailyViewerPanel::drawChart(const QString& prefixedCode, int days) {
    // At least three months, so a few days in the grid still show where they stand; more
    // than half a year of candlesticks would be too thin to read.
    constexpr int kFewestBars = 60;
    constexpr int kMostBars = 120;
    StockChartData chart;
    chart.code = prefixedCode.mid(2);
    chart.bars =
        lastBars(m_services.setup().QuoteFolder(), chart.code, std::clamp(days, kFewestBars, kMostBars));
    if (const auto stored = storedDays(m_services.store(), chart.code, chart.bars))
        chart.anomalyDays = *stored;
    m_chart->showData(chart, prefixedCode);
    m_chart->show();
}

void DailyViewerPanel::closeViewer() {
    m_close->hide();
    m_chart->hide();
    m_grid->hide();
    m_days->hide();
    // Closed, the panel takes no room from the stock lists in its place.
    hide();
}

void DailyViewerPanel::setDaysHint(const QString& hint) {
    m_days->setToolTip(hint);
}

}  // namespace quarrow
