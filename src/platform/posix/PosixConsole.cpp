#include "platform/Console.h"

namespace quarrow {

// A terminal here takes the locale's encoding, UTF-8 on every system we meet.
Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

}  // namespace quarrow
