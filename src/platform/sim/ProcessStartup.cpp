#include "platform/ProcessStartup.h"

namespace quarrow {

// A program started here opens no window of its own.
void startWithoutWindow(QProcess&) {}

}  // namespace quarrow
