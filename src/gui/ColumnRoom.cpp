#include "gui/ColumnRoom.h"

#include <QEvent>
#include <QHeaderView>
#include <QLayout>
#include <QSplitter>
#include <QTableView>

#include <algorithm>

namespace quarrow {

namespace {

int leastWidth(const QWidget& pane) {
    return std::max(pane.minimumSizeHint().width(), pane.minimumWidth());
}

}  // namespace

ColumnRoom::ColumnRoom(QTableView& grid) : QObject(&grid), m_grid(grid) {
    for (QWidget* pane = &grid; pane && !pane->isWindow(); pane = pane->parentWidget()) {
        auto* splitter = qobject_cast<QSplitter*>(pane->parentWidget());
        if (splitter && splitter->orientation() == Qt::Horizontal) {
            m_splitter = splitter;
            break;
        }
    }
    if (!m_splitter)
        return;
    const int mine = gridPane();
    for (int i = 0; i < m_splitter->count(); ++i) {
        if (i == mine)
            continue;
        for (QWidget* part : m_splitter->widget(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            part->installEventFilter(this);
    }
}

int ColumnRoom::gridPane() const {
    for (QWidget* pane = &m_grid; pane; pane = pane->parentWidget()) {
        if (pane->parentWidget() == m_splitter)
            return m_splitter->indexOf(pane);
    }
    return -1;
}

void ColumnRoom::makeRoom() {
    // A page just switched to or a model just opened leaves its layout for later: lay out the
    // window down to the grid now, so that the widths below are the ones the user will see.
    QWidgetList chain;
    for (QWidget* widget = &m_grid; widget; widget = widget->isWindow() ? nullptr : widget->parentWidget())
        chain.prepend(widget);
    for (QWidget* widget : std::as_const(chain)) {
        if (widget->layout())
            widget->layout()->activate();
    }
    int lacking = m_grid.horizontalHeader()->length() - m_grid.viewport()->width();
    const int mine = m_splitter ? gridPane() : -1;
    if (lacking <= 0 || mine < 0)
        return;
    QList<int> sizes = m_splitter->sizes();
    for (int i = 0; i < sizes.size() && lacking > 0; ++i) {
        if (i == mine)
            continue;
        const int spare = std::clamp(sizes[i] - leastWidth(*m_splitter->widget(i)), 0, lacking);
        sizes[i] -= spare;
        sizes[mine] += spare;
        lacking -= spare;
    }
    for (int i = 0; i < sizes.size() && lacking > 0; ++i) {
        if (i == mine || sizes[i] == 0)
            continue;
        m_splitter->setCollapsible(i, true);
        sizes[mine] += sizes[i];
        lacking -= sizes[i];
        sizes[i] = 0;
    }
    m_splitter->setSizes(sizes);
}

bool ColumnRoom::eventFilter(QObject* watched, QEvent* event) {
    // Shown by the program, not along with its page: ShowToParent.
    if (event->type() == QEvent::ShowToParent && m_splitter) {
        if (auto* part = qobject_cast<QWidget*>(watched))
            unfold(m_splitter->indexOf(part->parentWidget()));
    }
    return QObject::eventFilter(watched, event);
}

void ColumnRoom::unfold(int pane) {
    const int mine = gridPane();
    if (pane < 0 || mine < 0 || pane == mine)
        return;
    QList<int> sizes = m_splitter->sizes();
    if (sizes.value(pane) > 0)
        return;
    const int width = leastWidth(*m_splitter->widget(pane));
    sizes[pane] = width;
    sizes[mine] = std::max(0, sizes[mine] - width);
    m_splitter->setSizes(sizes);
}

}  // namespace quarrow
