#include "platform/posix/PosixServices.h"

#include <QNetworkInformation>

namespace quarrow {

bool PosixNetworkState::isConnected() const {
    if (!QNetworkInformation::instance() && !QNetworkInformation::loadDefaultBackend())
        return true;
    const auto reachability = QNetworkInformation::instance()->reachability();
    return reachability != QNetworkInformation::Reachability::Disconnected;
}

}  // namespace quarrow
