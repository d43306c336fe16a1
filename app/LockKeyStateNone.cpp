#include "LockKeyState.h"

// Built where no X11 library was found: the panes stay blank.
LockKeys QueryLockKeys() { return {}; }
