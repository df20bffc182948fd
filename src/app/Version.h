#pragma once

#include <QString>

namespace quarrow {

// The version both front ends print; set from the CMake project version.
QString versionText();

}  // namespace quarrow
