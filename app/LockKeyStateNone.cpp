#include "LockKeyState.h"

namespace brisvander {

// Built where no X11 library was found: the panes stay blank.
LockKeys QueryLockKeys() { return {}; }

} // namespace brisvander
