#include "app/Version.h"

namespace quarrow {

QString versionText() {
    return QStringLiteral(QUARROW_VERSION);
}

}  // namespace quarrow
