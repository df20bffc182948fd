#include "gui/PageWidgets.h"

#include "app/AppFrame.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLayout>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

namespace quarrow {

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, bool checked) {
    auto* box = named(new QCheckBox(caption, parent), name);
    box->setChecked(checked);
    return box;
}

QToolButton* helpPictureButton(QWidget* parent, AppFrame& frame, const char* name, const QString& text,
                               const QString& picture) {
    auto* button = named(new QToolButton(parent), name);
    button->setText(QStringLiteral("?"));
    button->setToolTip(text);
    QObject::connect(button, &QToolButton::clicked, button,
                     [&frame, text, picture] { frame.ShowHelpPicture(text, picture, false); });
    return button;
}

void connectCommand(QAbstractButton* button, AppFrame& frame, std::function<void()> command) {
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [button, &frame, command = std::move(command)] {
                         if (!button->toolTip().isEmpty())
                             frame.ShowPrompt(button->toolTip());
                         if (command)
                             command();
                     });
}

void makeRoomForColumns(QTableView& grid) {
    // A page just switched to or a model just opened leaves its layout for later: lay out the
    // window down to the grid now, so that the widths below are the ones the user will see.
    QWidgetList chain;
    for (QWidget* widget = &grid; widget; widget = widget->isWindow() ? nullptr : widget->parentWidget())
        chain.prepend(widget);
    for (QWidget* widget : std::as_const(chain)) {
        if (widget->layout())
            widget->layout()->activate();
    }
    int lacking = grid.horizontalHeader()->length() - grid.viewport()->width();
    if (lacking <= 0)
        return;
    for (QWidget* pane = &grid; pane && !pane->isWindow(); pane = pane->parentWidget()) {
        auto* splitter = qobject_cast<QSplitter*>(pane->parentWidget());
        if (!splitter || splitter->orientation() != Qt::Horizontal)
            continue;
        const int mine = splitter->indexOf(pane);
        QList<int> sizes = splitter->sizes();
        for (int i = 0; i < sizes.size() && lacking > 0; ++i) {
            if (i == mine)
                continue;
            const QWidget* other = splitter->widget(i);
            const int least = std::max(other->minimumSizeHint().width(), other->minimumWidth());
            const int spare = std::clamp(sizes[i] - least, 0, lacking);
            sizes[i] -= spare;
            sizes[mine] += spare;
            lacking -= spare;
        }
        for (int i = 0; i < sizes.size() && lacking > 0; ++i) {
            if (i == mine || sizes[i] == 0)
                continue;
            splitter->setCollapsible(i, true);
            sizes[mine] += sizes[i];
            lacking -= sizes[i];
            sizes[i] = 0;
        }
        splitter->setSizes(sizes);
        return;
    }
}

}  // namespace quarrow
