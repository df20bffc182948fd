#include "gui/PageWidgets.h"

#include "app/AppFrame.h"

#include <QCheckBox>
#include <QToolButton>

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

}  // namespace quarrow
