#include "platform/NetworkState.h"

#include <QNetworkInformation>

namespace quarrow {

// Qt's network information; a connection is assumed when the system cannot tell.
bool SystemNetworkState::isConnected() const {
    if (!QNetworkInformation::instance() && !QNetworkInformation::loadDefaultBackend())
        return true;
    const auto reachability = QNetworkInformation::instance()->reachability();
    return reachability != QNetworkInformation::Reachability::Disconnected;
}

}  // namespace quarrow
