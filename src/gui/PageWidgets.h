#pragma once

#include <QString>

#include <functional>

class QAbstractButton;
class QCheckBox;
class QToolButton;
class QWidget;

namespace quarrow {

class AppFrame;

// Small builders the pages share. Widgets carry their given names as object names.
template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, bool checked = false);

// The "?" button beside a setting: it shows the help picture with its text.
QToolButton* helpPictureButton(QWidget* parent, AppFrame& frame, const char* name, const QString& text,
                               const QString& picture);

// Connects a command button: a click shows the button's hint on the prompt line, when it
// has one, and then runs the command.
void connectCommand(QAbstractButton* button, AppFrame& frame, std::function<void()> command);

}  // namespace quarrow
