#include "platform/NetworkState.h"

#include <windows.h>
#include <wininet.h>

namespace quarrow {

bool SystemNetworkState::isConnected() const {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

}  // namespace quarrow
