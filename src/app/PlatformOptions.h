#pragma once

#include "app/ProgramFolder.h"
#include "platform/Platform.h"

namespace quarrow {

// The platform options every front end starts from: the program's text rules for the
// simulated quote program's pages, and its window title taken from the settings' choice
// of edition.
PlatformOptions programPlatformOptions(const ProgramFolder& folder);

}  // namespace quarrow
