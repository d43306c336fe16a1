#pragma once
// The keyboard's lock states, where the platform can tell them; all off
// where it cannot.

namespace brisvander {

struct LockKeys {
    bool CapsLock = false;
    bool NumLock = false;
    bool ScrollLock = false;
};

LockKeys QueryLockKeys();

} // namespace brisvander
