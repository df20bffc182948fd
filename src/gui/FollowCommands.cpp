#include "gui/FollowCommands.h"

#include "app/AppFrame.h"
#include "follow/FollowedList.h"
#include "gui/FormCodeDepart.h"
#include "gui/GridExport.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QStyledItemDelegate>
#include <QTableView>

namespace quarrow {

namespace {

// The titles under which the grids show department names.
const QStringList kDepartmentTitles{QStringLiteral("营业部o涨跌说明"), QStringLiteral("营业部"),
                                    QStringLiteral("买方"), QStringLiteral("卖方")};

const QColor kFollowedRow(255, 236, 179);

// Paints the rows of followed departments on a background of their own.
class FollowedRowDelegate : public QStyledItemDelegate {
public:
    FollowedRowDelegate(const FollowCommands& commands, QObject* parent)
        : QStyledItemDelegate(parent), m_commands(commands) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_commands.marks(index))
            option->backgroundBrush = kFollowedRow;
    }

private:
    const FollowCommands& m_commands;
};

}  // namespace

FollowCommands::FollowCommands(FollowedList& list, AppFrame& frame, QObject* parent)
    : QObject(parent), m_list(list), m_frame(frame) {
    changed();
}

FollowCommands::~FollowCommands() {
    qApp->removeEventFilter(this);
}

namespace {

// A title or a cell as stored, where the model dresses it up for reading.
QString storedTitle(const QAbstractItemModel& model, int column) {
    const QVariant stored = model.headerData(column, Qt::Horizontal, GridExport::kExportRole);
    return (stored.isValid() ? stored : model.headerData(column, Qt::Horizontal)).toString();
}

QString storedText(const QModelIndex& index) {
    const QVariant stored = index.data(GridExport::kExportRole);
    return (stored.isValid() ? stored : index.data()).toString();
}

}  // namespace

QList<int> FollowCommands::departmentColumns(const QAbstractItemModel& model) {
    QList<int> columns;
    for (int column = 0; column < model.columnCount(); ++column) {
        if (kDepartmentTitles.contains(storedTitle(model, column)))
            columns << column;
    }
    return columns;
}

QString FollowCommands::departmentAt(const QTableView& grid) {
    const QModelIndex current = grid.currentIndex();
    if (!grid.model() || !current.isValid())
        return {};
    const QList<int> columns = departmentColumns(*grid.model());
    if (columns.isEmpty())
        return {};
    const int column = columns.contains(current.column()) ? current.column() : columns.first();
    return storedText(grid.model()->index(current.row(), column)).trimmed();
}

bool FollowCommands::isFollowed(const QString& name) const {
    return m_folded.contains(FollowedList::foldName(name));
}

bool FollowCommands::marks(const QModelIndex& index) const {
    const QAbstractItemModel* model = index.model();
    if (!model)
        return false;
    for (const int column : departmentColumns(*model)) {
        if (isFollowed(storedText(model->index(index.row(), column))))
            return true;
    }
    return false;
}

void FollowCommands::changed() {
    m_folded.clear();
    for (const QString& name : m_list.names())
        m_folded.insert(FollowedList::foldName(name));
    Q_EMIT listChanged();
}

bool FollowCommands::follow(const QString& name) {
    QString error;
    switch (m_list.add(name, &error)) {
        case FollowedList::Change::Done:
            m_frame.ShowPrompt(QStringLiteral("已关注营业部: ") + name.trimmed());
            changed();
            return true;
        case FollowedList::Change::Unchanged:
            m_frame.ShowPrompt(QStringLiteral("已经关注了营业部: ") + name.trimmed());
            return false;
        case FollowedList::Change::NotAName:
            m_frame.ShowPrompt(QStringLiteral("不是营业部名称,无法关注"));
            return false;
        case FollowedList::Change::SaveFailed:
            break;
    }
    m_frame.notify(QStringLiteral("关注营业部列表%1无法保存: %2").arg(m_list.file(), error));
    return false;
}

bool FollowCommands::unfollow(const QString& name) {
    QString error;
    switch (m_list.remove(name, &error)) {
        case FollowedList::Change::Done:
            m_frame.ShowPrompt(QStringLiteral("已取消关注营业部: ") + name.trimmed());
            changed();
            return true;
        case FollowedList::Change::Unchanged:
        case FollowedList::Change::NotAName:
            m_frame.ShowPrompt(QStringLiteral("没有关注营业部: ") + name.trimmed());
            return false;
        case FollowedList::Change::SaveFailed:
            break;
    }
    m_frame.notify(QStringLiteral("关注营业部列表%1无法保存: %2").arg(m_list.file(), error));
    return false;
}

void FollowCommands::install(QTableView* grid, Marks marks) {
    if (!grid || grid->property("followCommands").toBool())
        return;
    grid->setProperty("followCommands", true);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* add = new QAction(QStringLiteral("关注此营业部"), grid);
    add->setObjectName(QStringLiteral("actFollowDepartment"));
    connect(add, &QAction::triggered, this, [this, grid] {
        const QString name = departmentAt(*grid);
        if (!name.isEmpty())
            follow(name);
    });
    auto* remove = new QAction(QStringLiteral("取消关注此营业部"), grid);
    remove->setObjectName(QStringLiteral("actUnfollowDepartment"));
    connect(remove, &QAction::triggered, this, [this, grid] {
        const QString name = departmentAt(*grid);
        if (!name.isEmpty())
            unfollow(name);
    });
    grid->addAction(add);
    grid->addAction(remove);
    if (marks == Marks::None)
        return;
    grid->setItemDelegate(new FollowedRowDelegate(*this, grid));
    connect(this, &FollowCommands::listChanged, grid, [grid] { grid->viewport()->update(); });
}

void FollowCommands::watchResultWindows() {
    qApp->installEventFilter(this);
}

bool FollowCommands::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        if (auto* window = qobject_cast<TFormCodeDepart*>(watched))
            install(window->grid());
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quarrow
