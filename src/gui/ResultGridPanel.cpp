#include "gui/ResultGridPanel.h"

#include "gui/PageWidgets.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace quarrow {

ResultGridPanel::ResultGridPanel(QWidget* parent) : QWidget(parent) {
    m_grid = named(new QTableView(this), "dbGridTop5List");
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_count = named(new QLabel(this), "lblResultCount");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_count);
}

void ResultGridPanel::showRows(QAbstractItemModel* rows) {
    if (m_grid->model() == rows)
        return;
    // A model comes with a selection model of its own; the old one would go on following
    // a model the grid no longer shows.
    QItemSelectionModel* previous = m_grid->selectionModel();
    m_grid->setModel(rows);
    delete previous;
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ResultGridPanel::currentRowChanged);
}

void ResultGridPanel::setCount(const QString& text) {
    m_count->setText(text);
}

}  // namespace quarrow
