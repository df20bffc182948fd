#pragma once

#include <QObject>
#include <QPointer>

class QSplitter;
class QTableView;

namespace quarrow {

// The room a grid's columns take beside the other panes of the splitter the grid lies in.
// Asked to make room, the other panes give way: first what they can spare above their
// least width, then, when that is not enough, the panes themselves fold away. A folded
// pane comes back, as narrow as it allows, as soon as something in it is shown (the
// daily-bar viewer opened in the stock list's place, the list coming back), so that what
// the user asked for never opens out of sight; a drag on the splitter's bar brings it
// back too. The room belongs to the grid.
class ColumnRoom : public QObject {
    Q_OBJECT
public:
    explicit ColumnRoom(QTableView& grid);

    // Nothing moves while the columns fit.
    void makeRoom();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int gridPane() const;
    void unfold(int pane);

    QTableView& m_grid;
    QPointer<QSplitter> m_splitter;
};

}  // namespace quarrow
