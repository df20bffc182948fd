#include "platform/win32/Win32Services.h"

#include <windows.h>
#include <wininet.h>

namespace quarrow {

bool Win32NetworkState::isConnected() const {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

}  // namespace quarrow
