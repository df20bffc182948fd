#pragma once

class QProcess;

namespace quarrow {

// Starts a helper program without a window where the system would give it one (a
// console window on Windows); nothing elsewhere. Defined by the platform backend.
void startWithoutWindow(QProcess& process);

}  // namespace quarrow
