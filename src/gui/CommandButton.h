#pragma once

#include <functional>

class QAbstractButton;

namespace quarrow {

class AppFrame;

// Connects a command button: a click shows the button's hint on the prompt line, when it
// has one, and then runs the command.
void connectCommand(QAbstractButton* button, AppFrame& frame, std::function<void()> command);

}  // namespace quarrow
