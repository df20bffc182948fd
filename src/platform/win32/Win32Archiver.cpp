#include "platform/win32/Win32Services.h"

#include "platform/win32/Win32System.h"

namespace quarrow {

QString Win32Archiver::installedFolder() const {
    return QString::fromStdU16String(winRarPathFromRegistry());
}

}  // namespace quarrow
