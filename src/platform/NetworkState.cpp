#include "platform/NetworkState.h"

#ifdef Q_OS_WIN
#include <windows.h>
#include <wininet.h>
#else
#include <QNetworkInformation>
#endif

namespace quarrow {

bool SystemNetworkState::isConnected() const {
#ifdef Q_OS_WIN
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
#else
    if (!QNetworkInformation::instance() && !QNetworkInformation::loadDefaultBackend())
        return true;
    const auto reachability = QNetworkInformation::instance()->reachability();
    return reachability != QNetworkInformation::Reachability::Disconnected;
#endif
}

}  // namespace quarrow
