#include "gui/CommandButton.h"

#include "app/AppFrame.h"

#include <QAbstractButton>

namespace quarrow {

void connectCommand(QAbstractButton* button, AppFrame& frame, std::function<void()> command) {
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [button, &frame, command = std::move(command)] {
                         if (!button->toolTip().isEmpty())
                             frame.ShowPrompt(button->toolTip());
                         if (command)
                             command();
                     });
}

}  // namespace quarrow
