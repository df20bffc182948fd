#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class QAbstractItemModel;
class QModelIndex;
class QTableView;

namespace quarrow {

class AppFrame;
class FollowedList;

// Following a department from wherever it is listed: every grid that shows departments
// (the query's result grid, the drill-down windows, the track record) gets the commands
// "关注此营业部" and "取消关注此营业部" for the department of its current row in its context
// menu, and its rows of followed departments are marked. The list is the program's one
// FollowedList; a change is said on the prompt line and announced by listChanged().
class FollowCommands : public QObject {
    Q_OBJECT
public:
    FollowCommands(FollowedList& list, AppFrame& frame, QObject* parent);
    ~FollowCommands() override;

    // Whether a grid marks the rows of followed departments (a grid of followed rows only
    // has nothing to tell apart).
    enum class Marks { Shown, None };
    // Gives the grid the commands and the marks; a grid is equipped once.
    void install(QTableView* grid, Marks marks = Marks::Shown);
    // Equips every drill-down window's grid as the window is shown.
    void watchResultWindows();

    bool follow(const QString& name);
    bool unfollow(const QString& name);
    bool isFollowed(const QString& name) const;
    // Whether the cell's row is marked: one of its departments is followed.
    bool marks(const QModelIndex& index) const;

    // The columns of a model that name departments, by their titles.
    static QList<int> departmentColumns(const QAbstractItemModel& model);
    // The department of the grid's current row: the current cell's when it names one,
    // else the row's first department column; empty when the grid lists none.
    static QString departmentAt(const QTableView& grid);

Q_SIGNALS:
    void listChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changed();

    FollowedList& m_list;
    AppFrame& m_frame;
    QSet<QString> m_folded;  // the list's names as compared
};

}  // namespace quarrow
